#include "mgmt/local/ProcessWalker.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessSampleBuilder.h"
#include "mgmt/local/PidPath.h"

#include <algorithm>

namespace quorvin::mgmt::linux_ {

// The process's stat, read through descriptors that belong to it; nothing when it ended or is out of reach.
std::optional<ProcessStat> ProcessWalker::currentStat(Known &known, const Listed &entry)
{
    const bool seenBefore = known.seenInWalk != 0;
    // Another directory under the pid is another process: the kept descriptors are not its.
    if (known.directory != entry.directory) {
        release(known);
        known.directory = entry.directory;
    }
    // Read before the stat: a run between the two shows at the next walk.
    const std::optional<std::uint64_t> ran = timeRun(known, entry.pid);
    if (ran && known.rest && known.rest->ranBefore == *ran) {
        m_budget.close(known.stat, DescriptorBudget::Kind::Stat);
        return ProcessStat{.pid = entry.pid,
                           .name = known.name,
                           .state = known.rest->state,
                           .userTicks = known.rest->userTicks,
                           .systemTicks = known.rest->systemTicks,
                           .threads = 1,
                           .startTicks = known.startTicks};
    }
    const bool kept = known.stat.get() >= 0;
    std::optional<ProcessStat> stat = readStat(known, entry.pid);
    if (!stat)
        return std::nullopt;
    const bool newProcess = seenBefore && stat->startTicks != known.startTicks;
    // A new process under the pid: nothing read through the old descriptors may describe it.
    if (newProcess && kept) {
        release(known);
        stat = readStat(known, entry.pid);
        if (!stat)
            return std::nullopt;
    }
    // The name follows exec and PR_SET_NAME: a process that changes it has run, so its stat is read then.
    known.name.assign(stat->name);
    known.startTicks = stat->startTicks;
    known.oneThread = stat->threads == 1;
    known.kernelThread = stat->kernelThread();
    // A process with more threads may lose one without its clock moving: a thread's last moments on a
    // processor are not counted in its process's time. One that was running may still be, uncounted.
    const bool rests = ran && *ran != 0 && !newProcess && stat->threads == 1 && stat->state != 'R';
    known.rest = rests ? std::optional<Rest>(Rest{*ran, stat->userTicks, stat->systemTicks, stat->state})
                       : std::nullopt;
    return stat;
}

std::optional<std::uint64_t> ProcessWalker::timeRun(Known &known, std::int32_t pid)
{
    if (!m_procfs || !m_ownPidNamespace || !known.oneThread)
        return std::nullopt;
    if (!known.clock) {
        clockid_t clock{};
        if (::clock_getcpuclockid(pid, &clock) != 0)
            return std::nullopt;
        known.clock = clock;
    }
    // When the process has ended, the stat read next tells.
    timespec ran{};
    if (::clock_gettime(*known.clock, &ran) != 0 || ran.tv_sec < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(ran.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(ran.tv_nsec);
}

void ProcessWalker::release(Known &known) noexcept
{
    m_budget.close(known.stat, DescriptorBudget::Kind::Stat);
    m_budget.close(known.statm, DescriptorBudget::Kind::Statm);
    m_budget.close(known.fdDirectory, DescriptorBudget::Kind::FdDirectory);
    known.clock.reset();
    known.rest.reset();
}

std::optional<ProcessSample> ProcessWalker::readProcess(const Listed &entry,
                                                        const ProcessSampleBuilder &builder, bool counters)
{
    const std::int32_t pid = entry.pid;
    Known &known = m_known[pid];
    std::optional<ProcessStat> stat = currentStat(known, entry);
    if (!stat)
        return std::nullopt;
    ProcessSample sample = builder.fromStat(pid, *stat);
    // The kernel gives its threads no address space, so their statm reads zeros, and no descriptor table
    // but its own, which holds none: only their stat is read.
    const bool ownFiles = !(m_procfs && known.kernelThread);
    if (builder.readsStatm() && ownFiles) {
        const std::optional<std::string_view> statmText =
            readKept(known.statm, DescriptorBudget::Kind::Statm, pid, "statm");
        if (!statmText)
            return std::nullopt;
        builder.addStatm(sample, *statmText);
    }
    if (builder.readsStatus() && ownFiles) {
        const std::optional<std::string_view> statusText =
            read(PidPath(pid, "status").relative(), Owner::Process);
        if (!statusText)
            return std::nullopt;
        builder.addStatus(sample, *statusText);
    }
    if (counters && m_handleCountsKnown && ownFiles) {
        const std::optional<std::uint64_t> handles = handleCount(known, pid);
        if (!handles)
            return std::nullopt;
        sample.handles = *handles;
        // Our own count leaves out what the walker keeps open, so that it does not grow with the number of
        // processes watched.
        if (pid == m_selfPid)
            sample.handles -= std::min<std::uint64_t>(sample.handles, m_budget.kept());
    }
    known.seenInWalk = m_walks;
    return sample;
}

ProcessWalk ProcessWalker::walk(Detail detail)
{
    const std::lock_guard lock(m_mutex);
    ++m_walks;
    m_filesOpened = 0;
    const bool counters = detail == Detail::Counters;
    ProcessWalk walk;

    // Reading every status file is what makes a walk expensive, and it only tells the swapped part: with no
    // swap in use that part is 0 for every process, so the files are read only when swap is in use.
    const bool swapInUse = counters && parseMemInfo(readSystemFile("meminfo")).swapInUse();
    // Every computer's processes are built the same way; this walk only decides how the files are read.
    const ProcessSampleBuilder builder(counters, swapInUse);

    std::optional<std::uint64_t> lastPid;
    const std::vector<Listed> listed = listProcesses(lastPid);
    m_listedLastPid.reset(); // a walk cut short by an error leaves nothing to reuse
    walk.processes.reserve(listed.size());
    m_budget.planWalk(listed.size());
    m_listed.clear();
    for (const Listed &entry : listed)
        if (std::optional<ProcessSample> sample = readProcess(entry, builder, counters)) {
            walk.processes.push_back(std::move(*sample));
            m_listed.push_back(entry);
        }
    m_listedLastPid = lastPid;
    // Processes that ended, or could not be read this time, give their descriptors back. Every one read
    // was seen this walk: when they are all that is known, none is to go.
    if (m_known.size() != m_listed.size())
        for (auto it = m_known.begin(); it != m_known.end();) {
            if (it->second.seenInWalk == m_walks) {
                ++it;
            } else {
                release(it->second);
                it = m_known.erase(it);
            }
        }

    if (counters) {
        // Read after the processes, so that no process time is newer than the timestamp.
        const CpuStat cpu = parseCpuStat(readSystemFile("stat"));
        walk.idleTicks = cpu.total.idleTicks();
        walk.processorCount = cpu.processors.size();
        walk.timestamp100Ns = parseUptime100Ns(readSystemFile("uptime"), "/proc/uptime");
    }
    return walk;
}

std::size_t ProcessWalker::filesOpenedByLastWalk() const
{
    const std::lock_guard lock(m_mutex);
    return m_filesOpened;
}

std::size_t ProcessWalker::knownProcesses() const
{
    const std::lock_guard lock(m_mutex);
    return m_known.size();
}

std::size_t ProcessWalker::keptFiles() const
{
    const std::lock_guard lock(m_mutex);
    return m_budget.kept();
}

} // namespace quorvin::mgmt::linux_
