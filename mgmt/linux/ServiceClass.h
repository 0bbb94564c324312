#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/ServiceManager.h"

#include <memory>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// "Auto" for a unit started at boot, "Disabled" for one that is disabled or masked, "Manual" for any other
// unit-file state and for a unit without a unit file.
std::string_view startModeOf(std::string_view unitFileState);

// One instance per unit in the given order: Caption the description (or the name when there is none), Name,
// StartMode, Started (active or reloading) and State (the active state). `methods` carries out StartService
// and StopService.
std::vector<Instance> serviceInstances(const std::vector<ServiceUnit> &units,
                                       const std::shared_ptr<const MethodInvoker> &methods);

// The instances of "Win32_Service", from the system's service manager over a bus opened for the query.
std::vector<Instance> serviceInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
