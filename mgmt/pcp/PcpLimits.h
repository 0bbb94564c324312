#pragma once
#include <chrono>

namespace quorvin::mgmt::pcp {

// How long a caller waits on a collector: the same bounds as for a computer watched over SSH.
struct PcpLimits {
    std::chrono::milliseconds connect{5000}; // no connection this long: the collector cannot be reached (462)
    std::chrono::milliseconds answer{15000}; // no answer this long: the connection counts as lost
    std::chrono::seconds idle{60};           // a connection unused this long is closed
};

} // namespace quorvin::mgmt::pcp
