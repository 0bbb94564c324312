#include "mgmt/Error.h"
#include "mgmt/linux/ProcessorPerfClass.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvin::mgmt::linux_::test {
namespace {

std::uint64_t textNumber(const Instance &instance, std::string_view property)
{
    return std::stoull(instance.get(property).text());
}

// The load between two samples, as the processor page computes it.
double load(const Instance &before, const Instance &after)
{
    const double idle = static_cast<double>(textNumber(after, "PercentProcessorTime") -
                                            textNumber(before, "PercentProcessorTime"));
    const double time = static_cast<double>(textNumber(after, "Timestamp_Sys100NS") -
                                            textNumber(before, "Timestamp_Sys100NS"));
    return (1.0 - idle / time) * 100.0;
}

TEST(TicksTo100Ns, IsExactForAnyTickRate)
{
    const struct {
        std::uint64_t ticks;
        std::uint64_t perSecond;
        std::uint64_t expected;
    } cases[] = {
        {0, 100, 0},
        {1, 100, 100'000},
        {1, 250, 40'000},
        {3, 1024, 29'296}, // 29296.875, rounded down
        {1023, 1024, 9'990'234},
        {5'000'000'000, 100, 500'000'000'000'000},
        {184'467'440'737'095, 100, 18'446'744'073'709'500'000ULL}, // the largest that fits at 100 per second
    };
    for (const auto &c : cases)
        EXPECT_EQ(ticksTo100Ns(c.ticks, c.perSecond), c.expected) << c.ticks << " at " << c.perSecond;
}

TEST(TicksTo100Ns, RefusesOverflowAndNonsenseRates)
{
    const struct {
        std::uint64_t ticks;
        std::uint64_t perSecond;
    } cases[] = {{184'467'440'737'096, 100}, {UINT64_MAX, 1}, {1, 0}, {1, 20'000'000}};
    for (const auto &c : cases)
        EXPECT_THROW(ticksTo100Ns(c.ticks, c.perSecond), Error) << c.ticks << " at " << c.perSecond;
}

TEST(ProcessorPerf, TotalDividesTheMachineByItsProcessors)
{
    const struct {
        const char *what;
        const char *stat;
        std::uint64_t perSecond;
        std::uint64_t idle;
        std::uint64_t timestamp;
    } cases[] = {
        // idle 100 + iowait 2 = 102 ticks, busy 10 + 5 = 15 ticks, three processors
        {"three processors",
         "cpu  10 0 5 100 2 0 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\ncpu1 0 0 0 0 0 0 0 0\n"
         "cpu2 0 0 0 0 0 0 0 0\n",
         100, 3'400'000, 3'900'000},
        // guest and guest_nice are inside user and nice already
        {"guest not added twice",
         "cpu  10 0 5 100 2 0 0 0 9 9\ncpu0 0 0 0 0 0 0 0 0\ncpu1 0 0 0 0 0 0 0 0\n"
         "cpu2 0 0 0 0 0 0 0 0\n",
         100, 3'400'000, 3'900'000},
        // every state but idle and iowait is busy: 1 + 2 + 3 + 6 + 7 + 8 = 27 ticks
        {"all busy states", "cpu  1 2 3 4 5 6 7 8 0 0\ncpu0 1 2 3 4 5 6 7 8 0 0\n", 100, 900'000, 3'600'000},
        // 102 ticks at 1024 Hz is 996093.75, 15 ticks 146484.375; each rounded down, then divided
        {"tick rate that does not divide",
         "cpu  10 0 5 100 2 0 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\n"
         "cpu1 0 0 0 0 0 0 0 0\ncpu2 0 0 0 0 0 0 0 0\n",
         1024, 332'031, 332'031 + 48'828},
    };
    for (const auto &c : cases) {
        const Instance total = processorPerfInstances(parseCpuStat(c.stat), c.perSecond).back();
        EXPECT_EQ(textNumber(total, "PercentProcessorTime"), c.idle) << c.what;
        EXPECT_EQ(textNumber(total, "Timestamp_Sys100NS"), c.timestamp) << c.what;
    }
}

TEST(ProcessorPerf, TwoTotalSamplesGiveTheMachineLoad)
{
    // Four processors, each 75 ticks idle and 25 busy between the samples: 25 % load; the timestamp
    // advances by one second, the wall time that passed.
    const CpuStat before = parseCpuStat("cpu  400 0 0 400 0 0 0 0 0 0\ncpu0 100 0 0 100 0 0 0 0\n"
                                        "cpu1 100 0 0 100 0 0 0 0\ncpu2 100 0 0 100 0 0 0 0\n"
                                        "cpu3 100 0 0 100 0 0 0 0\n");
    const CpuStat after = parseCpuStat("cpu  480 0 20 650 50 0 0 0 0 0\ncpu0 120 0 5 175 0 0 0 0\n"
                                       "cpu1 120 0 5 125 50 0 0 0\ncpu2 120 0 5 175 0 0 0 0\n"
                                       "cpu3 120 0 5 175 0 0 0 0\n");
    const Instance t0 = processorPerfInstances(before, 100).back();
    const Instance t1 = processorPerfInstances(after, 100).back();
    EXPECT_DOUBLE_EQ(load(t0, t1), 25.0);
    EXPECT_EQ(textNumber(t1, "Timestamp_Sys100NS") - textNumber(t0, "Timestamp_Sys100NS"), 10'000'000u);
    const Instance cpu1Before = processorPerfInstances(before, 100)[1];
    const Instance cpu1After = processorPerfInstances(after, 100)[1];
    EXPECT_DOUBLE_EQ(load(cpu1Before, cpu1After), 25.0); // iowait counts as idle
}

TEST(ProcessorPerf, RoundingNeverPushesTheLoadOutOfRange)
{
    // Three processors and a rate that does not divide 10⁷: a fully idle and a fully busy second.
    const CpuStat start = parseCpuStat("cpu  7 0 0 11 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\ncpu1 0 0 0 0 0 0 0 0\n"
                                       "cpu2 0 0 0 0 0 0 0 0\n");
    const CpuStat idle = parseCpuStat("cpu  7 0 0 12 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\ncpu1 0 0 0 0 0 0 0 0\n"
                                      "cpu2 0 0 0 0 0 0 0 0\n");
    const CpuStat busy = parseCpuStat("cpu  8 0 0 11 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\ncpu1 0 0 0 0 0 0 0 0\n"
                                      "cpu2 0 0 0 0 0 0 0 0\n");
    for (std::uint64_t rate : {3u, 7u, 1024u, 1000u}) {
        const Instance t0 = processorPerfInstances(start, rate).back();
        const double idleLoad = load(t0, processorPerfInstances(idle, rate).back());
        const double busyLoad = load(t0, processorPerfInstances(busy, rate).back());
        EXPECT_GE(idleLoad, 0.0) << rate;
        EXPECT_LE(idleLoad, 100.0) << rate;
        EXPECT_GE(busyLoad, 0.0) << rate;
        EXPECT_LE(busyLoad, 100.0) << rate;
    }
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
