#pragma once
#include "mgmt/Instance.h"
#include "mgmt/Query.h"
#include "mgmt/Source.h"
#include "mgmt/linux/LinuxSystem.h"

#include <span>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// The instances of a class the Linux backends know, made from the system's texts, its name matched without
// regard to case; any other name raises "Invalid class".
std::vector<Instance> linuxInstancesOf(LinuxSystem &system, std::string_view className);

// Several classes from one prefetch of all they read (one round trip to another computer); a failing
// prefetch raises, a class that cannot be made of the texts gives its own error.
std::vector<ClassAnswer> linuxInstancesOfEach(LinuxSystem &system,
                                              std::span<const std::string_view> classNames);

// How a where-name query picks instances of a class: as the management service does, without regard to case,
// except for the services and the network interfaces, whose names Linux tells apart by case (a start must
// reach that unit only, and the counters must be that interface's alone).
NameMatch nameMatchOf(std::string_view className);

} // namespace quorvin::mgmt::linux_
