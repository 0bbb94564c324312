#pragma once
#include "mgmt/Instance.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace quorvin::mgmt::linux_ {

// What Terminate needs of a listed process on any computer, and says alike on each.

// The pid in an instance's Handle, strictly a positive decimal number: kill takes 0 and negative numbers as
// process groups, and -1 as every process there is. Anything else raises "Generic failure".
pid_t processIdOf(const Instance &instance);

// The start time in an instance's StartTime (clock ticks after boot); nothing when the instance gives none.
// A StartTime that is not a decimal number raises "Generic failure".
std::optional<std::uint64_t> startTicksOf(const Instance &instance);

// "The process did not end within N seconds".
std::string notEndedText(std::chrono::milliseconds endWait);

} // namespace quorvin::mgmt::linux_
