#include "pages/processor/ProcessorControls.h"
#include "kit/Designer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace quorvin {

ProcessorControls ProcessorControls::design(Designer &d)
{
    ProcessorControls c;
    QWidget *form = d.form();
    c.frUtil = d.frame("frUtil", FramePlace);
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
    c.tmrpct = d.timer("tmrpct", 2000, true);
    // The graph label lies above the window's surface, and the read-out above the graph.
    c.lblGraph->raise();
    c.lblpct->raise();
    return c;
}

} // namespace quorvin
