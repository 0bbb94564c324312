#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/ProcessSample.h"

#include <cstdint>
#include <vector>

namespace quorvin::mgmt::linux_ {

// "Idle" first, one instance per process in the walk's order, "_Total" last. A name that an earlier process
// of the walk already has gets "#1", "#2" … appended. WorkingSet is the resident bytes, PageFileBytes the
// private bytes a page file would back (resident anonymous + swapped), PercentProcessorTime the processor
// time in 100 ns, StartTime the start as Win32_Process gives it; all share the walk's Timestamp_Sys100NS.
// "Idle" gives the machine's idle time, summed over its processors, and their number as ThreadCount; "_Total"
// the sum of all the others. A counter too large for 64 bits raises "Generic failure".
std::vector<Instance> processPerfInstances(const ProcessWalk &walk, std::uint64_t ticksPerSecond,
                                           std::uint64_t pageSize);

// What the instances of "Win32_PerfRawData_PerfProc_Process" are made from.
Prefetch processPerfNeeds();
// The instances of "Win32_PerfRawData_PerfProc_Process".
std::vector<Instance> processPerfInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
