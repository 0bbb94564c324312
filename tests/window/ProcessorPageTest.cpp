#include "pages/processor/ProcessorPage.h"
#include "kit/TwipsGeometry.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

constexpr long long Start = 1'000'000'000;
constexpr long long Second = 10'000'000;

// Samples whose loads are the given percentages (idle grows by the rest of each second).
Json samples(const std::vector<double> &loads, long long idle = 500'000'000)
{
    Json answers = Json::array({processorAnswer(idle, Start)});
    long long stamp = Start;
    for (double load : loads) {
        stamp += Second;
        idle += static_cast<long long>(Second * (1 - load / 100));
        answers.push_back(processorAnswer(idle, stamp));
    }
    return answers;
}

Json recordingWith(const Json &processorAnswers,
                   const Json &packages = Json::array({Json::array({Json{{"Name", "cpu"}}})}))
{
    return recording(
        "alpha", {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
                  {"select * from win32_perfrawdata_perfos_processor", processorAnswers},
                  {"select * from win32_processor", packages}});
}

struct ProcessorPageTest : ::testing::Test {
    void open(const Json &processorAnswers)
    {
        h = std::make_unique<WindowHarness>(recordingWith(processorAnswers));
        h->start(QStringLiteral("/c:alpha /t:2"));
    }
    QString percentLabel() { return h->controls().lblPercent->text(); }
    int bar() { return h->controls().pbPer->value(); }
    UtilizationGraph &graph() { return h->form().processorPage().graph(); }

    std::unique_ptr<WindowHarness> h;
};

} // namespace

TEST_F(ProcessorPageTest, LoadFromTwoSamplesRoundedToTwoDecimals)
{
    // The page's first refresh takes the second answer: start-up took the first.
    open(samples({37.456, 12.5, 100, 0}));
    EXPECT_EQ(percentLabel(), QStringLiteral("37.46%"));
    EXPECT_EQ(bar(), 37);
    EXPECT_FALSE(h->state().PageInitPending);
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("12.5%"));
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("100%"));
    EXPECT_EQ(bar(), 100);
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("0%"));
    EXPECT_EQ(graph().GraphPointCount(), 4);
    EXPECT_TRUE(h->dialogs.shown().empty());
}

TEST_F(ProcessorPageTest, NegativeLoadShowsZeroAndAboveHundredFillsTheBar)
{
    open(samples({-20, 104.2}));
    EXPECT_EQ(percentLabel(), QStringLiteral("0%"));
    EXPECT_EQ(bar(), 0);
    EXPECT_DOUBLE_EQ(graph().GraphPenY(), 4555);
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("104.2%"));
    EXPECT_EQ(bar(), 100);
    EXPECT_LT(graph().GraphPenY(), 1200) << "above 100 % lies above the label";
    EXPECT_TRUE(h->dialogs.shown().empty());
    EXPECT_TRUE(h->state().RealTimeMode);
}

TEST_F(ProcessorPageTest, EqualTimestampsChangeNothing)
{
    Json answers = samples({40});
    answers.push_back(answers.back()); // the same sample again
    const long long idle = std::stoll(answers.back()[1]["PercentProcessorTime"].get<std::string>());
    answers.push_back(processorAnswer(idle + Second / 2, Start + 2 * Second)); // 50 % over the next second
    open(answers);
    ASSERT_EQ(percentLabel(), QStringLiteral("40%"));
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("40%"));
    EXPECT_EQ(graph().GraphPointCount(), 1);
    EXPECT_TRUE(h->dialogs.shown().empty());
    EXPECT_TRUE(h->state().RealTimeMode);
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("50%"));
}

TEST_F(ProcessorPageTest, AFailureKeepsThePreviousSample)
{
    Json answers = samples({25});
    const long long idle = std::stoll(answers.back()[1]["PercentProcessorTime"].get<std::string>());
    answers.push_back(Json{{"error", {{"number", -2147217406}, {"description", "Not found"}}}});
    answers.push_back(processorAnswer(idle + Second, Start + 3 * Second)); // 2 s later, half of it idle
    open(answers);
    h->tick();
    EXPECT_EQ(h->dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:-2147217406 Not found"});
    EXPECT_FALSE(h->state().RealTimeMode);
    EXPECT_FALSE(h->controls().chkRealTime->isChecked());
    EXPECT_TRUE(h->controls().txtTime->isEnabled());
    h->clickRealTime();
    h->tick();
    EXPECT_EQ(percentLabel(), QStringLiteral("50%"));
}

TEST_F(ProcessorPageTest, ReturningToThePageAveragesOverTheWholeAbsence)
{
    Json answers = samples({80});
    const long long idle = std::stoll(answers.back()[1]["PercentProcessorTime"].get<std::string>());
    answers.push_back(
        processorAnswer(idle + 9 * Second, Start + 11 * Second)); // ten seconds, one of them busy
    open(answers);
    h->clickTab(0);
    h->tick(9);
    h->clickTab(1);
    EXPECT_EQ(percentLabel(), QStringLiteral("10%"));
}

TEST_F(ProcessorPageTest, EnteringThePageRestartsThePenOncePerPackage)
{
    h = std::make_unique<WindowHarness>(recordingWith(
        samples({10, 10, 10}), Json::array({Json::array(), Json::array({Json::object(), Json::object()})})));
    h->start(QStringLiteral("/c:alpha /t:1"));
    h->clickTab(1); // no package: the pen stays where it was, but the page is set up
    EXPECT_FALSE(h->state().PageInitPending);
    const double pen = graph().GraphPenX();
    h->clickTab(0);
    h->clickTab(1);
    EXPECT_NEAR(graph().GraphPenX(), 4080 + 54.15, 1e-6);
    EXPECT_NE(pen, graph().GraphPenX());
}

TEST_F(ProcessorPageTest, ThePollRefreshesEveryCpuPollTicks)
{
    open(samples(std::vector<double>(40, 30)));
    h->clickRealTime();
    h->controls().txtTime->setText(QStringLiteral("3"));
    h->clickRealTime();
    const int before = graph().GraphPointCount();
    h->tick(2);
    EXPECT_EQ(graph().GraphPointCount(), before);
    h->tick();
    EXPECT_EQ(graph().GraphPointCount(), before + 1);
    h->tick(6);
    EXPECT_EQ(graph().GraphPointCount(), before + 3);
    // 1 or less: every tick.
    for (const char *interval : {"0.4", "-1"}) {
        h->clickRealTime();
        h->controls().txtTime->setText(QString::fromLatin1(interval));
        h->clickRealTime();
        const int points = graph().GraphPointCount();
        h->tick(3);
        EXPECT_EQ(graph().GraphPointCount(), points + 3) << interval;
    }
}

TEST_F(ProcessorPageTest, ClickReadOutRoundsThroughOneDecimalToSixteenBits)
{
    open(samples({10}));
    ProcessorPage &page = h->form().processorPage();
    const struct {
        double percent;
        const char *shown;
    } cases[] = {{62.46, "62%"}, {63.47, "64%"}, {0, "0%"}, {100, "100%"}, {0.59, "1%"}};
    for (const auto &c : cases) {
        const double y = 3375 * (1 - c.percent / 100);
        page.lblGraph_MouseMove(Qt::NoButton, Qt::NoModifier, 500, y);
        page.lblGraph_Click();
        EXPECT_EQ(h->controls().lblpct->text(), QString::fromLatin1(c.shown)) << c.percent;
    }
    page.lblGraph_MouseMove(Qt::NoButton, Qt::NoModifier, 300, 1000);
    page.lblGraph_Click();
    EXPECT_EQ(twipsGeometry(h->controls().lblpct).topLeft(), QPoint(4080 + 300 + 100, 1200 + 1000 - 200));
    EXPECT_TRUE(h->controls().lblpct->isVisible());
    EXPECT_TRUE(h->controls().tmrpct->isActive());
}

TEST_F(ProcessorPageTest, ClickingTheGraphShowsTheReadOutForTwoSeconds)
{
    open(samples({10}));
    QLabel *graphLabel = h->controls().lblGraph;
    const QPoint first(30, 20), second(200, 150);
    QTest::mouseMove(graphLabel, first);
    QTest::mouseClick(graphLabel, Qt::LeftButton, {}, first);
    const QPoint shownAt = h->controls().lblpct->pos();
    EXPECT_TRUE(h->controls().lblpct->isVisible());
    QTest::mouseMove(graphLabel, second);
    QTest::mouseClick(graphLabel, Qt::LeftButton, {}, second);
    EXPECT_NE(h->controls().lblpct->pos(), shownAt) << "a second click moves the read-out";
    const double v = (225.0 - 150) / 225 * 100;
    EXPECT_EQ(h->controls().lblpct->text(), QString::number(qRound(v)) + QStringLiteral("%"));
    h->form().processorPage().tmrpct_Timer();
    EXPECT_FALSE(h->controls().lblpct->isVisible());
    EXPECT_FALSE(h->controls().tmrpct->isActive());
}
