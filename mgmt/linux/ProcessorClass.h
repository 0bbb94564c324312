#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/LinuxSystem.h"

#include <vector>

namespace quorvin::mgmt::linux_ {

// One instance per package: DeviceID "CPU0", "CPU1" … in the packages' order, Name the model name
// ("Processor" when the file gives none), NumberOfLogicalProcessors.
std::vector<Instance> processorInstances(const std::vector<ProcessorPackage> &packages);

// The instances of "Win32_Processor".
std::vector<Instance> processorInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
