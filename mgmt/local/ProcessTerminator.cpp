#include "mgmt/local/ProcessTerminator.h"
#include "mgmt/Error.h"
#include "mgmt/FileDescriptor.h"
#include "mgmt/Names.h"
#include "mgmt/linux/ProcessEnding.h"
#include "mgmt/linux/ProcessTexts.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvin::mgmt::linux_ {

namespace {

int pidfdOpen(pid_t pid) noexcept
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int pidfdSendSignal(int pidfd, int signal) noexcept
{
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

[[noreturn]] void raiseSignalError(int error)
{
    switch (error) {
    case EPERM:
    case EACCES:
        throw Error(err::AccessDenied);
    case ESRCH:
        throw Error(err::NotFound);
    default:
        throw Error(err::Failed, std::strerror(error));
    }
}

// The start time of whatever process has the pid now; nothing when none has.
std::optional<std::uint64_t> currentStartTicks(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    char buffer[4096];
    std::size_t used = 0;
    while (used < sizeof buffer) {
        const ssize_t got = ::read(fd.get(), buffer + used, sizeof buffer - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    if (used == 0)
        return std::nullopt;
    return parseProcessStat(std::string_view(buffer, used), path).startTicks;
}

} // namespace

ProcessTerminator::ProcessTerminator(bool thisComputer, std::shared_ptr<const WhileWaiting> whileWaiting,
                                     std::chrono::milliseconds endWait)
    : m_thisComputer(thisComputer), m_whileWaiting(std::move(whileWaiting)), m_endWait(endWait)
{
}

void ProcessTerminator::invoke(const Instance &instance, std::string_view method) const
{
    if (!equalsIgnoringCase(method, method::Terminate))
        throw Error(err::MethodNotSupported);
    const pid_t pid = processIdOf(instance);
    const std::optional<std::uint64_t> listedStart = startTicksOf(instance);
    if (!m_thisComputer)
        throw Error(err::Failed, "The processes of a saved system tree cannot be terminated.");
    // From here on the pidfd names one process whatever happens to the pid; checking its start time after
    // opening leaves no moment in which a reused pid could be signalled.
    const FileDescriptor pidfd(pidfdOpen(pid));
    if (pidfd.get() < 0) {
        if (errno == ENOSYS)
            throw Error(err::Failed, "This kernel cannot hold a process while signalling it (no pidfd_open); "
                                     "no process was terminated.");
        raiseSignalError(errno);
    }
    if (listedStart && currentStartTicks(pid) != listedStart)
        throw Error(err::NotFound);
    if (pidfdSendSignal(pidfd.get(), SIGTERM) != 0)
        raiseSignalError(errno);
    awaitEnd(pidfd.get());
}

// SIGTERM may be caught or ignored: success is only told once the process has ended.
void ProcessTerminator::awaitEnd(int pidfd) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + m_endWait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ended{pidfd, POLLIN, 0};
        const int ready = ::poll(&ended, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, 50)));
        if (ready > 0)
            return;
        if (ready < 0 && errno != EINTR)
            throw Error(err::Failed, std::strerror(errno));
        if (left.count() <= 0)
            throw Error(err::Failed, notEndedText(m_endWait));
        if (m_whileWaiting && *m_whileWaiting)
            (*m_whileWaiting)();
    }
}

} // namespace quorvin::mgmt::linux_
