#include "mgmt/Error.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessTexts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quorvin::mgmt::linux_::test {
namespace {

std::string errorText(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.number() == err::Failed ? e.description() : "wrong number " + std::to_string(e.number());
    }
    return "no error";
}

// ---- the per-process texts -----------------------------------------------------------------------------

TEST(ProcessTexts, StatNameMayHoldBlanksAndParentheses)
{
    const std::string tail = " S 1 2 3 0 -1 4194560 1 0 0 0 11 22 0 0 20 0 7 0 333 4096 10 0\n";
    const struct {
        std::string text;
        const char *name;
    } cases[] = {
        {"1 (systemd)" + tail, "systemd"},
        {"42 (Web Content)" + tail, "Web Content"},
        {"42 (my) app (2))" + tail, "my) app (2)"},
        {"42 ())" + tail, ")"},
        {"42 ()" + tail, ""},
        {"42 (a) S 1 2 3 4 5 6 7 8 9 10 1 2 3 4 5 6 7 8 9)" + tail,
         "a) S 1 2 3 4 5 6 7 8 9 10 1 2 3 4 5 6 7 8 9"},
    };
    for (const auto &c : cases) {
        const ProcessStat stat = parseProcessStat(c.text, "/proc/42/stat");
        EXPECT_EQ(stat.name, c.name) << c.text;
        EXPECT_EQ(stat.state, 'S') << c.text;
        EXPECT_EQ(stat.userTicks, 11u) << c.text;
        EXPECT_EQ(stat.systemTicks, 22u) << c.text;
        EXPECT_EQ(stat.threads, 7u) << c.text;
        EXPECT_EQ(stat.startTicks, 333u) << c.text;
    }
    EXPECT_EQ(parseProcessStat("4194304 (x)" + tail, "f").pid, 4194304);
}

TEST(ProcessTexts, MalformedTextsNameTheFileAndTheFault)
{
    const auto stat = [](const char *text) { return [=] { parseProcessStat(text, "/proc/7/stat"); }; };
    const auto statm = [](const char *text) { return [=] { parseProcessStatm(text, "/proc/7/statm"); }; };
    const auto status = [](const char *text) { return [=] { parseStatusSwapKb(text, "/proc/7/status"); }; };
    const auto uptime = [](const char *text) { return [=] { parseUptime100Ns(text, "/proc/uptime"); }; };
    const struct {
        std::function<void()> parse;
        const char *file;
        const char *fault;
    } cases[] = {
        {stat(""), "/proc/7/stat", "empty"},
        {stat("7 (broken S 1 2 3"), "/proc/7/stat", "parentheses"},
        {stat("7 )x( S 1"), "/proc/7/stat", "parentheses"},
        {stat("(x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"), "/proc/7/stat", "process ID"},
        {stat("0 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"), "/proc/7/stat", "process ID"},
        {stat("7 (x) Sl 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"), "/proc/7/stat",
         "one-letter state"},
        {stat("7 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18"), "/proc/7/stat", "ends after field 21"},
        {stat("7 (x) S 1 2 3 4 5 6 7 8 9 10 -1 12 13 14 15 16 17 18 19 20"), "/proc/7/stat", "\"utime\""},
        {stat("7 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19x 20"), "/proc/7/stat",
         "\"starttime\""},
        {statm("5 6"), "/proc/7/statm", "no field \"shared\""},
        {statm("5 six 7"), "/proc/7/statm", "\"resident\""},
        {status("Name:\tx\nVmSwap:\t   lots kB\n"), "/proc/7/status", "\"lots\""},
        {status("VmSwap:\t12 MB\n"), "/proc/7/status", "instead of kB"},
        {uptime(""), "/proc/uptime", "empty"},
        {uptime("12.x 3.00"), "/proc/uptime", "\"12.x\""},
        {uptime("12. 3.00"), "/proc/uptime", "\"12.\""},
        {uptime("-1.00 3.00"), "/proc/uptime", "\"-1.00\""},
        {uptime("99999999999999999999.00"), "/proc/uptime", "not a number"},
        {uptime("1844674407371.00"), "/proc/uptime", "too large"},
    };
    for (const auto &c : cases) {
        const std::string text = errorText(c.parse);
        EXPECT_NE(text.find(c.file), std::string::npos) << text;
        EXPECT_NE(text.find(c.fault), std::string::npos) << text;
    }
}

TEST(ProcessTexts, SwapAndUptimeValues)
{
    EXPECT_EQ(parseStatusSwapKb("VmSwap:\t 12 kB\nThreads:\t1\n", "f"), 12u);
    EXPECT_EQ(parseStatusSwapKb("Name:\tx\nVmSwap:\t       0 kB\n", "f"), 0u);
    EXPECT_EQ(parseStatusSwapKb("Name:\tkthreadd\nThreads:\t1\n", "f"), 0u); // kernel threads have none
    EXPECT_EQ(parseStatusSwapKb("Name:\tVmSwap: 9 kB\n", "f"), 0u);          // only at a line's start
    const struct {
        const char *text;
        std::uint64_t expected;
    } uptimes[] = {
        {"350735.47 634388.90\n", 3'507'354'700'000},
        {"0.01 0.00\n", 100'000},
        {"7\n", 70'000'000},
        {"1.123456789 0\n", 11'234'567},
        {"1844674407370.00", 18'446'744'073'700'000'000u},
    };
    for (const auto &c : uptimes)
        EXPECT_EQ(parseUptime100Ns(c.text, "f"), c.expected) << c.text;
}

// ---- instances from samples ----------------------------------------------------------------------------

ProcessSample sample(std::int32_t pid, std::string name, std::uint64_t ticks = 0)
{
    ProcessSample s;
    s.pid = pid;
    s.name = std::move(name);
    s.cpuTicks = ticks;
    return s;
}

TEST(ProcessPerf, LaterProcessesOfANameGetNumbered)
{
    ProcessWalk walk;
    for (const char *name : {"bash", "sshd", "bash", "bash", "sshd", "bash#1", "Bash"})
        walk.processes.push_back(sample(static_cast<std::int32_t>(walk.processes.size() + 1), name));
    const std::vector<Instance> instances = processPerfInstances(walk, 100, 4096);
    const std::vector<std::string> expected = {"Idle",   "bash",   "sshd", "bash#1", "bash#2",
                                               "sshd#1", "bash#1", "Bash", "_Total"};
    ASSERT_EQ(instances.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(instances[i].get("Name"), Value(expected[i]));
}

TEST(ProcessPerf, TicksBecome100NsOneByOneAndTheTotalAddsWhatIsShown)
{
    ProcessWalk walk;
    walk.idleTicks = 1025;
    walk.processes = {sample(1, "a", 3), sample(2, "b", 1023)};
    const std::vector<Instance> instances = processPerfInstances(walk, 1024, 4096);
    const char *expected[] = {"10009765", "29296", "9990234", "20029295"}; // each rounded down
    ASSERT_EQ(instances.size(), std::size(expected));
    for (std::size_t i = 0; i < instances.size(); ++i)
        EXPECT_EQ(instances[i].get("PercentProcessorTime"), Value(expected[i]));
}

TEST(ProcessPerf, MemoryCountersInBytes)
{
    ProcessWalk walk;
    ProcessSample racing = sample(1, "racing"); // more shared than resident pages: nothing private
    racing.residentPages = 10;
    racing.sharedPages = 12;
    racing.swappedKb = 3;
    walk.processes = {racing};
    const std::vector<Instance> instances = processPerfInstances(walk, 100, 16384);
    EXPECT_EQ(instances[1].get("WorkingSet"), Value("163840"));
    EXPECT_EQ(instances[1].get("PageFileBytes"), Value("3072"));

    ProcessSample huge = sample(2, "huge");
    huge.residentPages = UINT64_MAX / 4096 + 1;
    walk.processes = {huge};
    EXPECT_NE(errorText([&] { processPerfInstances(walk, 100, 4096); }).find("\"huge\" is too large"),
              std::string::npos);
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
