// The PCP source against real collectors (tests/infra/pcp-up.sh): the pages over TCP and through local:,
// values against the collector's own tools, an archive replayed to its end, a collector that refuses
// per-process values, and one frozen and resumed.
#include "Command.h"
#include "TestCollector.h"
#include "kit/GridCells.h"
#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/pcp/ArchiveSource.h"
#include "mgmt/pcp/PcpSource.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTableView>

#include <gtest/gtest.h>

#include <filesystem>

using namespace quorvin;
using namespace quorvin::test;

namespace {

const std::string WorkDir = QUORVIN_PCP_WORK_DIR;

// The collectors are started once for all the tests; a machine that cannot run them skips.
class PcpCollectors : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_skip = TestCollector::missingTools();
        if (!s_skip.empty())
            return;
        std::filesystem::create_directories(WorkDir);
        s_live = std::make_unique<TestCollector>(WorkDir, "qvpcp1", "198.18.124", false);
        // local: is the collector's Unix socket, which pcp-up.sh puts in its folder.
        ::setenv("PMCD_SOCKET", (s_live->dir() + "/pmcd.socket").c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        s_live.reset();
        ::unsetenv("PMCD_SOCKET");
    }
    void SetUp() override
    {
        if (!s_skip.empty())
            GTEST_SKIP() << s_skip;
    }

    static const TestCollector &live() { return *s_live; }

private:
    static inline std::string s_skip;
    static inline std::unique_ptr<TestCollector> s_live;
};

std::string text(const mgmt::Value &value)
{
    return value.isNull() ? "(null)" : mgmt::toText(value);
}

const mgmt::Instance &named(const std::vector<mgmt::Instance> &instances, const std::string &name)
{
    for (const mgmt::Instance &instance : instances)
        if (text(instance.get(mgmt::prop::Name)) == name)
            return instance;
    throw std::runtime_error("no instance " + name);
}

std::vector<mgmt::Instance> instancesOf(mgmt::Source &source, const std::string &computer,
                                        std::string_view className)
{
    return source.connect("winmgmts://" + computer)->instancesOf(className);
}

bool gridHolds(const QTableView *grid, const QString &text)
{
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            if (cellText(grid, row, column).trimmed() == text)
                return true;
    return false;
}

std::string errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const mgmt::Error &error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

// Each page shows the collector, over TCP and through its Unix socket (local:).
TEST_F(PcpCollectors, EachPageShowsTheCollector)
{
    const std::string release = live().pminfo("kernel.uname.release");
    const QString idle = QString::number(live().pidOf("qvidle"));
    for (const std::string &name : {live().overTcp(), std::string("pcp://local:")}) {
        SCOPED_TRACE(name);
        WindowHarness h(std::make_unique<mgmt::pcp::PcpSource>());
        h.start(QString::fromStdString("/c:" + name + " /t:1"));
        EXPECT_EQ(h.controls().lbltitle2->text().toStdString(), "Linux " + release);
        EXPECT_TRUE(h.controls().lblProc->text().endsWith(QStringLiteral(" Active Processes")));

        h.clickTab(1);
        h.tick(3);
        EXPECT_TRUE(h.controls().lblPercent->text().endsWith(QLatin1Char('%')));

        h.clickTab(2);
        EXPECT_TRUE(gridHolds(h.controls().msfg, idle)) << "qvidle's row";

        h.clickTab(4);
        h.tick(1);
        EXPECT_GE(h.controls().lstNet->count(), 2) << "lo and the veth end";

        EXPECT_TRUE(h.dialogs.messageTexts().isEmpty())
            << h.dialogs.messageTexts().join(QLatin1Char('\n')).toStdString();
        // PCP knows no services: one message, and Real Time Mode goes off.
        h.clickTab(3);
        ASSERT_EQ(h.dialogs.messageTexts().size(), 1);
        EXPECT_TRUE(h.dialogs.messageTexts().front().contains(
            QStringLiteral("Performance Co-Pilot has no metrics of services")));
        EXPECT_FALSE(h.controls().chkRealTime->isChecked());
    }
}

// What the classes give agrees with the collector's own tools over the same interval: counters read before
// and after lie around ours, and what does not move is equal.
TEST_F(PcpCollectors, ValuesAgreeWithTheCollectorsOwnTools)
{
    mgmt::pcp::PcpSource source;
    const std::string computer = live().overTcp();
    const std::string idle = std::to_string(live().pidOf("qvidle"));
    const auto idleTime = [&] {
        return live().pminfoNumber("kernel.all.cpu.idle") + live().pminfoNumber("kernel.all.cpu.wait.total");
    };
    const auto received = [&] { return live().pminfoNumber("network.interface.in.bytes", "lo"); };

    const double idleBefore = idleTime(), receivedBefore = received();
    const auto processes = instancesOf(source, computer, mgmt::cls::ProcessCounters);
    const auto interfaces = instancesOf(source, computer, mgmt::cls::NetworkInterface);
    const double idleAfter = idleTime(), receivedAfter = received();

    const double ours =
        mgmt::toDouble(named(processes, "Idle").get(mgmt::prop::PercentProcessorTime)) / 10'000;
    EXPECT_GE(ours, idleBefore);
    EXPECT_LE(ours, idleAfter);
    const double lo = mgmt::toDouble(named(interfaces, "lo").get(mgmt::prop::BytesReceived));
    EXPECT_GE(lo, receivedBefore);
    EXPECT_LE(lo, receivedAfter);

    // A sleeping process: its memory and times do not move.
    const mgmt::Instance &sleeper = named(processes, "qvidle");
    EXPECT_EQ(text(sleeper.get(mgmt::prop::IDprocess)), idle);
    EXPECT_EQ(mgmt::toDouble(sleeper.get(mgmt::prop::WorkingSet)),
              live().pminfoNumber("proc.memory.rss", idle) * 1024);
    EXPECT_EQ(
        mgmt::toDouble(sleeper.get(mgmt::prop::PercentProcessorTime)),
        (live().pminfoNumber("proc.psinfo.utime", idle) + live().pminfoNumber("proc.psinfo.stime", idle)) *
            10'000);
    EXPECT_EQ(text(sleeper.get(mgmt::prop::ThreadCount)), live().pminfo("proc.psinfo.threads", idle));
    EXPECT_EQ(mgmt::toDouble(named(interfaces, "p_qvpcp1_r").get(mgmt::prop::CurrentBandWidth)),
              std::round(live().pminfoNumber("network.interface.speed", "p_qvpcp1_r") * 8 * 1048576 / 1e6) *
                  1e6);
}

// A name that reaches no collector is a computer that cannot be found.
TEST_F(PcpCollectors, ANameThatReachesNoCollectorCannotBeFound)
{
    mgmt::pcp::PcpSource source;
    for (const std::string name : {"pcp://198.18.124.2:1", "pcp://", "pcp://two words"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(errorOf([&] { source.connect("winmgmts://" + name); }).rfind("462 ", 0), 0u);
    }
}

// Per-process values refused over TCP: Process Details says exactly that, naming the collector; the other
// pages and local: are not touched.
TEST_F(PcpCollectors, ACollectorThatRefusesProcessesSaysSo)
{
    const TestCollector refusing(WorkDir, "qvpcp2", "198.18.125", true);
    WindowHarness h(std::make_unique<mgmt::pcp::PcpSource>());
    h.start(QStringLiteral("/c:pcp://198.18.125.2 /t:3"));
    ASSERT_EQ(h.dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(h.dialogs.messageTexts().front().startsWith(
        QStringLiteral("The Following Error Has occured:-2147024891 Access is denied. The PCP collector "
                       "pcp://198.18.125.2 gives no per-process values to this connection")))
        << h.dialogs.messageTexts().front().toStdString();
    mgmt::pcp::PcpSource source;
    EXPECT_EQ(instancesOf(source, "pcp://198.18.125.2", mgmt::cls::OperatingSystem).size(), 1u);
}

// Replayed from its first record, a second a poll tick, with the archive's time as the time of the last
// update; at its end one message, Real Time Mode off, and the last values after that.
TEST_F(PcpCollectors, AnArchiveReplaysToItsEnd)
{
    const std::string archive = live().dir() + "/replayed";
    for (const char *suffix : {".0", ".meta", ".index"})
        std::filesystem::remove(archive + suffix);
    live().ctl({"archive", archive, "4"});

    mgmt::pcp::ArchiveSource source(archive + ".meta", "alpha");
    EXPECT_EQ(source.hostName(), live().name());
    for (const std::string name : {"", "alpha", "QVPCP1"})
        EXPECT_EQ(instancesOf(source, name, mgmt::cls::OperatingSystem).size(), 1u) << name;
    EXPECT_EQ(errorOf([&] { source.connect("winmgmts://other"); }).rfind("462 ", 0), 0u);

    WindowHarness h(std::make_unique<mgmt::pcp::ArchiveSource>(archive, "alpha"));
    h.start(QStringLiteral("/c: /t:1"));
    h.tick(3);
    // The archive's time, not the clock's.
    const QString shown = QDateTime::fromSecsSinceEpoch(std::chrono::duration_cast<std::chrono::seconds>(
                                                            h.source().answersTime()->time_since_epoch())
                                                            .count())
                              .time()
                              .toString(QStringLiteral("h:mm:ss AP")); // as the label writes it
    EXPECT_TRUE(h.controls().lblUpdate->text().contains(shown))
        << h.controls().lblUpdate->text().toStdString();
    EXPECT_GT(*h.source().answersTime(), *source.answersTime()) << "moved on with the poll";
    h.clickTab(2);
    for (int tick = 0; tick < 100 && h.controls().chkRealTime->isChecked(); ++tick)
        h.tick();
    ASSERT_EQ(h.dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(h.dialogs.messageTexts().front().contains(QStringLiteral(": the replay is over")));
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());
    h.clickTab(0);
    EXPECT_EQ(h.dialogs.messageTexts().size(), 1) << "said once";
}

// Compressed archives replay; a cut one gives a clear error naming it.
TEST_F(PcpCollectors, ArchivesCompressedOrCut)
{
    const std::string archive = live().dir() + "/kept";
    for (const char *suffix : {".0", ".0.xz", ".meta", ".index"})
        std::filesystem::remove(archive + suffix);
    live().ctl({"archive", archive, "3"});
    const std::string cut = live().dir() + "/cut";
    for (const char *suffix : {".0", ".meta", ".index"}) {
        std::filesystem::copy_file(archive + suffix, cut + suffix,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::filesystem::resize_file(cut + ".0", std::filesystem::file_size(cut + ".0") / 2);
    std::filesystem::resize_file(cut + ".meta", std::filesystem::file_size(cut + ".meta") / 2);
    Command::check({"xz", archive + ".0"});

    mgmt::pcp::ArchiveSource compressed(archive + ".0.xz", "alpha");
    EXPECT_GT(instancesOf(compressed, "", mgmt::cls::ProcessCounters).size(), 2u);

    const std::string said = errorOf([&] {
        mgmt::pcp::ArchiveSource source(cut, "alpha");
        for (int second = 0; second < 10; ++second, source.pollSecond())
            instancesOf(source, "", mgmt::cls::ProcessCounters);
    });
    EXPECT_NE(said.find("The PCP archive " + cut), std::string::npos) << said;
}

// A collector frozen with SIGSTOP: the call ends with a clear report within the bounds while the window keeps
// painting, and the next call after it resumed connects anew.
TEST_F(PcpCollectors, AFrozenCollectorIsReportedAndReconnected)
{
    mgmt::pcp::PcpSource source;
    int waits = 0;
    source.setWhileWaiting([&] { ++waits; });
    const std::string computer = live().overTcp();
    auto service = source.connect("winmgmts://" + computer);
    EXPECT_FALSE(service->instancesOf(mgmt::cls::ProcessCounters).empty());
    live().ctl({"stall"});
    const std::string said = errorOf([&] { service->instancesOf(mgmt::cls::ProcessCounters); });
    live().ctl({"resume"});
    EXPECT_NE(said.find(computer), std::string::npos) << said;
    EXPECT_GT(waits, 0);
    EXPECT_FALSE(instancesOf(source, computer, mgmt::cls::ProcessCounters).empty());
}
