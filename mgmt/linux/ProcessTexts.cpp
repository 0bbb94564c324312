#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/linux/TextFields.h"

#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::uint64_t HundredNsPerSecond = 10'000'000;
constexpr int HundredNsDigits = 7;

std::string quoted(std::string_view token)
{
    return "\"" + std::string(token.substr(0, 24)) + "\"";
}

// One field of the stat line the classes need, by its 1-based number in proc(5).
struct StatField {
    int number;
    std::string_view name;
    std::uint64_t ProcessStat::*member;
};

constexpr std::array<StatField, 5> StatFields{{
    {9, "flags", &ProcessStat::flags},
    {14, "utime", &ProcessStat::userTicks},
    {15, "stime", &ProcessStat::systemTicks},
    {20, "num_threads", &ProcessStat::threads},
    {22, "starttime", &ProcessStat::startTicks},
}};

struct StatmField {
    std::string_view name;
    std::uint64_t ProcessStatm::*member;
};

constexpr std::array<StatmField, 3> StatmFields{{
    {"size", &ProcessStatm::sizePages},
    {"resident", &ProcessStatm::residentPages},
    {"shared", &ProcessStatm::sharedPages},
}};

} // namespace

ProcessStat parseProcessStat(std::string_view text, std::string_view file)
{
    if (trimmed(text).empty())
        throw malformedFile(file, "is empty");
    // The name may hold ')' itself, so the last one ends it; memrchr scans the line many bytes at a time.
    const std::size_t open = text.find('(');
    const void *last = ::memrchr(text.data(), ')', text.size());
    const std::size_t close = last ? static_cast<std::size_t>(static_cast<const char *>(last) - text.data())
                                   : std::string_view::npos;
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        throw malformedFile(file, "has no process name in parentheses");
    ProcessStat stat;
    const std::string_view pidText = trimmed(text.substr(0, open));
    const std::optional<std::uint64_t> pid = parseUnsigned(pidText);
    if (!pid || *pid == 0 || *pid > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw malformedFile(file, "does not start with a process ID: " + quoted(pidText));
    stat.pid = static_cast<std::int32_t>(*pid);
    stat.name = text.substr(open + 1, close - open - 1);

    // Only the needed fields are looked at; the others are skipped as they are (some may be negative).
    std::string_view rest = text.substr(close + 1);
    const std::string_view state = nextToken(rest);
    if (state.size() != 1)
        throw malformedFile(file, "has no one-letter state after the name");
    stat.state = state.front();
    int number = 3; // the state is field 3
    for (const StatField &field : StatFields) {
        std::string_view token;
        while (number < field.number) {
            token = nextToken(rest);
            if (token.empty())
                throw malformedFile(file, "ends after field " + std::to_string(number) + "; " +
                                              std::to_string(StatFields.back().number) + " are needed");
            ++number;
        }
        const std::optional<std::uint64_t> value = parseUnsigned(token);
        if (!value)
            throw malformedFile(file, "has a field \"" + std::string(field.name) +
                                          "\" that is not a whole number: " + quoted(token));
        stat.*field.member = *value;
    }
    return stat;
}

ProcessStatm parseProcessStatm(std::string_view text, std::string_view file)
{
    if (trimmed(text).empty())
        throw malformedFile(file, "is empty");
    ProcessStatm statm;
    std::string_view rest = text;
    for (const StatmField &field : StatmFields) {
        const std::string_view token = nextToken(rest);
        if (token.empty())
            throw malformedFile(file, "has no field \"" + std::string(field.name) + "\"");
        const std::optional<std::uint64_t> value = parseUnsigned(token);
        if (!value)
            throw malformedFile(file, "has a field \"" + std::string(field.name) +
                                          "\" that is not a count of pages: " + quoted(token));
        statm.*field.member = *value;
    }
    return statm;
}

std::uint64_t parseStatusSwapKb(std::string_view text, std::string_view file)
{
    constexpr std::string_view Key = "VmSwap:";
    std::size_t at = text.starts_with(Key) ? 0 : text.find("\nVmSwap:");
    if (at == std::string_view::npos)
        return 0;
    if (at != 0)
        ++at;
    std::string_view line = text.substr(at + Key.size());
    line = line.substr(0, line.find('\n'));
    const std::string_view number = nextToken(line);
    const std::string_view unit = nextToken(line);
    const std::optional<std::uint64_t> value = parseUnsigned(number);
    if (!value)
        throw malformedFile(file, "has a \"VmSwap\" that is not a whole number: " + quoted(number));
    if (unit != "kB")
        throw malformedFile(file, "gives \"VmSwap\" in " + quoted(unit) + " instead of kB");
    return *value;
}

std::uint64_t parseUptime100Ns(std::string_view text, std::string_view file)
{
    std::string_view rest = text;
    const std::string_view token = nextToken(rest);
    if (token.empty())
        throw malformedFile(file, "is empty");
    const auto notSeconds = [&] {
        return malformedFile(file, "has an uptime that is not a number of seconds: " + quoted(token));
    };
    const std::size_t dot = token.find('.');
    const std::optional<std::uint64_t> seconds = parseUnsigned(token.substr(0, dot));
    if (!seconds)
        throw notSeconds();
    std::uint64_t fraction = 0;
    if (dot != std::string_view::npos) {
        const std::string_view digits = token.substr(dot + 1);
        if (digits.empty() || !parseUnsigned(digits))
            throw notSeconds();
        // Digits beyond 100 ns are dropped, missing ones count as zeros.
        for (int i = 0; i < HundredNsDigits; ++i)
            fraction =
                fraction * 10 +
                (i < static_cast<int>(digits.size()) ? static_cast<std::uint64_t>(digits[i] - '0') : 0);
    }
    if (*seconds > (std::numeric_limits<std::uint64_t>::max() - fraction) / HundredNsPerSecond)
        throw malformedFile(file, "has an uptime too large to count in 100 ns: " + quoted(token));
    return *seconds * HundredNsPerSecond + fraction;
}

} // namespace quorvin::mgmt::linux_
