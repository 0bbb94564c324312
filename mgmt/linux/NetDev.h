#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// The cumulative counters of one interface in /proc/net/dev.
struct InterfaceCounters {
    std::string name;
    std::uint64_t bytesReceived = 0;
    std::uint64_t packetsReceived = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t packetsSent = 0;
};

// The interfaces in the kernel's order; a malformed text raises "Generic failure" naming the file.
std::vector<InterfaceCounters> parseNetDev(std::string_view text);

// The link speed of /sys/class/net/NAME/speed (megabits per second) in bits per second; 0 where the kernel
// reports none (-1, an empty or unreadable file, a virtual interface).
std::uint64_t linkBitsPerSecond(std::string_view speedText) noexcept;

} // namespace quorvin::mgmt::linux_
