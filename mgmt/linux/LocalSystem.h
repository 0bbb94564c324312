#pragma once
#include "mgmt/linux/SystemFiles.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace quorvin::mgmt {
class MethodInvoker;
}

namespace quorvin::mgmt::linux_ {

class ProcessWalker;

// What the classes of the local source read: the system's files, and the facts about its clock that the
// files do not give.
struct LocalSystem {
    SystemFiles files;
    std::uint64_t clockTicksPerSecond = 100;           // the unit of the times in /proc/stat
    std::function<int(std::int64_t)> utcOffsetMinutes; // of local time at a moment (epoch seconds)
    std::uint64_t pageSize = 4096;                     // the unit of /proc/PID/statm
    // Shared by all connections of one source, so that what it keeps about the processes outlives them.
    std::shared_ptr<ProcessWalker> processes;
    std::shared_ptr<const MethodInvoker> processMethods;
};

} // namespace quorvin::mgmt::linux_
