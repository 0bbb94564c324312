#include "mgmt/linux/NetDev.h"
#include "mgmt/linux/TextFields.h"

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::string_view File = "/proc/net/dev";

std::uint64_t field(std::string_view &rest, std::string_view name)
{
    const auto value = parseUnsigned(nextToken(rest));
    if (!value)
        throw malformedFile(File, "the counters of " + std::string(name) + " are not all numbers");
    return *value;
}

} // namespace

std::vector<InterfaceCounters> parseNetDev(std::string_view text)
{
    std::vector<InterfaceCounters> interfaces;
    // Two heading lines come first.
    for (int heading = 0; heading < 2; ++heading)
        if (text.empty() || nextLine(text, File).find('|') == std::string_view::npos)
            throw malformedFile(File, "its heading is missing");
    while (!text.empty()) {
        std::string_view line = nextLine(text, File);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            throw malformedFile(File, "a line has no interface name");
        InterfaceCounters counters;
        counters.name = std::string(trimmed(line.substr(0, colon)));
        if (counters.name.empty())
            throw malformedFile(File, "a line has an empty interface name");
        std::string_view rest = line.substr(colon + 1);
        counters.bytesReceived = field(rest, counters.name);
        counters.packetsReceived = field(rest, counters.name);
        for (int skipped = 0; skipped < 6; ++skipped) // errs drop fifo frame compressed multicast
            field(rest, counters.name);
        counters.bytesSent = field(rest, counters.name);
        counters.packetsSent = field(rest, counters.name);
        interfaces.push_back(std::move(counters));
    }
    return interfaces;
}

std::uint64_t linkBitsPerSecond(std::string_view speedText) noexcept
{
    const auto megabits = parseUnsigned(trimmed(speedText));
    if (!megabits || *megabits > 100'000'000) // beyond any link: a bogus value
        return 0;
    return *megabits * 1'000'000;
}

} // namespace quorvin::mgmt::linux_
