#include "mgmt/linux/ProcessWalker.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/PidPath.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessSampleBuilder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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
    const std::optional<TaskRuns> runs = readRuns(known, entry.pid);
    if (runs && known.rest && known.rest->runsBefore == *runs)
        return ProcessStat{.pid = entry.pid,
                           .name = known.name,
                           .state = known.rest->state,
                           .userTicks = known.rest->userTicks,
                           .systemTicks = known.rest->systemTicks,
                           .threads = 1,
                           .startTicks = known.startTicks};
    const bool kept = known.stat.get() >= 0;
    std::optional<ProcessStat> stat = readStat(known, entry.pid);
    if (!stat)
        return std::nullopt;
    bool newProcess = false;
    if (seenBefore && stat->startTicks != known.startTicks) {
        // A new process under the pid: nothing read through the old descriptors may describe it.
        newProcess = true;
        if (kept) {
            release(known);
            stat = readStat(known, entry.pid);
            if (!stat)
                return std::nullopt;
        }
        known.name.assign(stat->name);
        known.startTicks = stat->startTicks;
    } else if (!seenBefore) {
        known.name.assign(stat->name);
        known.startTicks = stat->startTicks;
    }
    known.oneThread = stat->threads == 1;
    // A process with more threads may run on any of them; one that was running may still be, unswitched.
    const bool rests =
        runs && !newProcess && known.schedstat.get() >= 0 && stat->threads == 1 && stat->state != 'R';
    known.rest = rests ? std::optional<Rest>(Rest{*runs, stat->userTicks, stat->systemTicks, stat->state})
                       : std::nullopt;
    return stat;
}

std::optional<TaskRuns> ProcessWalker::readRuns(Known &known, std::int32_t pid)
{
    // Only where the last stat showed one thread: only then can the runs spare the next.
    if (!m_procfs || !known.oneThread)
        return std::nullopt;
    // When it cannot be opened, the stat read next tells whether the process is still there.
    if (known.schedstat.get() < 0 &&
        (m_keptRuns >= m_runsBudget ||
         !keepOpen(known.schedstat, PidPath(pid, "schedstat"), O_RDONLY, m_keptRuns)))
        return std::nullopt;
    char text[96];
    ssize_t got = -1;
    do
        got = ::pread(known.schedstat.get(), text, sizeof text, 0);
    while (got < 0 && errno == EINTR);
    if (got <= 0 || static_cast<std::size_t>(got) == sizeof text)
        return std::nullopt;
    return parseSchedstat(std::string_view(text, static_cast<std::size_t>(got)));
}

void ProcessWalker::release(Known &known) noexcept
{
    for (FileDescriptor *fd : {&known.stat, &known.statm, &known.fdDirectory, &known.schedstat})
        if (fd->get() >= 0) {
            if (fd == &known.fdDirectory)
                --m_keptDirectories;
            if (fd == &known.schedstat)
                --m_keptRuns;
            fd->reset();
            --m_keptFiles;
        }
    known.rest.reset();
}

std::optional<ProcessSample> ProcessWalker::readProcess(const Listed &entry,
                                                        const ProcessSampleBuilder &builder, bool counters)
{
    const std::int32_t pid = entry.pid;
    Known &known = m_known[pid];
    const std::optional<ProcessStat> stat = currentStat(known, entry);
    if (!stat)
        return std::nullopt;
    ProcessSample sample = builder.fromStat(pid, *stat);
    sample.name = known.name; // read once per process, kept while it lives
    if (builder.readsStatm()) {
        const std::optional<std::string_view> statmText = readKept(known.statm, pid, "statm");
        if (!statmText)
            return std::nullopt;
        builder.addStatm(sample, *statmText);
    }
    if (builder.readsStatus()) {
        const std::optional<std::string_view> statusText =
            read(PidPath(pid, "status").relative(), Owner::Process);
        if (!statusText)
            return std::nullopt;
        builder.addStatus(sample, *statusText);
    }
    if (counters && m_handleCountsKnown) {
        const std::optional<std::uint64_t> handles = handleCount(known, pid);
        if (!handles)
            return std::nullopt;
        sample.handles = *handles;
        // Our own count leaves out what the walker keeps open, so that it does not grow with the number of
        // processes watched.
        if (pid == m_selfPid)
            sample.handles -= std::min<std::uint64_t>(sample.handles, m_keptFiles);
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
    // A kept stat saves more than a kept schedstat, and that more than a kept fd directory.
    const auto left = [this](std::size_t used) {
        return m_keptFileBudget > used ? m_keptFileBudget - used : 0;
    };
    m_runsBudget = left(2 * listed.size());
    m_directoryBudget = left(3 * listed.size());
    m_listed.clear();
    for (const Listed &entry : listed)
        if (std::optional<ProcessSample> sample = readProcess(entry, builder, counters)) {
            walk.processes.push_back(std::move(*sample));
            m_listed.push_back(entry);
        }
    m_listedLastPid = lastPid;
    // Processes that ended, or could not be read this time, give their descriptors back.
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
    return m_keptFiles;
}

} // namespace quorvin::mgmt::linux_
