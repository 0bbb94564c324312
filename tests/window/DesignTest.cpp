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
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

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

// The controls the design places: those on the form and those in a page's frame, without the parts Qt makes
// inside a control (named "qt_..." or not named at all).
std::vector<QWidget *> designedChildren(const QWidget *parent)
{
    std::vector<QWidget *> controls;
    for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            controls.push_back(child);
    return controls;
}

std::vector<QWidget *> designedControls(const QWidget &form)
{
    std::vector<QWidget *> controls = designedChildren(&form);
    for (const QGroupBox *frame : form.findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly))
        for (QWidget *inside : designedChildren(frame))
            controls.push_back(inside);
    return controls;
}

// The room a fixed caption has: a label's contents, a read-only box's text area, a button's face beside its
// indicator.
std::optional<std::pair<QString, double>> captionAndRoom(const QWidget *w)
{
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return std::pair(l->text(), l->contentsRect().width() - 2.0);
    if (const auto *t = qobject_cast<const QLineEdit *>(w); t && t->isReadOnly())
        return std::pair(t->text(), t->width() - 6.0);
    if (const auto *c = qobject_cast<const QCheckBox *>(w)) {
        QStyleOptionButton option;
        option.initFrom(c);
        const int indicator = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, c) +
                              c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, c);
        return std::pair(c->text(), double(c->width() - indicator));
    }
    if (const auto *b = qobject_cast<const QPushButton *>(w))
        return std::pair(b->text(), b->width() - 8.0);
    return std::nullopt;
}

// Two controls whose places share more than a border line.
bool overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.width() > 1 && common.height() > 1;
}

} // namespace

// Scripts and recordings reach every control by its design name.
TEST(Design, EveryControlCarriesItsDesignName)
{
    WindowHarness h(smallRecording());
    const Controls &c = h.controls();
    const std::pair<const QObject *, const char *> named[] = {{c.tbs, "tbs"},
                                                              {c.chkRealTime, "chkRealTime"},
                                                              {c.lbl1, "lbl1"},
                                                              {c.txtComp, "txtComp"},
                                                              {c.tmr1, "tmr1"},
                                                              {c.tmrpct, "tmrpct"},
                                                              {c.frGen, "frGen"},
                                                              {c.lblTitle, "lblTitle"},
                                                              {c.lbltitle2, "lbltitle2"},
                                                              {c.lblReg, "lblReg"},
                                                              {c.lblSerial, "lblSerial"},
                                                              {c.lblProc, "lblProc"},
                                                              {c.lblInstall, "lblInstall"},
                                                              {c.lblBoot, "lblBoot"},
                                                              {c.lblmem1, "lblmem1"},
                                                              {c.lblMem2, "lblMem2"},
                                                              {c.lblUpdate, "lblUpdate"},
                                                              {c.lblGen1, "lblGen1"},
                                                              {c.frUtil, "frUtil"},
                                                              {c.lblproctit, "lblproctit"},
                                                              {c.pbPer, "pbPer"},
                                                              {c.lblPercent, "lblPercent"},
                                                              {c.lblGraphtit, "lblGraphtit"},
                                                              {c.lblGraph, "lblGraph"},
                                                              {c.lblParm1, "lblParm1"},
                                                              {c.txtPoint, "txtPoint"},
                                                              {c.lblParm2, "lblParm2"},
                                                              {c.txtTime, "txtTime"},
                                                              {c.lblpct, "lblpct"},
                                                              {c.frPD, "frPD"},
                                                              {c.lblpdTitle, "lblpdTitle"},
                                                              {c.msfg, "msfg"},
                                                              {c.chkname, "chkname"},
                                                              {c.lblProcint, "lblProcint"},
                                                              {c.txtupdt, "txtupdt"},
                                                              {c.frServ, "frServ"},
                                                              {c.lblServtit, "lblServtit"},
                                                              {c.msfgServ, "msfgServ"},
                                                              {c.cmdRF, "cmdRF"},
                                                              {c.lblServInfo, "lblServInfo"},
                                                              {c.frNet, "frNet"},
                                                              {c.lblSelectNet, "lblSelectNet"},
                                                              {c.lstNet, "lstNet"},
                                                              {c.lblNet0, "lblNet0"},
                                                              {c.prgNet, "prgNet"},
                                                              {c.lblNetPct, "lblNetPct"},
                                                              {c.lblNet5, "lblNet5"},
                                                              {c.lblNetBand, "lblNetBand"},
                                                              {c.lblNet1, "lblNet1"},
                                                              {c.lblNetPackSent, "lblNetPackSent"},
                                                              {c.lblNet2, "lblNet2"},
                                                              {c.lblNetPackRec, "lblNetPackRec"},
                                                              {c.lblNet3, "lblNet3"},
                                                              {c.lblNetByteSent, "lblNetByteSent"},
                                                              {c.lblNet4, "lblNet4"},
                                                              {c.lblNetByteRec, "lblNetByteRec"},
                                                              {c.lblRef, "lblRef"},
                                                              {c.cmdSetBand, "cmdSetBand"}};
    for (const auto &[control, name] : named) {
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->objectName(), QString::fromLatin1(name));
        EXPECT_EQ(h.form().findChild<QObject *>(QString::fromLatin1(name)), control) << name;
    }
}

// What the window shows first: every fixed caption fits its control in the font it is drawn with.
TEST(Design, FixedCaptionsFitTheirControls)
{
    FakeDialogs dialogs;
    FakeClock clock;
    FakeEnvironment environment;
    auto source = mgmt::ReplaySource::fromJson(smallRecording().dump());
    frmQuorvin form(*source, dialogs, clock, environment);
    EXPECT_EQ(form.objectName(), QStringLiteral("frmQuorvin"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Verko's Quorvin"));
    for (const QWidget *control : designedControls(form)) {
        const auto caption = captionAndRoom(control);
        if (!caption || caption->first.isEmpty())
            continue;
        EXPECT_LE(QFontMetricsF(control->font()).horizontalAdvance(caption->first), caption->second)
            << control->objectName().toStdString();
    }
}

// With each page shown: every control that shows lies inside the window or its frame, and no two of them
// cover each other.
TEST(Design, EachPageShowsItsControlsInsideTheirParentAndApart)
{
    WindowHarness h(smallRecording());
    h.start();
    for (int tab = 0; tab < 5; ++tab) {
        SCOPED_TRACE(tab);
        h.clickTab(tab);
        std::vector<QWidget *> shown;
        for (QWidget *control : designedControls(h.form()))
            if (control->isVisibleTo(&h.form()))
                shown.push_back(control);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const QWidget *a = shown[i];
            EXPECT_TRUE(a->parentWidget()->rect().contains(a->geometry())) << a->objectName().toStdString();
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                const QWidget *b = shown[j];
                if (a->parentWidget() == b->parentWidget()) {
                    EXPECT_FALSE(overlap(a->geometry(), b->geometry()))
                        << a->objectName().toStdString() << " and " << b->objectName().toStdString();
                }
            }
        }
    }
}

TEST(Design, TimersTabsAndDesignedState)
{
    FakeDialogs dialogs;
    FakeClock clock;
    FakeEnvironment environment;
    auto source = mgmt::ReplaySource::fromJson(smallRecording().dump());
    frmQuorvin form(*source, dialogs, clock, environment);
    const Controls c = Controls::of(form);

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
    EXPECT_EQ(c.msfg->model()->rowCount(), 2);
    EXPECT_EQ(c.msfg->model()->columnCount(), 5);
    for (const QTableView *grid : {c.msfg, c.msfgServ}) // a wide text is cut at the cell's edge
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
