#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/NetDev.h"

#include <cstdint>
#include <vector>

namespace quorvin::mgmt::linux_ {

// One instance per interface, in the kernel's order: the cumulative counters as decimal text and the link
// speed in bits per second (0 where the kernel reports none).
std::vector<Instance> networkInterfaceInstances(const std::vector<InterfaceCounters> &interfaces,
                                                const std::vector<std::uint64_t> &bitsPerSecond);

// What the instances of "Win32_PerfRawData_Tcpip_NetworkInterface" are made from.
Prefetch networkInterfaceNeeds();
// The instances of "Win32_PerfRawData_Tcpip_NetworkInterface".
std::vector<Instance> networkInterfaceInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
