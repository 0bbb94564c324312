#pragma once
#include "mgmt/linux/BusHandle.h"

#include <chrono>

namespace quorvin::mgmt::linux_ {

// A connection to this computer's system bus, or the one DBUS_SYSTEM_BUS_ADDRESS names. Its method calls give
// up after callTimeout. Where there is no bus, raises "Generic failure" with "The service manager is not
// available:" and the reason.
BusPtr openSystemBus(std::chrono::microseconds callTimeout = std::chrono::seconds(5));

} // namespace quorvin::mgmt::linux_
