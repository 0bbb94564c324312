#include "mgmt/linux/LinuxClasses.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/ProcessClass.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/linux/ProcessorPerfClass.h"
#include "mgmt/linux/ServiceClass.h"

#include <algorithm>
#include <array>

namespace quorvin::mgmt::linux_ {

namespace {

struct ClassEntry {
    std::string_view name;
    std::vector<Instance> (*instances)(LinuxSystem &);
    Prefetch (*needs)(); // where it can be read with others in one prefetch
};

// One table for this computer and for others over SSH; a new class is one more row.
const std::array<ClassEntry, 7> Classes{{
    {cls::OperatingSystem, &operatingSystemInstances, &operatingSystemNeeds},
    {cls::ProcessorCounters, &processorPerfInstances, &processorPerfNeeds},
    {cls::ProcessCounters, &processPerfInstances, &processPerfNeeds},
    {cls::NetworkInterface, &networkInterfaceInstances, &networkInterfaceNeeds},
    {cls::Process, &processInstances, nullptr},
    {cls::Processor, &processorInstances, nullptr},
    {cls::Service, &serviceInstances, nullptr},
}};

const ClassEntry &entryOf(std::string_view className)
{
    for (const ClassEntry &entry : Classes)
        if (equalsIgnoringCase(entry.name, className))
            return entry;
    throw Error(err::InvalidClass);
}

void addAll(std::vector<std::string> &to, const std::vector<std::string> &more)
{
    for (const std::string &item : more)
        if (std::find(to.begin(), to.end(), item) == to.end())
            to.push_back(item);
}

void addNeeds(Prefetch &all, const Prefetch &more)
{
    addAll(all.files, more.files);
    addAll(all.birthTimes, more.birthTimes);
    addAll(all.modificationTimes, more.modificationTimes);
    all.processCount = all.processCount || more.processCount;
    all.utcOffsets = all.utcOffsets || more.utcOffsets;
    if (more.processes && (!all.processes || *more.processes == ProcessDetail::Counters))
        all.processes = more.processes;
}

// The system once its texts for several classes are fetched: each class's own prefetch asks for nothing more.
class Prefetched final : public LinuxSystem {
public:
    explicit Prefetched(LinuxSystem &system) : m_system(system) {}

    void prefetch(const Prefetch &) override {}
    std::optional<std::string> file(const std::string &path) override { return m_system.file(path); }
    std::string requiredFile(const std::string &path) override { return m_system.requiredFile(path); }
    std::optional<std::int64_t> birthTime(const std::string &path) override
    {
        return m_system.birthTime(path);
    }
    std::optional<std::int64_t> modificationTime(const std::string &path) override
    {
        return m_system.modificationTime(path);
    }
    std::uint64_t processCount() override { return m_system.processCount(); }
    std::uint64_t clockTicksPerSecond() override { return m_system.clockTicksPerSecond(); }
    std::uint64_t pageSize() override { return m_system.pageSize(); }
    int utcOffsetMinutes(std::int64_t epochSeconds) override
    {
        return m_system.utcOffsetMinutes(epochSeconds);
    }
    ProcessWalk walkProcesses(ProcessDetail detail) override { return m_system.walkProcesses(detail); }
    std::shared_ptr<const MethodInvoker> processMethods() override { return m_system.processMethods(); }
    WithServiceManager serviceManager() override { return m_system.serviceManager(); }

private:
    LinuxSystem &m_system;
};

} // namespace

std::vector<Instance> linuxInstancesOf(LinuxSystem &system, std::string_view className)
{
    return entryOf(className).instances(system);
}

std::vector<ClassAnswer> linuxInstancesOfEach(LinuxSystem &system,
                                              std::span<const std::string_view> classNames)
{
    std::vector<const ClassEntry *> entries;
    Prefetch needs;
    for (const std::string_view className : classNames) {
        entries.push_back(&entryOf(className));
        if (entries.back()->needs)
            addNeeds(needs, entries.back()->needs());
    }
    system.prefetch(needs);
    Prefetched fetched(system);
    std::vector<ClassAnswer> answers(entries.size());
    const auto make = [&](std::size_t i, LinuxSystem &from) {
        try {
            answers[i].instances = entries[i]->instances(from);
        } catch (const Error &error) {
            answers[i].error = error;
        }
    };
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i]->needs)
            make(i, fetched);
    // The others fetch for themselves, after the prefetched ones: a fetch replaces the texts fetched before.
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i]->needs)
            make(i, system);
    return answers;
}

NameMatch nameMatchOf(std::string_view className)
{
    return equalsIgnoringCase(className, cls::Service) || equalsIgnoringCase(className, cls::NetworkInterface)
               ? NameMatch::Exact
               : NameMatch::IgnoringCase;
}

} // namespace quorvin::mgmt::linux_
