#include "app/MessageBoxDialogs.h"
#include "mgmt/replay/ReplaySource.h"
#include "support/WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

Json smallRecording()
{
    return recording(
        "alpha",
        {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
         {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})}});
}

struct Designed {
    const char *name;
    const char *kind;
    int left, top, width, height; // twips; relative to the frame for controls inside one
    const char *caption;
};

// The design of every control that code or layout depends on.
const Designed Design[] = {
    {"tbs", "QTabBar", 0, 0, 9975, 585, nullptr},
    {"chkRealTime", "QCheckBox", 480, 5280, 1695, 375, "Real Time Mode"},
    {"lbl1", "QLineEdit", 2760, 5280, 2175, 330, "Accessing Computer:"},
    {"txtComp", "QLineEdit", 4920, 5280, 2415, 330, nullptr},
    {"lblTitle", "QLabel", 390, 360, 8955, 615, nullptr},
    {"lblproctit", "QLabel", 120, 240, 2655, 375, "Current Processor Load"},
    {"pbPer", "QProgressBar", 960, 720, 855, 2895, nullptr},
    {"lblPercent", "QLabel", 720, 3600, 1095, 255, "%"},
    {"lblGraphtit", "QLabel", 5040, 720, 3855, 375, "Historical Processor Utilization"},
    {"lblGraph", "QLabel", 4080, 1200, 5415, 3375, ""},
    {"lblParm1", "QLabel", 4200, 4725, 1815, 375, "Points Per Graph:"},
    {"txtPoint", "QLineEdit", 6120, 4680, 615, 330, "100"},
    {"lblParm2", "QLabel", 6960, 4725, 1695, 375, "Poll Interval(Secs):"},
    {"txtTime", "QLineEdit", 8760, 4680, 375, 330, "1"},
    {"lblpct", "QLabel", 1200, 9000, 495, 255, "1%"},
    {"lblpdTitle", "QLabel", 2160, 240, 5655, 495, "Processes"},
    {"msfg", "QTableWidget", 120, 840, 9615, 3135, nullptr},
    {"chkname", "QCheckBox", 120, 4200, 9375, 285,
     "End Processes By Name Instead of Process ID                     (Double Click To End Processes)"},
    {"lblProcint", "QLabel", 7800, 5325, 1335, 255, "Interval(Secs)"},
    {"txtupdt", "QLineEdit", 9120, 5280, 495, 315, nullptr},
    {"lblServtit", "QLabel", 960, 240, 7455, 375, "Services"},
    {"msfgServ", "QTableWidget", 120, 720, 9495, 3375, nullptr},
    {"cmdRF", "QPushButton", 3960, 4150, 1695, 330, "Refresh List"},
    {"lblServInfo", "QLabel", 5760, 4200, 4095, 255, "(Click Start/Stop to Change Service Status)"},
    {"lblSelectNet", "QLabel", 480, 360, 3855, 495, "Select Network Adapter:"},
    {"lstNet", "QListWidget", 4560, 360, 4215, 915, nullptr},
    {"lblNet0", "QLabel", 360, 960, 1935, 255, "Adapter Utilization"},
    {"prgNet", "QProgressBar", 840, 1320, 855, 2415, nullptr},
    {"lblNetPct", "QLabel", 840, 3840, 855, 375, "0"},
    {"lblNet5", "QLabel", 4560, 1440, 2055, 255, "Current Bandwidth:"},
    {"lblNetBand", "QLabel", 6600, 1440, 2175, 255, "0"},
    {"lblNet1", "QLabel", 5400, 1920, 1935, 375, "Packets Sent:"},
    {"lblNetPackSent", "QLabel", 7440, 1920, 1335, 255, "0"},
    {"lblNet2", "QLabel", 5280, 2280, 2055, 375, "Packets Received:"},
    {"lblNetPackRec", "QLabel", 7440, 2280, 1335, 255, "0"},
    {"lblNet3", "QLabel", 5400, 2760, 1935, 375, "Bytes Sent:"},
    {"lblNetByteSent", "QLabel", 7440, 2760, 1335, 255, "0"},
    {"lblNet4", "QLabel", 5400, 3120, 1935, 375, "Bytes Received:"},
    {"lblNetByteRec", "QLabel", 7440, 3120, 1335, 255, "0"},
    {"lblRef", "QLabel", 4800, 3480, 4095, 375, "Current Reference:"},
    {"cmdSetBand", "QPushButton", 6120, 3840, 2655, 405, "Set Bandwidth Reference"},
};

QString captionOf(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *t = qobject_cast<QLineEdit *>(w))
        return t->text();
    return {};
}

} // namespace

TEST(Design, EveryControlHasItsNameKindPlaceAndCaption)
{
    frmQuorvin *form = nullptr;
    FakeDialogs dialogs;
    FakeClock clock;
    FakeEnvironment environment;
    auto source = mgmt::ReplaySource::fromJson(smallRecording().dump());
    frmQuorvin window(*source, dialogs, clock, environment);
    form = &window;
    const Twips &twips = form->twips();
    EXPECT_EQ(form->objectName(), QStringLiteral("frmQuorvin"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Verko's Quorvin"));
    for (const Designed &d : Design) {
        SCOPED_TRACE(d.name);
        auto *w = form->findChild<QWidget *>(QString::fromLatin1(d.name));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(d.kind));
        EXPECT_EQ(w->geometry(), twips.rect(d.left, d.top, d.width, d.height));
        if (d.caption) {
            EXPECT_EQ(captionOf(w), QString::fromLatin1(d.caption));
        }
    }
    for (const char *name :
         {"frGen", "frUtil", "frPD", "frServ", "frNet", "lblTitle", "lbltitle2", "lblReg", "lblSerial",
          "lblProc", "lblInstall", "lblBoot", "lblmem1", "lblMem2", "lblUpdate", "lblGen1"})
        EXPECT_NE(form->findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
}

TEST(Design, TimersTabsAndDesignedState)
{
    FakeDialogs dialogs;
    FakeClock clock;
    FakeEnvironment environment;
    auto source = mgmt::ReplaySource::fromJson(smallRecording().dump());
    frmQuorvin form(*source, dialogs, clock, environment);
    const Controls &c = form.controls();

    auto *tmr1 = form.findChild<QTimer *>(QStringLiteral("tmr1"));
    auto *tmrpct = form.findChild<QTimer *>(QStringLiteral("tmrpct"));
    ASSERT_TRUE(tmr1 && tmrpct);
    EXPECT_EQ(tmr1->interval(), 1000);
    EXPECT_FALSE(tmr1->isActive());
    EXPECT_EQ(tmrpct->interval(), 2000);
    EXPECT_TRUE(tmrpct->isActive());

    ASSERT_EQ(c.tbs->count(), 5);
    const QStringList tabs{"General", "Processor Utilization", "Process Details", "Services", "Network"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(c.tbs->tabText(i), tabs[i]);

    EXPECT_TRUE(c.chkRealTime->isChecked());
    EXPECT_FALSE(c.txtComp->isEnabled());
    EXPECT_FALSE(c.txtTime->isEnabled());
    EXPECT_FALSE(c.txtPoint->isEnabled());
    EXPECT_FALSE(c.chkname->isChecked());
    for (QWidget *hidden : {static_cast<QWidget *>(c.frPD), static_cast<QWidget *>(c.frUtil),
                            static_cast<QWidget *>(c.lblGraph), static_cast<QWidget *>(c.lblpct),
                            static_cast<QWidget *>(c.txtupdt), static_cast<QWidget *>(c.lblProcint)})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_EQ(c.msfg->rowCount(), 2);
    EXPECT_EQ(c.msfg->columnCount(), 5);
    for (const QTableWidget *grid : {c.msfg, c.msfgServ}) // a wide text is cut at the cell's edge
        EXPECT_TRUE(grid->textElideMode() == Qt::ElideNone && !grid->wordWrap());
    EXPECT_EQ(c.pbPer->minimum(), 0);
    EXPECT_EQ(c.pbPer->maximum(), 100);
    EXPECT_EQ(c.pbPer->orientation(), Qt::Vertical);

    EXPECT_EQ(c.lblTitle->font().pointSizeF(), 15.75);
    EXPECT_TRUE(c.lblTitle->font().bold());
    EXPECT_EQ(c.lblReg->font().pointSizeF(), 14.25);
    EXPECT_EQ(c.chkRealTime->font().pointSizeF(), 9.75);
    EXPECT_EQ(c.cmdSetBand->font().pointSizeF(), 11.25);
    EXPECT_EQ(c.lblTitle->palette().color(QPalette::Window), QColor(255, 224, 192));
}

TEST(Design, FifteenTwipsToThePixelAtNinetySixDots)
{
    const Twips twips(96);
    EXPECT_EQ(twips.toPixels(15), 1);
    EXPECT_EQ(twips.rect(4080, 1200, 5415, 3375), QRect(272, 80, 361, 225));
    // Neighbours that share a border in twips share it in pixels.
    EXPECT_EQ(twips.rect(390, 360, 8955, 615).bottom() + 1, twips.rect(390, 975, 8955, 375).top());
    EXPECT_EQ(Twips(144).toPixels(1440), 144);
}

// The shipped boxes show the computer's texts as plain text, and Enter presses the button given as default
// (No for the host-key question).
TEST(Design, ShippedBoxesShowPlainTextAndEnterPressesTheDefault)
{
    MessageBoxDialogs dialogs;
    for (const Dialogs::Default defaultButton : {Dialogs::Default::No, Dialogs::Default::Yes}) {
        Qt::TextFormat format = Qt::AutoText;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            if (const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
                format = label->textFormat();
            QTest::keyClick(box, Qt::Key_Return);
        });
        poll.start(10);
        const bool yes =
            dialogs.confirm(QStringLiteral("<b>notepad</b>"), QStringLiteral("t"), defaultButton);
        EXPECT_EQ(yes, defaultButton == Dialogs::Default::Yes);
        EXPECT_EQ(format, Qt::PlainText);
    }
}
