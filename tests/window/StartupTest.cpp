#include "app/CursorBlinkTimeout.h"
#include "pages/processor/ProcessorPage.h"
#include "support/WaitUntil.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyleHints>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

Json twoComputers()
{
    const Json alpha = {
        {"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
        {"select * from win32_perfrawdata_perfos_processor",
         Json::array({Json::array(
             {Json{{"Name", "0"}, {"PercentProcessorTime", "111"}, {"Timestamp_Sys100NS", "222"}},
              Json{{"Name", "_Total"}, {"PercentProcessorTime", "333"}, {"Timestamp_Sys100NS", "444"}}})})}};
    Json r = recording("alpha", alpha);
    r["computers"]["beta"] = alpha;
    return r;
}

} // namespace

TEST(Startup, EmptyCommandLineOpensGeneralOnTheDefaultComputer)
{
    WindowHarness h(twoComputers());
    h.environment.name = QStringLiteral("alpha");
    h.start();
    EXPECT_TRUE(h.dialogs.shown().empty());
    EXPECT_EQ(h.state().TargetComputer, QStringLiteral("alpha"));
    EXPECT_EQ(h.controls().txtComp->text(), QStringLiteral("ALPHA"));
    EXPECT_EQ(h.state().ComputerMoniker, QStringLiteral("winmgmts://alpha"));
    EXPECT_EQ(h.state().CurrentPage, 1);
    EXPECT_EQ(h.controls().tbs->currentIndex(), 0);
    EXPECT_TRUE(h.controls().frGen->isVisible());
    EXPECT_EQ(h.controls().lblTitle->text(), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_TRUE(h.state().RealTimeMode);
    EXPECT_TRUE(h.pollRanAfterStart);
    EXPECT_EQ(h.state().SortColumn, 1);
    EXPECT_EQ(h.state().SortOrder, QStringLiteral("ASC"));
    EXPECT_EQ(h.form().processorPage().CpuPollTicks(), 1);
    EXPECT_EQ(h.form().processorPage().PointsPerGraph(), 100);
    EXPECT_EQ(h.controls().txtupdt->text(), QStringLiteral("2"));
    EXPECT_EQ(h.controls().msfg->model()->columnCount(), 5);
    EXPECT_EQ(h.form().height(), h.form().twips().toPixels(frmQuorvin::StartClientHeightTwips));
    // The page is refreshed once, by the page switch.
    EXPECT_EQ(h.source().queries("select * from win32_operatingsystem"), 1);
}

TEST(Startup, UpperCaseSwitchesNameTheComputerAndThePage)
{
    WindowHarness h(twoComputers());
    h.start(QStringLiteral("/C:BETA /T:3"));
    EXPECT_EQ(h.state().TargetComputer, QStringLiteral("beta"));
    EXPECT_EQ(h.controls().txtComp->text(), QStringLiteral("BETA"));
    EXPECT_EQ(h.state().CurrentPage, 3);
    EXPECT_EQ(h.controls().tbs->currentIndex(), 2);
    EXPECT_TRUE(h.controls().frPD->isVisible());
    EXPECT_FALSE(h.controls().frGen->isVisible());
    EXPECT_TRUE(h.controls().txtupdt->isVisible());
}

TEST(Startup, BadSwitchesAreReportedAndTheDefaultsUsed)
{
    WindowHarness h(twoComputers());
    h.start(QStringLiteral("/c:beta /t:x"));
    ASSERT_EQ(h.dialogs.shown().size(), 1u);
    EXPECT_EQ(h.dialogs.shown()[0].text, QStringLiteral("Switches not valid. /T: Parameter must be numeric"));
    EXPECT_EQ(h.dialogs.shown()[0].title, QStringLiteral("Quorvin Switches"));
    EXPECT_EQ(h.state().TargetComputer, QStringLiteral("beta"));
    EXPECT_EQ(h.state().CurrentPage, 1);
}

TEST(Startup, TheLastProcessorInstanceSeedsThePreviousSample)
{
    WindowHarness h(twoComputers());
    h.start();
    EXPECT_EQ(h.form().processorPage().PrevCpuCounter(), 333.0);
    EXPECT_EQ(h.form().processorPage().PrevCpuTimestamp(), 444.0);
}

TEST(Startup, AnUnreachableComputerStopsStartUp)
{
    WindowHarness h(twoComputers());
    try {
        h.form().Form_Load(QStringLiteral("/c:gamma /t:1"));
        ADD_FAILURE() << "started";
    } catch (const mgmt::Error &e) {
        EXPECT_EQ(e.number(), 462);
    }
    EXPECT_FALSE(h.controls().tmr1->isActive());
}

// The cursor stops blinking a while after the last input, and blinks again at the next key.
TEST(Startup, TheCursorStopsBlinkingWhileNobodyTypes)
{
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    ASSERT_GT(flashTime, 0);
    {
        const CursorBlinkTimeout timeout(20);
        QLineEdit field;
        const auto stopsBlinking = [] {
            return waitUntil([] { return QGuiApplication::styleHints()->cursorFlashTime() == 0; },
                             [] { QTest::qWait(10); });
        };
        EXPECT_TRUE(stopsBlinking());
        QTest::keyClick(&field, Qt::Key_A);
        EXPECT_EQ(QGuiApplication::styleHints()->cursorFlashTime(), flashTime);
        EXPECT_TRUE(stopsBlinking());
    }
    EXPECT_EQ(QGuiApplication::styleHints()->cursorFlashTime(), flashTime);
}
