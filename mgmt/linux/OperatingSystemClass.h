#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/MemInfo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvin::mgmt::linux_ {

// What the operating-system instance reports, as read from the files.
struct OperatingSystemFacts {
    std::string caption;   // PRETTY_NAME of os-release
    std::string kernel;    // "Linux 6.1.0-18-amd64"
    std::string machineId; // empty when the system has none (many containers)
    MemInfo memory;
    std::uint64_t processCount = 0;
    std::int64_t bootTime = 0;               // epoch seconds
    std::optional<std::int64_t> installTime; // epoch seconds, when any file records it
};

// What the instance is made from.
Prefetch operatingSystemNeeds();
OperatingSystemFacts readOperatingSystemFacts(LinuxSystem &system);

Instance operatingSystemInstance(const OperatingSystemFacts &facts,
                                 const std::function<int(std::int64_t)> &utcOffsetMinutes);

// The one instance of "Win32_OperatingSystem".
std::vector<Instance> operatingSystemInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
