#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/TextFields.h"

#include <optional>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::string_view File = "/proc/meminfo";

std::uint64_t kilobytes(std::string_view key, std::string_view value)
{
    const std::string_view number = nextToken(value);
    const std::string_view unit = nextToken(value);
    const std::optional<std::uint64_t> parsed = parseUnsigned(number);
    if (!parsed)
        throw malformedFile(File, "has a \"" + std::string(key) + "\" that is not a whole number: \"" +
                                      std::string(number.substr(0, 24)) + "\"");
    if (unit != "kB")
        throw malformedFile(File, "gives \"" + std::string(key) + "\" in \"" +
                                      std::string(unit.substr(0, 8)) + "\" instead of kB");
    return *parsed;
}

} // namespace

MemInfo parseMemInfo(std::string_view procMeminfo)
{
    if (trimmed(procMeminfo).empty())
        throw malformedFile(File, "is empty");
    std::optional<std::uint64_t> available;
    std::optional<std::uint64_t> swapTotal;
    std::optional<std::uint64_t> swapFree;
    std::uint64_t total = 0;
    std::string_view rest = procMeminfo;
    while (!rest.empty()) {
        const std::string_view line = nextLine(rest, File);
        if (trimmed(line).empty())
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            throw malformedFile(File,
                                "has a line without \":\": \"" + std::string(line.substr(0, 40)) + "\"");
        const std::string_view key = line.substr(0, colon);
        if (key == "MemTotal")
            total = kilobytes(key, line.substr(colon + 1));
        else if (key == "MemAvailable")
            available = kilobytes(key, line.substr(colon + 1));
        else if (key == "SwapTotal")
            swapTotal = kilobytes(key, line.substr(colon + 1));
        else if (key == "SwapFree")
            swapFree = kilobytes(key, line.substr(colon + 1));
    }
    if (!available)
        throw malformedFile(File, "has no \"MemAvailable\" line");
    if (!swapFree)
        throw malformedFile(File, "has no \"SwapFree\" line");
    if (!swapTotal)
        throw malformedFile(File, "has no \"SwapTotal\" line");
    return {*available, *swapTotal, *swapFree, total};
}

} // namespace quorvin::mgmt::linux_
