#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/TextFields.h"

#include <array>
#include <limits>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::string_view File = "/proc/stat";

// Far beyond any real count (a million years of ticks), and small enough that eight of them add up safely.
constexpr std::uint64_t LargestTicks = std::uint64_t{1} << 53;

struct Field {
    std::string_view name;
    std::uint64_t CpuTimes::*member;
};

// In the order the kernel writes them; older fields first, so a line with fewer is from a kernel too old to
// use.
constexpr std::array<Field, 8> Fields{{
    {"user", &CpuTimes::user},
    {"nice", &CpuTimes::nice},
    {"system", &CpuTimes::system},
    {"idle", &CpuTimes::idle},
    {"iowait", &CpuTimes::iowait},
    {"irq", &CpuTimes::irq},
    {"softirq", &CpuTimes::softirq},
    {"steal", &CpuTimes::steal},
}};

std::string quotedLabel(std::string_view label)
{
    return "\"" + std::string(label.substr(0, 20)) + "\"";
}

CpuTimes parseTimes(std::string_view label, std::string_view rest)
{
    CpuTimes times;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        const std::string_view token = nextToken(rest);
        if (token.empty())
            throw malformedFile(File, "has only " + std::to_string(i) + " time fields on the line " +
                                          quotedLabel(label) + "; " + std::to_string(Fields.size()) +
                                          " are needed");
        const std::optional<std::uint64_t> value = parseUnsigned(token);
        if (!value || *value > LargestTicks)
            throw malformedFile(File, "has a field \"" + std::string(Fields[i].name) + "\" on the line " +
                                          quotedLabel(label) + " that is not a count of ticks: \"" +
                                          std::string(token.substr(0, 24)) + "\"");
        times.*Fields[i].member = *value;
    }
    return times;
}

} // namespace

CpuStat parseCpuStat(std::string_view procStat)
{
    if (trimmed(procStat).empty())
        throw malformedFile(File, "is empty");
    CpuStat stat;
    bool sawTotal = false;
    std::string_view rest = procStat;
    while (!rest.empty() && rest.starts_with("cpu")) {
        std::string_view line = nextLine(rest, File);
        const std::string_view label = nextToken(line);
        if (label == "cpu") {
            if (sawTotal)
                throw malformedFile(File, "has the aggregate \"cpu\" line twice");
            stat.total = parseTimes(label, line);
            sawTotal = true;
            continue;
        }
        if (!sawTotal)
            throw malformedFile(File, "does not start with the aggregate \"cpu\" line");
        const std::optional<std::uint64_t> index = parseUnsigned(label.substr(3));
        if (!index || *index > std::numeric_limits<unsigned>::max())
            throw malformedFile(File, "has a line " + quotedLabel(label) + " that names no processor");
        if (!stat.processors.empty() && stat.processors.back().index >= *index)
            throw malformedFile(File, "lists the processor " + quotedLabel(label) + " out of order");
        stat.processors.push_back({static_cast<unsigned>(*index), parseTimes(label, line)});
    }
    if (!sawTotal)
        throw malformedFile(File, "does not start with the aggregate \"cpu\" line");
    if (stat.processors.empty())
        throw malformedFile(File, "lists no processor (no \"cpuN\" line)");
    return stat;
}

std::int64_t parseBootTime(std::string_view procStat)
{
    constexpr std::string_view Key = "btime ";
    std::size_t at = procStat.starts_with(Key) ? 0 : procStat.find("\nbtime ");
    if (at == std::string_view::npos)
        throw malformedFile(File, "has no \"btime\" line");
    if (at != 0)
        ++at;
    std::string_view rest = procStat.substr(at + Key.size());
    std::string_view line = nextLine(rest, File);
    const std::string_view token = nextToken(line);
    const std::optional<std::uint64_t> seconds = parseUnsigned(token);
    if (!seconds || *seconds > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        throw malformedFile(File, "has a \"btime\" that is not a whole number: \"" +
                                      std::string(token.substr(0, 24)) + "\"");
    return static_cast<std::int64_t>(*seconds);
}

} // namespace quorvin::mgmt::linux_
