#include "app/FormDesign.h"
#include "app/Designer.h"
#include "kit/Controls.h"
#include "kit/Twips.h"
#include "kit/TwipsGeometry.h"
#include "kit/VbColor.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace quorvin {

namespace {

void designTabStrip(Designer &d, QWidget *form, Controls &c)
{
    c.tbs = d.place(new QTabBar(form), "tbs", QRect(0, 0, 9975, 585));
    c.tbs->setFont(designFont(DefaultPoints));
    c.tbs->setExpanding(true);
    c.tbs->setDrawBase(true);
    for (const char *caption : {"General", "Processor Utilization", "Process Details", "Services", "Network"})
        c.tbs->addTab(QString::fromLatin1(caption));
}

void designBottomStrip(Designer &d, QWidget *form, Controls &c)
{
    c.chkRealTime = d.place(new QCheckBox(QStringLiteral("Real Time Mode"), form), "chkRealTime",
                            QRect(480, 5280, 1695, 375));
    c.chkRealTime->setFont(designFont(9.75, true));
    c.chkRealTime->setChecked(true);

    c.lbl1 = d.textBox(form, "lbl1", QStringLiteral("Accessing Computer:"), QRect(2760, 5280, 2175, 330),
                       designFont(DefaultPoints, true));
    c.lbl1->setFrame(false);
    c.lbl1->setReadOnly(true);
    c.lbl1->setFocusPolicy(Qt::NoFocus);
    c.lbl1->setCursorPosition(0); // a caption wider than its box shows its start
    QPalette p = c.lbl1->palette();
    p.setColor(QPalette::Base, colorFromValue(ScrollBarColor));
    c.lbl1->setPalette(p);

    c.txtComp = d.textBox(form, "txtComp", QString(), QRect(4920, 5280, 2415, 330), designFont(9.75));
    c.txtComp->setEnabled(false);
}

// The General labels are centred in their frame and share their borders with their neighbours.
constexpr int Left = 390, Width = 8955, Height = 375;

void designGeneralPage(Designer &d, Controls &c)
{
    c.frGen = d.frame("frGen", QRect(120, 650, 9735, 4575));
    const auto row = [&](const char *name, const char *caption, int top, QFont font, int height = Height) {
        return d.titleLabel(c.frGen, name, QString::fromLatin1(caption), QRect(Left, top, Width, height),
                            font);
    };
    c.lblTitle = row("lblTitle", "Title", 360, designFont(15.75, true), 615);
    c.lbltitle2 = row("lbltitle2", "Title2", 960, designFont(14.25, true));
    c.lblReg = row("lblReg", "REg", 1320, designFont(14.25, true));
    c.lblSerial = row("lblSerial", "Serial", 1680, designFont(14.25, true));
    c.lblProc = row("lblProc", "Proc", 2040, designFont(DefaultPoints));
    c.lblInstall = row("lblInstall", "Install", 2400, designFont(DefaultPoints));
    c.lblBoot = row("lblBoot", "Boot", 2760, designFont(DefaultPoints));
    c.lblmem1 = row("lblmem1", "Physical Memory", 3120, designFont(DefaultPoints));
    c.lblMem2 = row("lblMem2", "Virtual Memory", 3480, designFont(DefaultPoints));
    c.lblUpdate = d.label(c.frGen, "lblUpdate", QString(), QRect(Left, 3840, Width, Height),
                          designFont(DefaultPoints), Qt::AlignCenter);
    c.lblGen1 =
        d.label(c.frGen, "lblGen1", QStringLiteral("Uncheck Real Time Mode To Access Another Computer"),
                QRect(Left, 4320, Width, 240), designFont(9.75), Qt::AlignCenter);
}

void designProcessorPage(Designer &d, QWidget *form, Controls &c)
{
    c.frUtil = d.frame("frUtil", QRect(480, 600, 2895, 3975));
    c.frUtil->hide();
    c.lblproctit = d.titleLabel(c.frUtil, "lblproctit", QStringLiteral("Current Processor Load"),
                                QRect(120, 240, 2655, 375), designFont(DefaultPoints, true));
    c.pbPer = d.tallBar(c.frUtil, "pbPer", QRect(960, 720, 855, 2895));
    c.lblPercent = d.label(c.frUtil, "lblPercent", QStringLiteral("%"), QRect(720, 3600, 1095, 255),
                           designFont(DefaultPoints, true), Qt::AlignRight | Qt::AlignTop);

    c.lblGraphtit = d.titleLabel(form, "lblGraphtit", QStringLiteral("Historical Processor Utilization"),
                                 QRect(5040, 720, 3855, 375), designFont(DefaultPoints, true));
    // Transparent, so the curve drawn on the window's surface shows through; it takes the clicks.
    c.lblGraph =
        d.label(form, "lblGraph", QString(), QRect(4080, 1200, 5415, 3375), designFont(DefaultPoints));
    c.lblGraph->setFrameShape(QFrame::Box);
    c.lblGraph->setLineWidth(1);
    c.lblGraph->setMouseTracking(true);
    c.lblGraph->hide();
    c.lblParm1 = d.label(form, "lblParm1", QStringLiteral("Points Per Graph:"), QRect(4200, 4725, 1815, 375),
                         designFont(9.75), Qt::AlignRight | Qt::AlignTop);
    c.lblParm1->hide();
    c.txtPoint = d.textBox(form, "txtPoint", QStringLiteral("100"), QRect(6120, 4680, 615, 330),
                           designFont(DefaultPoints));
    c.txtPoint->setEnabled(false);
    c.txtPoint->hide();
    c.lblParm2 = d.label(form, "lblParm2", QStringLiteral("Poll Interval(Secs):"),
                         QRect(6960, 4725, 1695, 375), designFont(9.75), Qt::AlignRight | Qt::AlignTop);
    c.lblParm2->hide();
    c.txtTime = d.textBox(form, "txtTime", QStringLiteral("1"), QRect(8760, 4680, 375, 330),
                          designFont(DefaultPoints));
    c.txtTime->setEnabled(false);
    c.txtTime->hide();
    c.lblpct =
        d.label(form, "lblpct", QStringLiteral("1%"), QRect(1200, 9000, 495, 255), designFont(9.75, true));
    c.lblpct->hide();
}

void designProcessesPage(Designer &d, QWidget *form, Controls &c)
{
    c.frPD = d.frame("frPD", QRect(120, 600, 9855, 4575));
    c.frPD->hide();
    c.lblpdTitle = d.titleLabel(c.frPD, "lblpdTitle", QStringLiteral("Processes"),
                                QRect(2160, 240, 5655, 495), designFont(9.75, true));
    c.msfg = d.grid(c.frPD, "msfg", QRect(120, 840, 9615, 3135));
    c.chkname = d.place(new QCheckBox(QStringLiteral("End Processes By Name Instead of Process ID") +
                                          QString(21, QLatin1Char(' ')) +
                                          QStringLiteral("(Double Click To End Processes)"),
                                      c.frPD),
                        "chkname", QRect(120, 4200, 9375, 285));
    c.chkname->setFont(designFont(DefaultPoints));

    c.lblProcint = d.label(form, "lblProcint", QStringLiteral("Interval(Secs)"), QRect(7800, 5325, 1335, 255),
                           designFont(DefaultPoints));
    c.lblProcint->hide();
    c.txtupdt = d.textBox(form, "txtupdt", QString(), QRect(9120, 5280, 495, 315), designFont(DefaultPoints));
    c.txtupdt->hide();
}

void designServicesPage(Designer &d, Controls &c)
{
    c.frServ = d.frame("frServ", QRect(0, 600, 9975, 4575));
    c.lblServtit = d.titleLabel(c.frServ, "lblServtit", QStringLiteral("Services"),
                                QRect(960, 240, 7455, 375), designFont(14.25, true));
    c.msfgServ = d.grid(c.frServ, "msfgServ", QRect(120, 720, 9495, 3375));
    c.cmdRF = d.place(new QPushButton(QStringLiteral("Refresh List"), c.frServ), "cmdRF",
                      QRect(3960, 4150, 1695, 330));
    c.cmdRF->setFont(designFont(DefaultPoints));
    c.lblServInfo =
        d.label(c.frServ, "lblServInfo", QStringLiteral("(Click Start/Stop to Change Service Status)"),
                QRect(5760, 4200, 4095, 255), designFont(DefaultPoints));
}

void designNetworkPage(Designer &d, Controls &c)
{
    c.frNet = d.frame("frNet", QRect(120, 720, 9735, 4335));
    QWidget *f = c.frNet;
    const QFont bold12 = designFont(DefaultPoints, true);
    const QFont plain12 = designFont(DefaultPoints);
    const auto right = Qt::AlignRight | Qt::AlignTop;
    c.lblSelectNet = d.label(f, "lblSelectNet", QStringLiteral("Select Network Adapter:"),
                             QRect(480, 360, 3855, 495), designFont(14.25, true), right);
    c.lstNet = d.place(new QListWidget(f), "lstNet", QRect(4560, 360, 4215, 915));
    c.lstNet->setFont(plain12);
    c.lblNet0 = d.label(f, "lblNet0", QStringLiteral("Adapter Utilization"), QRect(360, 960, 1935, 255),
                        bold12, Qt::AlignHCenter | Qt::AlignTop);
    c.prgNet = d.tallBar(f, "prgNet", QRect(840, 1320, 855, 2415));
    c.lblNetPct = d.label(f, "lblNetPct", QStringLiteral("0"), QRect(840, 3840, 855, 375), bold12,
                          Qt::AlignHCenter | Qt::AlignTop);
    c.lblNet5 = d.label(f, "lblNet5", QStringLiteral("Current Bandwidth:"), QRect(4560, 1440, 2055, 255),
                        bold12, right);
    c.lblNetBand =
        d.label(f, "lblNetBand", QStringLiteral("0"), QRect(6600, 1440, 2175, 255), plain12, right);
    c.lblNet1 =
        d.label(f, "lblNet1", QStringLiteral("Packets Sent:"), QRect(5400, 1920, 1935, 375), bold12, right);
    c.lblNetPackSent =
        d.label(f, "lblNetPackSent", QStringLiteral("0"), QRect(7440, 1920, 1335, 255), plain12, right);
    c.lblNet2 = d.label(f, "lblNet2", QStringLiteral("Packets Received:"), QRect(5280, 2280, 2055, 375),
                        bold12, right);
    c.lblNetPackRec =
        d.label(f, "lblNetPackRec", QStringLiteral("0"), QRect(7440, 2280, 1335, 255), plain12, right);
    c.lblNet3 =
        d.label(f, "lblNet3", QStringLiteral("Bytes Sent:"), QRect(5400, 2760, 1935, 375), bold12, right);
    c.lblNetByteSent =
        d.label(f, "lblNetByteSent", QStringLiteral("0"), QRect(7440, 2760, 1335, 255), plain12, right);
    c.lblNet4 =
        d.label(f, "lblNet4", QStringLiteral("Bytes Received:"), QRect(5400, 3120, 1935, 375), bold12, right);
    c.lblNetByteRec =
        d.label(f, "lblNetByteRec", QStringLiteral("0"), QRect(7440, 3120, 1335, 255), plain12, right);
    c.lblRef =
        d.label(f, "lblRef", QStringLiteral("Current Reference:"), QRect(4800, 3480, 4095, 375), plain12);
    c.cmdSetBand = d.place(new QPushButton(QStringLiteral("Set Bandwidth Reference"), f), "cmdSetBand",
                           QRect(6120, 3840, 2655, 405));
    c.cmdSetBand->setFont(designFont(11.25));
}

// A fixed caption wider than its control is narrowed a little rather than cut off: the serif that stands in
// for the design's font does not always keep its widths.
void fitCaption(QWidget *control, const QString &text, int available)
{
    QFont font = control->font();
    const double needed = QFontMetricsF(font).horizontalAdvance(text);
    if (needed <= available || needed <= 0)
        return;
    font.setStretch(std::max(75, static_cast<int>(100.0 * available / needed)));
    control->setFont(font);
}

void fitFixedCaptions(QWidget *form)
{
    for (QLabel *label : form->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            fitCaption(label, label->text(), label->contentsRect().width() - 2);
    for (QLineEdit *box : form->findChildren<QLineEdit *>())
        if (box->isReadOnly())
            fitCaption(box, box->text(), box->width() - 6);
}

} // namespace

Controls designForm(QWidget *form, const Twips &twips)
{
    form->setObjectName(QStringLiteral("frmQuorvin"));
    form->setWindowTitle(QStringLiteral("Verko's Quorvin"));
    form->setFont(designFont(DefaultPoints));
    form->resize(twips.toPixels(10020), twips.toPixels(9375));

    Designer d(form, twips);
    Controls c;
    designTabStrip(d, form, c);
    designGeneralPage(d, c);
    designProcessorPage(d, form, c);
    designProcessesPage(d, form, c);
    designServicesPage(d, c);
    designNetworkPage(d, c);
    designBottomStrip(d, form, c);
    c.tmr1 = d.timer("tmr1", 1000, false);
    c.tmrpct = d.timer("tmrpct", 2000, true);
    fitFixedCaptions(form);
    // The graph label lies above the window's surface, and the read-out above the graph.
    c.lblGraph->raise();
    c.lblpct->raise();
    return c;
}

} // namespace quorvin
