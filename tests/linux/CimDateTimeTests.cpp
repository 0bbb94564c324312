#include "mgmt/Error.h"
#include "mgmt/linux/CimDateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quorvin::mgmt::linux_::test {
namespace {

TEST(CimDateTime, WritesLocalTimeAndOffset)
{
    const struct {
        std::int64_t epochSeconds;
        int offsetMinutes;
        const char *expected;
    } cases[] = {
        {0, 0, "19700101000000.000000+000"},
        {1709283600, 60, "20240301100000.000000+060"}, // 09:00 UTC
        {1709283600, -300, "20240301040000.000000-300"},
        {1709283600, 330, "20240301143000.000000+330"},
        {946684799, 0, "19991231235959.000000+000"},    // before 2000
        {946684799, 60, "20000101005959.000000+060"},   // local time already in the next year
        {946684800, -60, "19991231230000.000000-060"},  // and back in the last one
        {951782400, 0, "20000229000000.000000+000"},    // a leap day
        {-1, 0, "19691231235959.000000+000"},           // before 1970
        {-62167219200, 0, "00000101000000.000000+000"}, // the first moment that fits
        {253402300799, 0, "99991231235959.000000+000"}, // and the last
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatCimDateTime(c.epochSeconds, c.offsetMinutes), c.expected)
            << c.epochSeconds << " " << c.offsetMinutes;
}

TEST(CimDateTime, RefusesWhatDoesNotFit)
{
    const struct {
        std::int64_t epochSeconds;
        int offsetMinutes;
    } cases[] = {
        {253402300800, 0}, {253402300799, 1}, {-62167219201, 0}, {0, 1000},
        {0, -1000},        {INT64_MAX, 0},    {INT64_MIN, -999},
    };
    for (const auto &c : cases) {
        try {
            formatCimDateTime(c.epochSeconds, c.offsetMinutes);
            ADD_FAILURE() << "no error for " << c.epochSeconds << " " << c.offsetMinutes;
        } catch (const Error &e) {
            EXPECT_EQ(e.number(), err::Failed);
        }
    }
}

TEST(CimDateTime, LocalOffsetFollowsSummerTime)
{
    const char *old = std::getenv("TZ");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    ::tzset();
    const int winter = localUtcOffsetMinutes(1704067200); // 2024-01-01
    const int summer = localUtcOffsetMinutes(1719792000); // 2024-07-01
    saved ? ::setenv("TZ", saved->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(winter, -300);
    EXPECT_EQ(summer, -240);
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
