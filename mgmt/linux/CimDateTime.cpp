#include "mgmt/linux/CimDateTime.h"
#include "mgmt/Error.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace quorvin::mgmt::linux_ {

namespace {
constexpr std::int64_t FirstSecondOfYear0 = -62167219200;   // 0000-01-01T00:00:00
constexpr std::int64_t LastSecondOfYear9999 = 253402300799; // 9999-12-31T23:59:59
constexpr int LargestOffset = 999;                          // three digits
} // namespace

std::string formatCimDateTime(std::int64_t epochSeconds, int utcOffsetMinutes)
{
    using namespace std::chrono;
    if (std::abs(utcOffsetMinutes) > LargestOffset)
        throw Error(err::Failed, "The UTC offset of " + std::to_string(utcOffsetMinutes) +
                                     " minutes cannot be written as a CIM date-time.");
    const auto unwritable = [&] {
        return Error(err::Failed, "The moment " + std::to_string(epochSeconds) +
                                      " seconds after 1970 cannot be written as a CIM date-time.");
    };
    // Bounded before the offset is added, so that the sum cannot overflow.
    if (epochSeconds < FirstSecondOfYear0 - 60 * LargestOffset ||
        epochSeconds > LastSecondOfYear9999 + 60 * LargestOffset)
        throw unwritable();
    const std::int64_t local = epochSeconds + std::int64_t{utcOffsetMinutes} * 60;
    if (local < FirstSecondOfYear0 || local > LastSecondOfYear9999)
        throw unwritable();

    const sys_seconds moment{seconds{local}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss time{moment - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02lld.000000%c%03d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()), utcOffsetMinutes < 0 ? '-' : '+',
                  std::abs(utcOffsetMinutes));
    return text;
}

int localUtcOffsetMinutes(std::int64_t epochSeconds)
{
    const std::time_t moment = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    if (!::localtime_r(&moment, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

} // namespace quorvin::mgmt::linux_
