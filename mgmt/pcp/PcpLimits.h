#pragma once
#include <chrono>

namespace quorvin::mgmt::pcp {

// How long a caller waits on a collector: the same bounds as for a computer watched over SSH.
struct PcpLimits {
    std::chrono::milliseconds connect{5000}; // no connection this long: the collector cannot be reached (462)
    std::chrono::milliseconds answer{15000}; // no answer this long: the connection counts as lost
    std::chrono::seconds idle{60};           // a connection unused this long is closed
};

// Where a live source's PMAPI calls run.
enum class PcpCalls {
    // Each collector's on a thread of its own, while the caller waits within the limits, painting.
    OnCollectorThreads,
    // On the caller's own thread, which libpcp's own limits bound (10 seconds): for a program that reads
    // many collectors from a few workers of its own, where a thread for each would not scale.
    OnCallingThread,
};

} // namespace quorvin::mgmt::pcp
