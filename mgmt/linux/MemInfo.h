#pragma once
#include <cstdint>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// The parts of /proc/meminfo the operating-system and process classes report, in kilobytes.
struct MemInfo {
    std::uint64_t memAvailableKb = 0;
    std::uint64_t swapTotalKb = 0;
    std::uint64_t swapFreeKb = 0;

    bool swapInUse() const noexcept { return swapTotalKb > swapFreeKb; }
};

// All three lines must be there: every kernel since 3.14 writes them, with "SwapTotal: 0 kB" and
// "SwapFree: 0 kB" when there is no swap.
MemInfo parseMemInfo(std::string_view procMeminfo);

} // namespace quorvin::mgmt::linux_
