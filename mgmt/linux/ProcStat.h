#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// One "cpu" line of /proc/stat: the time a processor has spent in each state, in clock ticks.
struct CpuTimes {
    std::uint64_t user = 0;
    std::uint64_t nice = 0;
    std::uint64_t system = 0;
    std::uint64_t idle = 0;
    std::uint64_t iowait = 0;
    std::uint64_t irq = 0;
    std::uint64_t softirq = 0;
    std::uint64_t steal = 0;

    // Waiting for input or output is idle: the processor was free to run something else.
    std::uint64_t idleTicks() const noexcept { return idle + iowait; }
    // All accounted time. guest and guest_nice are left out: the kernel already counts them in user and nice.
    std::uint64_t totalTicks() const noexcept
    {
        return user + nice + system + idle + iowait + irq + softirq + steal;
    }
};

struct ProcessorTimes {
    unsigned index = 0; // the N of "cpuN"; offline processors leave gaps
    CpuTimes times;
};

struct CpuStat {
    CpuTimes total; // the aggregate "cpu" line
    std::vector<ProcessorTimes> processors;
};

// The processor lines at the start of /proc/stat; the rest of the text is not looked at.
CpuStat parseCpuStat(std::string_view procStat);

// The "btime" line of /proc/stat: when the system started, in seconds since the epoch.
std::int64_t parseBootTime(std::string_view procStat);

} // namespace quorvin::mgmt::linux_
