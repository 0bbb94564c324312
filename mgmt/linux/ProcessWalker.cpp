#include "mgmt/linux/ProcessWalker.h"
#include "mgmt/Error.h"
#include "mgmt/linux/FileDescriptor.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessTexts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace quorvin::mgmt::linux_ {

namespace {

// Room for any stat, statm or status text in one read; /proc/stat of a large machine grows it once.
constexpr std::size_t InitialBufferSize = 8 * 1024;

// "/proc/PID/LEAF" without allocating: the part after "/proc/" opens the file below the proc directory, the
// whole names it in errors.
class PidPath final {
public:
    PidPath(std::int32_t pid, std::string_view leaf)
    {
        constexpr std::string_view Prefix = "/proc/";
        char *out = std::copy(Prefix.begin(), Prefix.end(), m_text);
        out = std::to_chars(out, m_text + sizeof m_text, pid).ptr;
        *out++ = '/';
        out = std::copy(leaf.begin(), leaf.end(), out);
        *out = '\0';
        m_size = static_cast<std::size_t>(out - m_text);
    }
    const char *relative() const noexcept { return m_text + 6; }
    std::string_view display() const noexcept { return {m_text, m_size}; }

private:
    char m_text[40];
    std::size_t m_size;
};

// A process that ends between the listing and the reads makes its files vanish or fail with ESRCH.
bool processEnded(int error) noexcept
{
    return error == ENOENT || error == ESRCH;
}

std::optional<std::int32_t> pidOf(const char *name) noexcept
{
    std::int32_t pid = 0;
    const char *end = name + std::strlen(name);
    const auto [ptr, ec] = std::from_chars(name, end, pid);
    if (ec != std::errc() || ptr != end || name == end || *name == '-' || *name == '+' || pid <= 0)
        return std::nullopt;
    return pid;
}

Error unreadable(const std::string &procPath, const char *relative, int error)
{
    return Error(err::Failed,
                 "The file " + procPath + relative + " cannot be read: " + std::strerror(error) + ".");
}

Error unlistable(const std::string &procPath, const char *relative, int error)
{
    return Error(err::Failed,
                 "The directory " + procPath + relative + " cannot be listed: " + std::strerror(error) + ".");
}

std::uint64_t checkedSum(std::uint64_t a, std::uint64_t b, std::string_view file)
{
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw Error(err::Failed,
                    "The file " + std::string(file) + " gives a processor time too large to add.");
    return sum;
}

} // namespace

ProcessWalker::ProcessWalker(std::string procPath, Handles handles)
    : m_procPath(std::move(procPath)), m_handles(handles), m_dir(nullptr, ::closedir),
      m_buffer(InitialBufferSize)
{
    if (m_procPath.empty() || m_procPath.back() != '/')
        m_procPath += '/';
}

ProcessWalker::~ProcessWalker() = default;

int ProcessWalker::procFd()
{
    if (!m_dir) {
        // Opened at the first walk, not before: a source over a tree without proc answers its other classes.
        const int fd = ::open(m_procPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            throw unlistable(m_procPath, "", error);
        }
        m_dir.reset(dir);
        // Our own process has this directory open, so a kernel that counts reports at least 1.
        struct statfs fileSystem {};
        struct stat own {};
        m_handleCountsKnown = m_handles == Handles::Counted && ::fstatfs(fd, &fileSystem) == 0 &&
                              fileSystem.f_type == PROC_SUPER_MAGIC &&
                              ::fstatat(fd, "self/fd", &own, 0) == 0 && own.st_size > 0;
    }
    return ::dirfd(m_dir.get());
}

std::vector<std::int32_t> ProcessWalker::listPids()
{
    procFd();
    ::rewinddir(m_dir.get());
    std::vector<std::int32_t> pids;
    pids.reserve(m_known.size() + 64);
    errno = 0;
    while (const dirent *entry = ::readdir(m_dir.get())) {
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
            continue;
        if (const std::optional<std::int32_t> pid = pidOf(entry->d_name))
            pids.push_back(*pid);
    }
    if (errno != 0)
        throw unlistable(m_procPath, "", errno);
    // The kernel lists in ascending order already; a saved tree lists in any order.
    if (!std::is_sorted(pids.begin(), pids.end()))
        std::sort(pids.begin(), pids.end());
    return pids;
}

std::optional<std::string_view> ProcessWalker::read(const char *relative)
{
    const FileDescriptor fd(::openat(procFd(), relative, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (processEnded(errno))
            return std::nullopt;
        throw unreadable(m_procPath, relative, errno);
    }
    ++m_filesOpened;
    std::size_t used = 0;
    for (;;) {
        if (used == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        const std::size_t room = m_buffer.size() - used;
        const ssize_t got = ::read(fd.get(), m_buffer.data() + used, room);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (processEnded(errno))
                return std::nullopt;
            throw unreadable(m_procPath, relative, errno);
        }
        used += static_cast<std::size_t>(got);
        // The kernel hands these texts over whole: a read that leaves room was the last, which saves a
        // second read per file.
        if (static_cast<std::size_t>(got) < room)
            break;
    }
    if (used == 0)
        return std::nullopt;
    return std::string_view(m_buffer.data(), used);
}

std::string_view ProcessWalker::readSystemFile(const char *relative)
{
    const std::optional<std::string_view> text = read(relative);
    if (!text)
        throw Error(err::Failed, "The file " + m_procPath + relative + " is missing or empty.");
    return *text;
}

std::optional<std::uint64_t> ProcessWalker::handleCount(const char *relative)
{
    struct stat info {};
    if (::fstatat(procFd(), relative, &info, 0) != 0) {
        if (processEnded(errno))
            return std::nullopt;
        throw unreadable(m_procPath, relative, errno);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

const std::string &ProcessWalker::knownName(std::int32_t pid, std::string_view name, std::uint64_t startTicks)
{
    auto [it, added] = m_known.try_emplace(pid);
    Known &known = it->second;
    if (added || known.startTicks != startTicks) {
        known.name.assign(name);
        known.startTicks = startTicks;
    }
    known.seenInWalk = m_walks;
    return known.name;
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

    const std::vector<std::int32_t> pids = listPids();
    walk.processes.reserve(pids.size());
    for (const std::int32_t pid : pids) {
        const PidPath statPath(pid, "stat");
        const std::optional<std::string_view> statText = read(statPath.relative());
        if (!statText)
            continue;
        const ProcessStat stat = parseProcessStat(*statText, statPath.display());
        ProcessSample sample;
        sample.pid = pid;
        sample.name = knownName(pid, stat.name, stat.startTicks);
        sample.startTicks = stat.startTicks;
        sample.cpuTicks = checkedSum(stat.userTicks, stat.systemTicks, statPath.display());
        sample.threads = stat.threads;
        if (counters) {
            const PidPath statmPath(pid, "statm");
            const std::optional<std::string_view> statmText = read(statmPath.relative());
            if (!statmText)
                continue;
            const ProcessStatm statm = parseProcessStatm(*statmText, statmPath.display());
            sample.residentPages = statm.residentPages;
            sample.sharedPages = statm.sharedPages;
            if (swapInUse) {
                const PidPath statusPath(pid, "status");
                const std::optional<std::string_view> statusText = read(statusPath.relative());
                if (!statusText)
                    continue;
                sample.swappedKb = parseStatusSwapKb(*statusText, statusPath.display());
            }
            if (m_handleCountsKnown) {
                const std::optional<std::uint64_t> handles = handleCount(PidPath(pid, "fd").relative());
                if (!handles)
                    continue;
                sample.handles = *handles;
            }
        }
        walk.processes.push_back(std::move(sample));
    }
    std::erase_if(m_known, [this](const auto &entry) { return entry.second.seenInWalk != m_walks; });

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

} // namespace quorvin::mgmt::linux_
