#include "mgmt/local/LocalSystem.h"
#include "mgmt/Error.h"
#include "mgmt/linux/ServiceManager.h"
#include "mgmt/local/ProcessWalker.h"
#include "mgmt/local/SystemBus.h"

namespace quorvin::mgmt::linux_ {

LocalSystem::LocalSystem(SystemFiles files, Clock clock, std::shared_ptr<ProcessWalker> processes,
                         std::shared_ptr<const MethodInvoker> processMethods)
    : m_files(std::move(files)), m_clock(std::move(clock)), m_processes(std::move(processes)),
      m_processMethods(std::move(processMethods))
{
}

LocalSystem::~LocalSystem() = default;

std::optional<std::string> LocalSystem::file(const std::string &path)
{
    return m_files.readIfPresent(path);
}

std::string LocalSystem::requiredFile(const std::string &path)
{
    return m_files.read(path);
}

std::optional<std::int64_t> LocalSystem::birthTime(const std::string &path)
{
    return m_files.birthTime(path);
}

std::optional<std::int64_t> LocalSystem::modificationTime(const std::string &path)
{
    return m_files.modificationTime(path);
}

std::uint64_t LocalSystem::processCount()
{
    return m_files.countNumericDirectories("/proc");
}

int LocalSystem::utcOffsetMinutes(std::int64_t epochSeconds)
{
    return m_clock.utcOffsetMinutes ? m_clock.utcOffsetMinutes(epochSeconds) : 0;
}

ProcessWalk LocalSystem::walkProcesses(ProcessDetail detail)
{
    return m_processes->walk(detail == ProcessDetail::Counters ? ProcessWalker::Detail::Counters
                                                               : ProcessWalker::Detail::Names);
}

WithServiceManager LocalSystem::serviceManager()
{
    // The services of this computer say nothing about a saved system tree.
    if (!thisComputer())
        throw Error(err::Failed, "The service manager is not available: a saved system tree has none.");
    return [](const ServiceAction &action) {
        const BusPtr bus = openSystemBus();
        action(ServiceManager(bus.get()));
    };
}

} // namespace quorvin::mgmt::linux_
