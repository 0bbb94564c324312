#include "mgmt/linux/ProcessSampleBuilder.h"
#include "mgmt/Error.h"
#include "mgmt/linux/ProcessTexts.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {

// "/proc/PID/LEAF" for the errors, without allocating for every process.
class ProcPath final {
public:
    ProcPath(std::int32_t pid, std::string_view leaf) noexcept
    {
        constexpr std::string_view Prefix = "/proc/";
        char *out = std::copy(Prefix.begin(), Prefix.end(), m_text);
        out = std::to_chars(out, m_text + 20, pid).ptr;
        *out++ = '/';
        out = std::copy_n(leaf.begin(), std::min<std::size_t>(leaf.size(), 12), out);
        m_size = static_cast<std::size_t>(out - m_text);
    }
    operator std::string_view() const noexcept { return {m_text, m_size}; }

private:
    char m_text[40];
    std::size_t m_size;
};

std::uint64_t checkedSum(std::uint64_t a, std::uint64_t b, std::string_view file)
{
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw Error(err::Failed,
                    "The file " + std::string(file) + " gives a processor time too large to add.");
    return sum;
}

} // namespace

ProcessSampleBuilder::ProcessSampleBuilder(bool counters, bool swapInUse) noexcept
    : m_counters(counters), m_swapInUse(swapInUse)
{
}

std::optional<ProcessSample> ProcessSampleBuilder::build(std::int32_t pid,
                                                         const ProcessFileTexts &texts) const
{
    if (!texts.stat || (readsStatm() && !texts.statm) || (readsStatus() && !texts.status))
        return std::nullopt;
    ProcessSample sample = fromStat(pid, parseProcessStat(*texts.stat, ProcPath(pid, "stat")));
    if (readsStatm())
        addStatm(sample, *texts.statm);
    if (readsStatus())
        addStatus(sample, *texts.status);
    return sample;
}

ProcessSample ProcessSampleBuilder::fromStat(std::int32_t pid, const ProcessStat &stat) const
{
    ProcessSample sample;
    sample.pid = pid;
    sample.name.assign(stat.name);
    sample.startTicks = stat.startTicks;
    sample.cpuTicks = checkedSum(stat.userTicks, stat.systemTicks, ProcPath(pid, "stat"));
    sample.threads = stat.threads;
    return sample;
}

void ProcessSampleBuilder::addStatm(ProcessSample &sample, std::string_view statm) const
{
    const ProcessStatm memory = parseProcessStatm(statm, ProcPath(sample.pid, "statm"));
    sample.residentPages = memory.residentPages;
    sample.sharedPages = memory.sharedPages;
}

void ProcessSampleBuilder::addStatus(ProcessSample &sample, std::string_view status) const
{
    sample.swappedKb = parseStatusSwapKb(status, ProcPath(sample.pid, "status"));
}

} // namespace quorvin::mgmt::linux_
