#pragma once
#include "mgmt/linux/SystemFiles.h"

#include <cstdint>
#include <functional>

namespace quorvin::mgmt::linux_ {

// What the classes of the local source read: the system's files, and the facts about its clock that the
// files do not give.
struct LocalSystem {
    SystemFiles files;
    std::uint64_t clockTicksPerSecond = 100;           // the unit of the times in /proc/stat
    std::function<int(std::int64_t)> utcOffsetMinutes; // of local time at a moment (epoch seconds)
};

} // namespace quorvin::mgmt::linux_
