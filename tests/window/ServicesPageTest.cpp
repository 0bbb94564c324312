#include "pages/services/ServicesPage.h"
#include "kit/GridCells.h"
#include "kit/VbColor.h"
#include "support/GridClicks.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::test;

namespace {

Json service(const std::string &caption, const std::string &name, const std::string &mode, bool started)
{
    return {{"Caption", caption}, {"Name", name}, {"StartMode", mode}, {"Started", started}};
}

Json servicesRecording(const Json &answers)
{
    return recording(
        "alpha",
        {{"select * from win32_operatingsystem", Json::array({Json::array({operatingSystem()})})},
         {"select * from win32_perfrawdata_perfos_processor", Json::array({processorAnswer(1000, 5000)})},
         {"select * from win32_perfrawdata_perfproc_process", Json::array({Json::array()})},
         {"select * from win32_service", answers}});
}

Json standardList()
{
    return Json::array({service("Print Spooler", "Spooler", "Auto", true),
                        service("Secure Shell server", "ssh.service", "Auto", false),
                        service("Cron", "cron.service", "Manual", true),
                        service("apt daily", "apt-daily.service", "Disabled", false),
                        service("it's quoted", "it's.service", "Auto", false)});
}

Json numbered(int count, int startedEvery = 2)
{
    Json list = Json::array();
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "svc%03d", count - i);
        list.push_back(
            service(std::string("Service ") + name, name, i % 3 ? "Auto" : "Manual", i % startedEvery == 0));
    }
    return list;
}

struct ServicesPageTest : ::testing::Test {
    void open(const Json &answers)
    {
        h = std::make_unique<WindowHarness>(servicesRecording(answers));
        h->start(QStringLiteral("/c:alpha /t:4"));
    }
    QTableView *grid() { return h->controls().msfgServ; }
    int refreshes() { return h->source().queries("select * from win32_service"); }
    QStringList column(int col)
    {
        QStringList out;
        for (int r = 1; r < grid()->model()->rowCount(); ++r)
            out << cellText(grid(), r, col);
        return out;
    }
    int rowOf(const char *name) { return rowWithText(grid(), 1, QString::fromLatin1(name)); }
    void click(int row, int col) { clickCell(grid(), row, col); }
    std::unique_ptr<WindowHarness> h;
};

} // namespace

TEST_F(ServicesPageTest, ListsServicesWithTheirControlCells)
{
    open(Json::array({standardList()}));
    EXPECT_EQ(cellText(grid(), 0, 0), QStringLiteral("              Display Name"));
    EXPECT_EQ(cellText(grid(), 0, 4), QStringLiteral("Control"));
    EXPECT_EQ(column(0),
              (QStringList{"apt daily", "Cron", "it's quoted", "Print Spooler", "Secure Shell server"}));
    const int spooler = rowOf("Spooler"), ssh = rowOf("ssh.service");
    EXPECT_EQ(cellText(grid(), spooler, 3), QStringLiteral("Started"));
    EXPECT_EQ(cellText(grid(), spooler, 4), QStringLiteral("Stop"));
    EXPECT_EQ(valueFromColor(cellBackground(grid(), spooler, 4)), 4095);
    EXPECT_EQ(cellText(grid(), ssh, 3), QStringLiteral("Stopped"));
    EXPECT_EQ(cellText(grid(), ssh, 4), QStringLiteral("Start"));
    EXPECT_EQ(valueFromColor(cellBackground(grid(), ssh, 4)), 65280);
    EXPECT_EQ(h->controls().lblServtit->text(), QStringLiteral("Currently 2 Out Of 5 Services Are Started"));
}

TEST_F(ServicesPageTest, CountsInPlainNumbersAndNeverRunsOutOfRows)
{
    for (int count : {0, 112, 200, 201, 260}) {
        SCOPED_TRACE(count);
        open(Json::array({numbered(count)}));
        EXPECT_EQ(grid()->model()->rowCount(), count + 1);
        const int started = (count + 1) / 2;
        EXPECT_EQ(h->controls().lblServtit->text(),
                  QStringLiteral("Currently %1 Out Of %2 Services Are Started").arg(started).arg(count));
        EXPECT_TRUE(h->dialogs.shown().empty());
        if (count > 1) {
            EXPECT_EQ(cellText(grid(), 1, 1), QStringLiteral("svc001"));
        }
    }
}

TEST_F(ServicesPageTest, SortsOnTheStatusAndIgnoresLetterCase)
{
    open(Json::array({Json::array({service("b", "x1", "Auto", false), service("B", "x2", "Auto", true),
                                   service("a", "x3", "Auto", false), service("A", "x4", "Auto", true)})}));
    EXPECT_EQ(column(1), (QStringList{"x3", "x4", "x1", "x2"}))
        << "keys equal but for case are never exchanged";
    click(0, 3);
    EXPECT_EQ(column(3), (QStringList{"Started", "Started", "Stopped", "Stopped"}));
    click(0, 3);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC"));
    EXPECT_EQ(column(3), (QStringList{"Stopped", "Stopped", "Started", "Started"}));
    click(0, 1);
    EXPECT_EQ(h->state().SortColumn, 2);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC")) << "another column keeps the direction";
}

TEST_F(ServicesPageTest, ClicksThatDoNothing)
{
    open(Json::array({standardList()}));
    const int before = refreshes();
    click(0, 4); // the Control title
    click(2, 0); // a data cell
    click(3, 3);
    EXPECT_EQ(refreshes(), before);
    EXPECT_TRUE(h->dialogs.shown().empty());
}

TEST_F(ServicesPageTest, StartsAnAutomaticServiceAndRefreshes)
{
    Json after = standardList();
    after[1]["Started"] = true;
    open(Json::array({standardList(), after}));
    click(rowOf("ssh.service"), 4);
    EXPECT_TRUE(h->dialogs.shown().empty());
    EXPECT_EQ(h->source().queries("select * from win32_service where name ='ssh.service'"), 1);
    EXPECT_EQ(cellText(grid(), rowOf("ssh.service"), 4), QStringLiteral("Stop"));
    EXPECT_EQ(h->state().SortColumn, 1) << "the click never also changes the sort";
}

TEST_F(ServicesPageTest, ManualAndDisabledServicesAreRefusedEvenToStop)
{
    open(Json::array({standardList()}));
    const int before = refreshes();
    click(rowOf("cron.service"), 4);
    click(rowOf("apt-daily.service"), 4);
    ASSERT_EQ(h->dialogs.shown().size(), 2u);
    EXPECT_EQ(h->dialogs.shown()[0].text,
              QStringLiteral("Services in Manual or Disabled Mode Cannot be Started"));
    EXPECT_EQ(h->dialogs.shown()[0].title, QStringLiteral("Service Control"));
    EXPECT_EQ(refreshes(), before);
}

TEST_F(ServicesPageTest, AQuoteInTheNameIsMatchedLiterally)
{
    open(Json::array({standardList()}));
    click(rowOf("it's.service"), 4);
    EXPECT_EQ(h->source().queries("select * from win32_service where name ='it\\'s.service'"), 1);
    EXPECT_TRUE(h->dialogs.shown().empty());
}

TEST_F(ServicesPageTest, AServiceThatIsGoneIsReportedAndTheListRefreshed)
{
    Json without = standardList();
    without.erase(1);
    open(Json::array({standardList(), without}));
    const int before = refreshes();
    click(rowOf("ssh.service"), 4);
    EXPECT_EQ(h->dialogs.messageTexts(),
              QStringList{"The Service Could not be found to complete the specified Action"});
    EXPECT_GE(refreshes(), before + 1);
    EXPECT_EQ(rowOf("ssh.service"), -1);
}

TEST_F(ServicesPageTest, ARefusedRequestIsReported)
{
    Json list = standardList();
    list[0]["__methods"] = {
        {"StopService", {{"error", {{"number", -2147024891}, {"description", "Access denied"}}}}}};
    open(Json::array({list}));
    click(rowOf("Spooler"), 4);
    EXPECT_EQ(h->dialogs.messageTexts(),
              QStringList{"The Following Error Has occured:-2147024891 Access denied"});
    EXPECT_EQ(h->dialogs.shown()[0].title, QStringLiteral("Application Error"));
    EXPECT_FALSE(h->state().RealTimeMode);
}

TEST_F(ServicesPageTest, AComputerThatCannotBeReachedIsReportedOnce)
{
    Json r =
        recording("alpha", {{"select * from win32_service", Json::array({standardList()})},
                            {"select * from win32_service where name ='ssh.service'",
                             Json::array({Json{{"error", {{"number", 462}, {"description", "gone"}}}}})}});
    h = std::make_unique<WindowHarness>(r);
    h->start(QStringLiteral("/c:alpha /t:4"));
    click(rowOf("ssh.service"), 4);
    EXPECT_EQ(h->dialogs.messageTexts(), QStringList{"Computer Name Entered Was Not Found, Please Check"});
}

TEST_F(ServicesPageTest, NullTextsShowEmptyAndNullStartedIsStopped)
{
    open(Json::array({Json::array(
        {{{"Caption", nullptr}, {"Name", "odd.service"}, {"StartMode", nullptr}, {"Started", nullptr}}})}));
    EXPECT_TRUE(h->dialogs.shown().empty());
    EXPECT_EQ(cellText(grid(), 1, 0), QString());
    EXPECT_EQ(cellText(grid(), 1, 2), QString());
    EXPECT_EQ(cellText(grid(), 1, 4), QStringLiteral("Start"));
}

TEST_F(ServicesPageTest, EnteringThePageResetsTheSortButRealTimeModeKeepsIt)
{
    open(Json::array({standardList()}));
    click(0, 2);
    click(0, 2);
    EXPECT_EQ(h->state().SortColumn, 3);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("DEC"));
    h->clickRealTime();
    h->clickRealTime();
    EXPECT_EQ(h->state().SortColumn, 3);
    h->clickTab(0);
    h->clickTab(3);
    EXPECT_EQ(h->state().SortColumn, 1);
    EXPECT_EQ(h->state().SortOrder, QStringLiteral("ASC"));
    const int before = refreshes();
    QTest::mouseClick(h->controls().cmdRF, Qt::LeftButton);
    EXPECT_EQ(refreshes(), before + 1);
    h->tick(5);
    EXPECT_EQ(refreshes(), before + 1) << "the poll never refreshes this page";
}

TEST_F(ServicesPageTest, AnUnreachableComputerAsksForAnotherName)
{
    open(Json::array({standardList()}));
    h->clickRealTime();
    h->controls().txtComp->setText(QStringLiteral("nowhere"));
    h->clickRealTime();
    EXPECT_EQ(h->dialogs.messageTexts(), QStringList{"Computer Name Entered Was Not Found, Please Check"});
    EXPECT_FALSE(h->controls().chkRealTime->isChecked());
    EXPECT_TRUE(h->controls().txtComp->isEnabled());
}
