#pragma once
#include <cstdint>
#include <string>

namespace quorvin::mgmt::linux_ {

// A moment as a CIM date-time in local time, "yyyymmddHHMMSS.000000+ooo": the local date and time, six
// digits of microseconds, and the local time's offset from UTC in minutes with its sign ("+060", "-300").
// A moment outside the years 0 to 9999, or an offset of more than 999 minutes, raises "Generic failure".
std::string formatCimDateTime(std::int64_t epochSeconds, int utcOffsetMinutes);

// The offset from UTC, in minutes, of this process's time zone at the given moment (summer time included).
int localUtcOffsetMinutes(std::int64_t epochSeconds);

} // namespace quorvin::mgmt::linux_
