#include "pages/processes/ProcessesPage.h"
#include "kit/GridCells.h"
#include "support/GridClicks.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

struct Proc {
    const char *name;
    long long id;
    long long cpu = 0; // 100 ns
    long long workingSet = 1 << 20;
};

Json perfAnswer(const std::vector<Proc> &procs, long long stamp)
{
    Json answer = Json::array();
    for (const Proc &p : procs)
        answer.push_back({{"Name", p.name},
                          {"IDprocess", p.id},
                          {"WorkingSet", std::to_string(p.workingSet)},
                          {"PageFileBytes", "524288"},
                          {"PercentProcessorTime", std::to_string(p.cpu)},
                          {"Timestamp_Sys100NS", std::to_string(stamp)},
                          {"ThreadCount", 2},
                          {"HandleCount", 10}});
    return answer;
}

const std::vector<Proc> Windows = {{"Idle", 0},      {"System", 4},    {"NOTEPAD", 1234}, {"NOTEPAD#1", 1240},
                                   {"quorvin", 999}, {"sleep", 40000}, {"_Total", 0}};

Json images(const Json &terminate = Json())
{
    Json list = Json::array();
    for (const auto &[name, handle] :
         std::vector<std::pair<const char *, const char *>>{{"System", "4"},
                                                            {"notepad.exe", "1234"},
                                                            {"NOTEPAD.EXE", "1240"},
                                                            {"quorvin", "999"},
                                                            {"sleep", "40000"}}) {
        Json p = {{"Name", name}, {"Handle", handle}};
        if (!terminate.is_null())
            p["__methods"] = {{"Terminate", terminate}};
        list.push_back(p);
    }
    return Json::array({list});
}

Json processRecording(const Json &perfAnswers, const Json &processAnswers = images())
{
    return recording(
        "alpha",
        {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
         {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})},
         {"select * from win32_processor", Json::array({Json::array({Json::object()})})},
         {"select * from win32_perfrawdata_perfproc_process", perfAnswers},
         {"select * from win32_process", processAnswers}});
}

Json steadyAnswers(int count)
{
    Json answers = Json::array();
    for (int i = 0; i < count; ++i) {
        std::vector<Proc> procs = Windows;
        for (Proc &p : procs)
            p.cpu = i * 250'000LL * (p.id % 7 + 1);
        answers.push_back(perfAnswer(procs, 10'000'000LL * (i + 1)));
    }
    return answers;
}

QStringList column(QTableView *grid, int col)
{
    QStringList out;
    for (int r = 1; r < grid->model()->rowCount(); ++r)
        out << cellText(grid, r, col);
    return out;
}

struct ProcessesPageTest : ::testing::Test {
    void open(const Json &recordingJson)
    {
        h = std::make_unique<WindowHarness>(recordingJson);
        h->start(QStringLiteral("/c:alpha /t:3"));
    }
    QTableView *grid() { return h->controls().msfg; }
    int refreshes() { return h->source().queries("select * from win32_perfrawdata_perfproc_process"); }
    void clickCell(int row, int col) { test::clickCell(grid(), row, col); }
    void doubleClickCell(int row, int col) { test::doubleClickCell(grid(), row, col); }
    int rowOf(const char *name) { return rowWithText(grid(), 0, QString::fromLatin1(name)); }
    std::unique_ptr<WindowHarness> h;
};

} // namespace

TEST_F(ProcessesPageTest, FirstRefreshListsProcessesWithoutIdleAndTotal)
{
    Json answers = steadyAnswers(3);
    answers[0][0]["Name"] = "iDLE";
    answers[0][6]["Name"] = "_total";
    open(processRecording(answers));
    EXPECT_EQ(cellText(grid(), 0, 0), QStringLiteral("       Process Name"));
    EXPECT_EQ(cellText(grid(), 0, 4), QStringLiteral("        Page File"));
    EXPECT_EQ(column(grid(), 0), (QStringList{"NOTEPAD", "NOTEPAD#1", "QUORVIN", "SLEEP", "SYSTEM"}));
    EXPECT_EQ(column(grid(), 1), (QStringList{"1234", "1240", "999", "40000", "4"}));
    EXPECT_EQ(column(grid(), 2), (QStringList{"", "", "", "", ""}));
    EXPECT_EQ(column(grid(), 3), (QStringList(5, QStringLiteral("1,024KB"))));
    EXPECT_EQ(
        h->controls().lblpdTitle->text(),
        QStringLiteral("6 Processes   12 Threads   60 Handles\r\n6,144KB Working Set    3,072KB Page File"));
    EXPECT_FALSE(h->state().PageInitPending);
    h->tick(3);
    EXPECT_EQ(column(grid(), 2), (QStringList{"7.5", "5", "15", "7.5", "12.5"}));
}

// A refresh tells the view of the cells whose text changed, and of no other: only they repaint.
TEST_F(ProcessesPageTest, OnlyChangedCellsReachTheView)
{
    std::vector<Proc> changed = Windows;
    changed[2].workingSet = 3 << 20; // NOTEPAD
    open(processRecording(Json::array({perfAnswer(Windows, 10'000'000), perfAnswer(changed, 20'000'000)})));
    QSignalSpy spy(grid()->model(), &QAbstractItemModel::dataChanged);
    h->tick(3);
    QStringList told;
    for (const QList<QVariant> &signal : spy) {
        const auto index = signal.at(0).value<QModelIndex>();
        if (index.column() != 2) // processor use: every process's first figure
            told << cellText(grid(), index.row(), 0) + QLatin1Char(' ') +
                        cellText(grid(), index.row(), index.column());
    }
    EXPECT_EQ(told, QStringList{QStringLiteral("NOTEPAD 3,072KB")});
}

TEST_F(ProcessesPageTest, PaceFollowsTheIntervalBox)
{
    open(processRecording(steadyAnswers(2)));
    const struct {
        const char *interval;
        int ticks, refreshes;
    } cases[] = {{"2", 3, 1}, {"2", 6, 2}, {"0.5", 4, 2}, {"0", 3, 3}, {"-1", 2, 2}};
    for (const auto &c : cases) {
        h->controls().txtupdt->setText(QString::fromLatin1(c.interval));
        h->state().TickCount = 0;
        const int before = refreshes();
        h->tick(c.ticks);
        EXPECT_EQ(refreshes() - before, c.refreshes) << c.interval << " over " << c.ticks;
    }
}

TEST_F(ProcessesPageTest, ATickCountFromAnotherPageBringsTheFirstRefreshForward)
{
    h = std::make_unique<WindowHarness>(processRecording(steadyAnswers(2)));
    h->start(QStringLiteral("/c:alpha /t:4"));
    h->clickTab(1);
    h->state().TickCount = 5;
    h->clickTab(2);
    const int before = refreshes();
    h->tick();
    EXPECT_EQ(refreshes() - before, 1);
}

TEST_F(ProcessesPageTest, TitleClicksChooseTheSortForTheNextRefresh)
{
    open(processRecording(steadyAnswers(4)));
    clickCell(0, 1);
    EXPECT_EQ(h->state().SortColumn, 2);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("ASC"));
    EXPECT_EQ(column(grid(), 0).first(), QStringLiteral("NOTEPAD")) << "no refresh follows the click";
    h->tick(3);
    EXPECT_EQ(column(grid(), 1), (QStringList{"4", "999", "1234", "1240", "40000"}));
    clickCell(0, 1);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC"));
    clickCell(2, 1); // a data row: nothing
    EXPECT_EQ(h->state().SortColumn, 2);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC"));
    h->tick(3);
    EXPECT_EQ(column(grid(), 1), (QStringList{"40000", "1240", "1234", "999", "4"}));
    clickCell(0, 3);
    EXPECT_EQ(h->state().SortColumn, 4);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC")) << "another column keeps the direction";
}

TEST_F(ProcessesPageTest, SamplesAreClearedOnceAMinuteOnTheMonotonicClock)
{
    open(processRecording(steadyAnswers(6)));
    h->tick(3);
    EXPECT_EQ(column(grid(), 2).first(), QStringLiteral("7.5"));
    h->clock.advance(61);
    h->tick(3); // values, then the reset at the end of this refresh
    EXPECT_EQ(column(grid(), 2).first(), QStringLiteral("7.5"));
    EXPECT_EQ(h->form().processesPage().samples().ProcessSampleCount(), 0);
    h->tick(3);
    EXPECT_EQ(column(grid(), 2).first(), QString())
        << "the refresh after a reset has nothing to compare with";
    h->tick(3);
    EXPECT_EQ(column(grid(), 2).first(), QStringLiteral("7.5"));
}

TEST_F(ProcessesPageTest, EndsOneProcessById)
{
    open(processRecording(steadyAnswers(3)));
    h->dialogs.answerConfirm(true);
    const int before = refreshes();
    doubleClickCell(rowOf("NOTEPAD"), 2);
    ASSERT_GE(h->dialogs.shown().size(), 2u);
    EXPECT_EQ(h->dialogs.shown()[0].text,
              QStringLiteral("Are You Sure You Wish To End Process ID: 1234(NOTEPAD)"));
    EXPECT_EQ(h->dialogs.shown()[0].title, QStringLiteral("Terminate Process"));
    EXPECT_EQ(h->dialogs.shown()[1].text, QStringLiteral("Process NOTEPAD.exe(1234) Was Terminated"));
    EXPECT_EQ(h->dialogs.shown()[1].title, QStringLiteral("Verko's Process Kill Was Successful"));
    EXPECT_EQ(h->dialogs.shown().size(), 2u);
    EXPECT_EQ(refreshes() - before, 1);
    EXPECT_TRUE(h->state().RealTimeMode);
}

TEST_F(ProcessesPageTest, EndsEveryProcessOfOneName)
{
    open(processRecording(steadyAnswers(3)));
    h->controls().chkname->setChecked(true);
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("NOTEPAD"), 0);
    EXPECT_EQ(h->dialogs.messageTexts(), (QStringList{"Are You Sure You Wish To End All 'NOTEPAD' Processes",
                                                      "Process NOTEPAD.exe(1234) Was Terminated",
                                                      "Process NOTEPAD.exe(1240) Was Terminated"}));
}

TEST_F(ProcessesPageTest, ANameWithAnInstanceSuffixMatchesNothing)
{
    open(processRecording(steadyAnswers(3)));
    h->controls().chkname->setChecked(true);
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("NOTEPAD#1"), 0);
    EXPECT_EQ(h->dialogs.messageTexts().last(), QStringLiteral("Process NOTEPAD#1 Was Not Found"));
    EXPECT_EQ(h->dialogs.shown().back().title, QString());
}

TEST_F(ProcessesPageTest, LinuxImagesHaveNoExtensionAndIdsPass32767)
{
    open(processRecording(steadyAnswers(3)));
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("SLEEP"), 1);
    EXPECT_EQ(h->dialogs.messageTexts().at(1), QStringLiteral("Process SLEEP(40000) Was Terminated"));
    h->controls().chkname->setChecked(true);
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("SLEEP"), 1);
    EXPECT_EQ(h->dialogs.messageTexts().last(), QStringLiteral("Process SLEEP(40000) Was Terminated"));
}

TEST_F(ProcessesPageTest, RefusesToEndItselfAndKeepsRealTimeMode)
{
    open(processRecording(steadyAnswers(3)));
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("QUORVIN"), 0);
    EXPECT_EQ(h->dialogs.shown().back().text, QStringLiteral("I'm Not Going To Let You Kill Me Silly"));
    EXPECT_EQ(h->dialogs.shown().back().title, QStringLiteral("Quorvin Info"));
    EXPECT_TRUE(h->state().RealTimeMode);
    EXPECT_EQ(h->source().queries("select * from win32_process"), 0);
}

// Whatever its row is called: by its ID on this computer (its row is QUORVIN#1 beside a second window), and
// by a name it shares with others, which are ended all the same.
TEST_F(ProcessesPageTest, NeverEndsItsOwnProcessWhateverItsRowIsCalled)
{
    const std::vector<Proc> procs = {{"Idle", 0},      {"quorvin", 999},   {"quorvin#1", 1001},
                                     {"sleep", 40000}, {"sleep#1", 40001}, {"_Total", 0}};
    Json list = Json::array();
    for (const auto &[name, handle] : {std::pair{"quorvin", "999"}, std::pair{"quorvin", "1001"},
                                       std::pair{"sleep", "40000"}, std::pair{"sleep", "40001"}})
        list.push_back({{"Name", name}, {"Handle", handle}});
    const struct {
        const char *row;
        bool byName;
        std::int64_t self;
        QStringList messages; // after the question
        bool listed;          // the processes were asked for
    } cases[] = {
        {"QUORVIN#1", false, 1001, {"I'm Not Going To Let You Kill Me Silly"}, false},
        {"SLEEP",
         true,
         40001,
         {"Process SLEEP(40000) Was Terminated", "I'm Not Going To Let You Kill Me Silly"},
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.row);
        open(processRecording(Json::array({perfAnswer(procs, 10'000'000), perfAnswer(procs, 20'000'000)}),
                              Json::array({list})));
        h->source().programProcessId = c.self;
        h->controls().chkname->setChecked(c.byName);
        h->dialogs.answerConfirm(true);
        doubleClickCell(rowOf(c.row), 1);
        EXPECT_EQ(h->dialogs.messageTexts().mid(1), c.messages);
        EXPECT_EQ(h->dialogs.shown().back().title, QStringLiteral("Quorvin Info"));
        EXPECT_EQ(h->source().queries("select * from win32_process") > 0, c.listed);
        EXPECT_TRUE(h->state().RealTimeMode);
    }
}

TEST_F(ProcessesPageTest, ARefusedTerminateIsReportedAsAFailure)
{
    open(processRecording(
        steadyAnswers(3),
        images(Json{{"error", {{"number", -2147024891}, {"description", "Access is denied."}}}})));
    h->dialogs.answerConfirm(true);
    const int before = refreshes();
    doubleClickCell(rowOf("SYSTEM"), 0);
    EXPECT_EQ(h->dialogs.messageTexts().last(),
              QStringLiteral("Access is denied.  ---  Process Was Probably Not Successfully Ended"));
    EXPECT_EQ(h->dialogs.shown().size(), 2u) << "never reported as terminated";
    EXPECT_TRUE(h->state().RealTimeMode);
    EXPECT_EQ(refreshes(), before);
}

TEST_F(ProcessesPageTest, NoAndTheTitleRowDoNothing)
{
    open(processRecording(steadyAnswers(3)));
    h->clickRealTime();
    doubleClickCell(rowOf("NOTEPAD"), 0); // answered No
    EXPECT_EQ(h->dialogs.shown().size(), 1u);
    EXPECT_FALSE(h->state().RealTimeMode);
    doubleClickCell(0, 1);
    EXPECT_EQ(h->dialogs.shown().size(), 1u);
    EXPECT_EQ(h->source().queries("select * from win32_process"), 0);
    EXPECT_EQ(h->state().SortColumn, 2) << "the double-click's first click still chose the sort";
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("ASC"));
}

TEST_F(ProcessesPageTest, AnIdThatIsGoneIsNamedInTheMessage)
{
    Json gone = images();
    gone[0].erase(1);
    open(processRecording(steadyAnswers(3), gone));
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("NOTEPAD"), 0);
    EXPECT_EQ(h->dialogs.messageTexts().last(), QStringLiteral("Process ID 1234 Was Not Found"));
}

TEST_F(ProcessesPageTest, AFailedRefreshIsReportedAndTheWindowStaysUsable)
{
    Json answers = steadyAnswers(1);
    answers.push_back(Json{{"error", {{"number", -2147217392}, {"description", "Invalid class"}}}});
    open(processRecording(answers));
    h->tick(3);
    EXPECT_EQ(h->dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:-2147217392 Invalid class"});
    EXPECT_FALSE(h->state().RealTimeMode);
    EXPECT_EQ(column(grid(), 0).size(), 5) << "the grid keeps what it showed";
}

// Only the counters' pseudo-entries (ID 0) are left out: a process may call itself idle and is still shown
// and ended; a null name elsewhere in the list does not stop a pass by ID.
TEST_F(ProcessesPageTest, AProcessNamedIdleIsShownAndCanBeEnded)
{
    Json answers = steadyAnswers(3);
    for (Json &answer : answers)
        answer[2]["Name"] = "idle"; // NOTEPAD, 1234
    Json list = images();
    list[0][1]["Name"] = "idle";
    list[0][0]["Name"] = nullptr;
    open(processRecording(answers, list));
    ASSERT_GT(rowOf("IDLE"), 0);
    EXPECT_TRUE(h->controls().lblpdTitle->text().startsWith(QStringLiteral("6 Processes")));
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("IDLE"), 0);
    EXPECT_EQ(h->dialogs.messageTexts().at(1), QStringLiteral("Process IDLE(1234) Was Terminated"));
}

// The row double-clicked is the one acted on, though a refresh moved the current cell in between.
TEST_F(ProcessesPageTest, TheDoubleClickedRowIsTheOneEnded)
{
    open(processRecording(steadyAnswers(3)));
    QTableView *g = grid();
    const QPoint at = g->visualRect(g->model()->index(rowOf("NOTEPAD"), 0)).center();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
    h->form().RefreshProcesses();
    ASSERT_NE(g->currentIndex().row(), rowOf("NOTEPAD"));
    h->dialogs.answerConfirm(true);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(h->dialogs.messageTexts().first(),
              QStringLiteral("Are You Sure You Wish To End Process ID: 1234(NOTEPAD)"));
}

// An ID that now names another process (another start time) is not that process; and a pass never turns
// Real Time Mode on behind a cleared box.
TEST_F(ProcessesPageTest, AReusedIdIsNotEndedAndRealTimeModeStaysAsItWas)
{
    Json answers = steadyAnswers(3);
    for (Json &answer : answers)
        answer[2]["StartTime"] = "5000";
    Json list = images(Json{{"error", {{"number", -2147217407}, {"description", "must not be called"}}}});
    list[0][1]["StartTime"] = "7000";
    open(processRecording(answers, list));
    h->clickRealTime();
    h->dialogs.answerConfirm(true);
    doubleClickCell(rowOf("NOTEPAD"), 0);
    EXPECT_EQ(h->dialogs.messageTexts().last(), QStringLiteral("Process ID 1234 Was Not Found"));
    EXPECT_FALSE(h->state().RealTimeMode);
    const int before = refreshes();
    h->tick(6);
    EXPECT_EQ(refreshes(), before) << "the poll stays off while the box is cleared";
}
