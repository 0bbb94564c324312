#include "mgmt/local/LocalSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/linux/CimDateTime.h"
#include "mgmt/linux/LinuxService.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/local/LocalSystem.h"
#include "mgmt/local/ProcessTerminator.h"
#include "mgmt/local/ProcessWalker.h"

#include <charconv>
#include <sys/utsname.h>
#include <unistd.h>

namespace quorvin::mgmt {

namespace {

std::uint64_t systemClockTicksPerSecond()
{
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? static_cast<std::uint64_t>(ticks) : 100; // USER_HZ is 100 wherever it is not reported
}

std::uint64_t systemPageSize()
{
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::uint64_t>(size) : 4096;
}

std::shared_ptr<linux_::LocalSystem> localSystem(LocalSourceOptions &options,
                                                 std::shared_ptr<const WhileWaiting> whileWaiting)
{
    linux_::SystemFiles files(std::move(options.root));
    const bool thisComputer = files.fullPath("") == "/";
    auto processes = std::make_shared<linux_::ProcessWalker>(files.fullPath("proc"),
                                                             linux_::ProcessWalker::Handles::Counted);
    linux_::LocalSystem::Clock clock{
        options.clockTicksPerSecond ? options.clockTicksPerSecond : systemClockTicksPerSecond(),
        options.pageSize ? options.pageSize : systemPageSize(),
        options.utcOffsetMinutes ? std::move(options.utcOffsetMinutes)
                                 : std::function<int(std::int64_t)>(&linux_::localUtcOffsetMinutes),
    };
    return std::make_shared<linux_::LocalSystem>(
        std::move(files), std::move(clock), std::move(processes),
        std::make_shared<const linux_::ProcessTerminator>(thisComputer, std::move(whileWaiting)));
}

} // namespace

LocalSource::LocalSource() : LocalSource(LocalSourceOptions{}) {}

LocalSource::LocalSource(LocalSourceOptions options)
    : m_whileWaiting(std::make_shared<WhileWaiting>()), m_system(localSystem(options, m_whileWaiting)),
      m_hostName(std::move(options.hostName))
{
}

void LocalSource::setWhileWaiting(WhileWaiting whileWaiting)
{
    *m_whileWaiting = std::move(whileWaiting);
}

LocalSource::~LocalSource() = default;

std::string LocalSource::hostName() const
{
    if (!m_hostName.empty())
        return m_hostName;
    // Asked at each connection: the name can change while the program runs. uname gives this computer's name
    // without opening the file; a saved tree has only the file.
    if (m_system->thisComputer()) {
        struct utsname names {};
        if (::uname(&names) == 0)
            return std::string(names.nodename);
    }
    const std::optional<std::string> text = m_system->files().readIfPresent("proc/sys/kernel/hostname");
    return text ? std::string(linux_::trimmed(*text)) : std::string();
}

std::optional<std::int64_t> LocalSource::thisProgramsProcessId(std::string_view monikerText)
{
    if (!m_system->thisComputer() || !isLocalComputerName(parseMoniker(monikerText).computer, hostName()))
        return std::nullopt;
    // Our pid in the pid namespace of the proc the processes are listed from.
    char self[16] = {};
    const ssize_t length = ::readlink("/proc/self", self, sizeof self - 1);
    std::int64_t pid = 0;
    if (length > 0 && std::from_chars(self, self + length, pid).ptr == self + length)
        return pid;
    return ::getpid();
}

std::unique_ptr<Service> LocalSource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    if (!isLocalComputerName(moniker.computer, hostName()))
        throw Error(err::RemoteServerUnavailable);
    return std::make_unique<linux_::LinuxService>(m_system);
}

} // namespace quorvin::mgmt
