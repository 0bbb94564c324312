#include "Fixtures.h"

#include "mgmt/Error.h"
#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"

#include <gtest/gtest.h>

#include <functional>

namespace quorvin::mgmt::linux_::test {
namespace {

// ---- the saved systems (their other files are checked through LocalSource) ----------------------------

struct SystemCase {
    std::string root;
    std::size_t processorLines;
    CpuTimes cpu0;
};

std::ostream &operator<<(std::ostream &out, const SystemCase &c)
{
    return out << c.root;
}

class SavedSystem : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SavedSystem, ProcStatGivesEveryProcessorLine)
{
    const SystemCase &c = GetParam();
    const CpuStat stat = parseCpuStat(readFixture(c.root + "/proc/stat"));
    ASSERT_EQ(stat.processors.size(), c.processorLines);
    for (std::size_t i = 0; i < stat.processors.size(); ++i)
        EXPECT_EQ(stat.processors[i].index, i);
    const CpuTimes &cpu0 = stat.processors.front().times;
    EXPECT_EQ(cpu0.idleTicks(), c.cpu0.idleTicks());
    EXPECT_EQ(cpu0.totalTicks(), c.cpu0.totalTicks());
}

// user nice system idle iowait irq softirq steal, as in each fixture's "cpu0" line (guest left out).
INSTANTIATE_TEST_SUITE_P(
    Fixtures, SavedSystem,
    ::testing::Values(SystemCase{"laptop-2core", 2, {2100, 10, 1300, 24900, 28, 1, 129, 0}},
                      SystemCase{"server-64core-2socket", 64, {21000, 200, 12000, 708000, 801, 1, 907, 5}},
                      SystemCase{"container-noswap", 4, {210, 2, 140, 4670, 6, 4, 34, 0}},
                      SystemCase{"vm-1cpu-bare", 1, {4200, 0, 1200, 79500, 68, 2, 287, 5}}),
    [](const auto &test) {
        std::string name = test.param.root;
        std::erase(name, '-');
        return name;
    });

// ---- damaged files -------------------------------------------------------------------------------------

struct DamagedCase {
    std::string file;
    std::function<void(std::string_view)> parse;
    std::string names;   // the file the description must name
    std::string problem; // and a word of what is wrong
};

std::ostream &operator<<(std::ostream &out, const DamagedCase &c)
{
    return out << c.file;
}

class DamagedFile : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedFile, RaisesAFailureThatNamesTheFileAndTheFault)
{
    const DamagedCase &c = GetParam();
    const std::string text = readFixture("malformed/" + c.file);
    try {
        c.parse(text);
        FAIL() << "no error for " << c.file;
    } catch (const Error &e) {
        EXPECT_EQ(e.number(), err::Failed);
        EXPECT_NE(e.description().find(c.names), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(c.problem), std::string::npos) << e.description();
    }
}

const auto cpuStat = [](std::string_view text) { parseCpuStat(text); };
const auto bootTime = [](std::string_view text) { parseBootTime(text); };
const auto memInfo = [](std::string_view text) { parseMemInfo(text); };
const auto cpuInfo = [](std::string_view text) { parseCpuInfo(text); };
const auto prettyName = [](std::string_view text) { osReleaseValue(text, "PRETTY_NAME", "/etc/os-release"); };

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamagedFile,
    ::testing::Values(DamagedCase{"stat-empty", cpuStat, "/proc/stat", "empty"},
                      DamagedCase{"stat-no-cpu-line", cpuStat, "/proc/stat", "aggregate \"cpu\" line"},
                      DamagedCase{"stat-non-numeric", cpuStat, "/proc/stat", "\"cpu1\""},
                      DamagedCase{"stat-truncated", cpuStat, "/proc/stat", "truncated"},
                      DamagedCase{"stat-too-few-fields", cpuStat, "/proc/stat", "only 4 time fields"},
                      DamagedCase{"stat-no-processor-lines", cpuStat, "/proc/stat", "no processor"},
                      DamagedCase{"stat-no-btime", bootTime, "/proc/stat", "no \"btime\""},
                      DamagedCase{"stat-btime-garbage", bootTime, "/proc/stat", "soon"},
                      DamagedCase{"stat-empty", bootTime, "/proc/stat", "btime"},
                      DamagedCase{"meminfo-empty", memInfo, "/proc/meminfo", "empty"},
                      DamagedCase{"meminfo-no-memavailable", memInfo, "/proc/meminfo", "MemAvailable"},
                      DamagedCase{"meminfo-non-numeric", memInfo, "/proc/meminfo", "54321OO"},
                      DamagedCase{"meminfo-truncated", memInfo, "/proc/meminfo", "truncated"},
                      DamagedCase{"meminfo-no-colon", memInfo, "/proc/meminfo", "Buffers"},
                      DamagedCase{"cpuinfo-empty", cpuInfo, "/proc/cpuinfo", "empty"},
                      DamagedCase{"cpuinfo-truncated", cpuInfo, "/proc/cpuinfo", "truncated"},
                      DamagedCase{"cpuinfo-bad-physical-id", cpuInfo, "/proc/cpuinfo", "zero"},
                      DamagedCase{"cpuinfo-no-processor", cpuInfo, "/proc/cpuinfo", "no processor"},
                      DamagedCase{"os-release-unterminated", prettyName, "/etc/os-release",
                                  "does not close"}),
    [](const auto &test) {
        std::string name = test.param.file + "_" + std::to_string(test.index);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// Lines the kernel never writes that a careless parser would still take.
TEST(ProcStat, RejectsLinesThatAreNotProcessors)
{
    const struct {
        const char *text;
        const char *problem;
    } cases[] = {
        {"cpu  1 2 3 4 5 6 7 8\ncpuX 1 2 3 4 5 6 7 8\n", "\"cpuX\""},
        {"cpu  1 2 3 4 5 6 7 8\ncpu1 1 2 3 4 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\n", "out of order"},
        {"cpu  1 2 3 4 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\ncpu  1 2 3 4 5 6 7 8\n", "twice"},
        {"cpu0 1 2 3 4 5 6 7 8\n", "aggregate"},
        {"cpu  1 2 3 -4 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\n", "idle"},
        {"cpu  1 2 3 99999999999999999999 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\n", "idle"},
    };
    for (const auto &c : cases) {
        try {
            parseCpuStat(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Error &e) {
            EXPECT_NE(e.description().find(c.problem), std::string::npos) << e.description();
        }
    }
}

TEST(ProcStat, StopsAtTheFirstLineThatIsNotAProcessor)
{
    // An offline processor leaves a gap; what follows the processor lines is not looked at.
    const CpuStat stat = parseCpuStat("cpu  2 0 0 8 0 0 0 0 0 0\ncpu0 1 0 0 4 0 0 0 0 0 0\n"
                                      "cpu3 1 0 0 4 0 0 0 0 0 0\nintr garbage\ncpu9 x\n");
    ASSERT_EQ(stat.processors.size(), 2u);
    EXPECT_EQ(stat.processors[1].index, 3u);
}

// ---- os-release quoting ----------------------------------------------------------------------------------

TEST(OsRelease, UndoesShellQuoting)
{
    const struct {
        const char *text;
        std::optional<std::string> expected;
    } cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Alpine Linux v3.19'\n", "Alpine Linux v3.19"},
        {"PRETTY_NAME=Plain", "Plain"},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\$HOME \\\\ \\n\"\n", "Say \"hi\" $HOME \\ \\n"},
        {"  PRETTY_NAME = \"Blanks\"  \n", "Blanks"},
        {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"second\"\n", "second"},
        {"PRETTY_NAME=\n", ""},
        {"# PRETTY_NAME=\"commented\"\nNAME=x\n", std::nullopt},
        {"PRETTY_NAME_LONG=\"other key\"\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(osReleaseValue(c.text, "PRETTY_NAME", "/etc/os-release"), c.expected) << c.text;
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
