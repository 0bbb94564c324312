#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/ProcStat.h"

#include <cstdint>
#include <vector>

namespace quorvin::mgmt::linux_ {

// Clock ticks as a count of 100-nanosecond units, exact in whole numbers for any tick rate; a result too
// large for 64 bits raises "Generic failure".
std::uint64_t ticksTo100Ns(std::uint64_t ticks, std::uint64_t ticksPerSecond);

// One instance per processor line, named after its number, then "_Total". PercentProcessorTime is the idle
// time and Timestamp_Sys100NS the accounted time, so that (1 - Δidle / Δtimestamp) × 100 is the load.
// "_Total" gives the whole machine's times divided by the number of processors.
std::vector<Instance> processorPerfInstances(const CpuStat &stat, std::uint64_t ticksPerSecond);
// "_Total" alone, from the whole machine's times and the number of processors.
Instance processorTotalInstance(const CpuTimes &total, std::uint64_t processors,
                                std::uint64_t ticksPerSecond);

// What the instances of "Win32_PerfRawData_PerfOS_Processor" are made from.
Prefetch processorPerfNeeds();
// The instances of "Win32_PerfRawData_PerfOS_Processor".
std::vector<Instance> processorPerfInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
