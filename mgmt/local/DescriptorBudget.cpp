#include "mgmt/local/DescriptorBudget.h"

#include <algorithm>
#include <sys/resource.h>

namespace quorvin::mgmt::linux_ {

namespace {

// Descriptors left to the rest of the program (windows, connections, the service bus), or half of a limit
// smaller than twice that.
constexpr std::size_t ReservedFiles = 1024;
// Enough to keep the files of tens of thousands of processes open.
constexpr rlim_t WantedFileLimit = 65536;

std::size_t defaultLimit()
{
    const std::size_t limit = raiseOpenFileLimit();
    return limit - std::min(ReservedFiles, limit / 2);
}

} // namespace

std::size_t raiseOpenFileLimit()
{
    static const std::size_t limit = [] {
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0)
            return std::size_t{1024};
        const rlim_t wanted = std::min(files.rlim_max, WantedFileLimit);
        if (files.rlim_cur < wanted) {
            const rlim_t before = files.rlim_cur;
            files.rlim_cur = wanted;
            if (::setrlimit(RLIMIT_NOFILE, &files) != 0)
                files.rlim_cur = before;
        }
        return files.rlim_cur == RLIM_INFINITY ? static_cast<std::size_t>(WantedFileLimit)
                                               : static_cast<std::size_t>(files.rlim_cur);
    }();
    return limit;
}

DescriptorBudget::DescriptorBudget(std::optional<std::size_t> limit)
    : m_limit(limit ? *limit : defaultLimit())
{
}

void DescriptorBudget::planWalk(std::size_t processes) noexcept
{
    const std::size_t first = processes + countOf(Kind::Stat);
    m_directoryLimit = m_limit > first ? m_limit - first : 0;
}

bool DescriptorBudget::hasRoomFor(Kind kind) const noexcept
{
    return m_kept < m_limit && (kind != Kind::FdDirectory || countOf(kind) < m_directoryLimit);
}

void DescriptorBudget::keep(FileDescriptor &kept, int opened, Kind kind) noexcept
{
    kept.reset(opened);
    ++countOf(kind);
    ++m_kept;
}

void DescriptorBudget::close(FileDescriptor &kept, Kind kind) noexcept
{
    if (kept.get() < 0)
        return;
    kept.reset();
    --countOf(kind);
    --m_kept;
}

} // namespace quorvin::mgmt::linux_
