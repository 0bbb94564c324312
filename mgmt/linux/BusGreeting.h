#pragma once
#include <systemd/sd-bus.h>

#include <chrono>
#include <string>

namespace quorvin::mgmt::linux_ {

// Raises "Generic failure" with "The service manager is not available: " and the reason.
[[noreturn]] void serviceManagerNotAvailable(const std::string &reason);

// Waits, at most `limit`, for a bus that was started to greet us, whichever channel carries it; raises
// "Generic failure" with "The service manager is not available:" when it refuses, closes or stays silent.
void awaitGreeting(sd_bus *bus, std::chrono::microseconds limit);

} // namespace quorvin::mgmt::linux_
