#pragma once
#include <cstdint>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// The parts of /proc/meminfo the operating-system and process classes report, in kilobytes.
struct MemInfo {
    std::uint64_t memAvailableKb = 0;
    std::uint64_t swapTotalKb = 0;
    std::uint64_t swapFreeKb = 0;
    std::uint64_t memTotalKb = 0; // 0 where not given

    bool swapInUse() const noexcept { return swapTotalKb > swapFreeKb; }
};

// MemAvailable, SwapTotal and SwapFree must be there: every kernel since 3.14 writes them, with
// "SwapTotal: 0 kB" and "SwapFree: 0 kB" when there is no swap.
MemInfo parseMemInfo(std::string_view procMeminfo);

} // namespace quorvin::mgmt::linux_
