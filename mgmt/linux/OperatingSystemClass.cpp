#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/Names.h"
#include "mgmt/linux/CimDateTime.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/TextFields.h"

namespace quorvin::mgmt::linux_ {

namespace {

// The paths the instance is made from, asked for all at once.
constexpr const char *OsRelease = "/etc/os-release";
constexpr const char *DefaultOsRelease = "/usr/lib/os-release";
constexpr const char *OsType = "/proc/sys/kernel/ostype";
constexpr const char *OsVersion = "/proc/sys/kernel/osrelease";
constexpr const char *MachineId = "/etc/machine-id";
constexpr const char *DbusMachineId = "/var/lib/dbus/machine-id";
constexpr const char *HostName = "/etc/hostname";
constexpr const char *MemInfoPath = "/proc/meminfo";
constexpr const char *Stat = "/proc/stat";

std::string caption(LinuxSystem &system)
{
    // /etc/os-release takes precedence; /usr/lib/os-release is the distribution's default.
    for (const std::string path : {OsRelease, DefaultOsRelease}) {
        const std::optional<std::string> text = system.file(path);
        if (!text)
            continue;
        if (std::optional<std::string> name = osReleaseValue(*text, "PRETTY_NAME", path);
            name && !name->empty())
            return std::move(*name);
    }
    return "Linux";
}

std::string kernel(LinuxSystem &system)
{
    const std::string type = system.requiredFile(std::string(OsType));
    const std::string release = system.requiredFile(std::string(OsVersion));
    return std::string(singleValue(type, OsType)) + " " + std::string(singleValue(release, OsVersion));
}

std::string machineId(LinuxSystem &system)
{
    for (const std::string path : {MachineId, DbusMachineId})
        if (const std::optional<std::string> text = system.file(path))
            return std::string(trimmed(*text));
    return {};
}

// Linux records no installation date. The birth time of the root file system is the closest thing: it is
// when the system was put on the disk. Overlay and some other file systems keep no birth time; then the
// machine ID's file, written once at the first boot, and failing that the host name's, stand in for it.
std::optional<std::int64_t> installTime(LinuxSystem &system)
{
    if (const std::optional<std::int64_t> born = system.birthTime("/"))
        return born;
    if (const std::optional<std::int64_t> written = system.modificationTime(std::string(MachineId)))
        return written;
    return system.modificationTime(std::string(HostName));
}

Value cimDateTime(std::int64_t epochSeconds, const std::function<int(std::int64_t)> &utcOffsetMinutes)
{
    return formatCimDateTime(epochSeconds, utcOffsetMinutes ? utcOffsetMinutes(epochSeconds) : 0);
}

} // namespace

Prefetch operatingSystemNeeds()
{
    Prefetch needs;
    needs.files = {std::string(OsRelease),     std::string(DefaultOsRelease),
                   std::string(OsType),        std::string(OsVersion),
                   std::string(MemInfoPath),   std::string(MachineId),
                   std::string(DbusMachineId), std::string(Stat)};
    needs.birthTimes = {"/"};
    needs.modificationTimes = {std::string(MachineId), std::string(HostName)};
    needs.processCount = true;
    needs.utcOffsets = true;
    return needs;
}

OperatingSystemFacts readOperatingSystemFacts(LinuxSystem &system)
{
    system.prefetch(operatingSystemNeeds());

    OperatingSystemFacts facts;
    facts.caption = caption(system);
    facts.kernel = kernel(system);
    facts.machineId = machineId(system);
    facts.memory = parseMemInfo(system.requiredFile(std::string(MemInfoPath)));
    facts.processCount = system.processCount();
    facts.bootTime = parseBootTime(system.requiredFile(std::string(Stat)));
    facts.installTime = installTime(system);
    return facts;
}

Instance operatingSystemInstance(const OperatingSystemFacts &facts,
                                 const std::function<int(std::int64_t)> &utcOffsetMinutes)
{
    // One list of names for every instance: a watch of many computers makes one a second for each.
    static const auto names =
        sharedNames({prop::Caption, prop::CSDVersion, prop::FreePhysicalMemory, prop::FreeVirtualMemory,
                     prop::TotalVisibleMemorySize, prop::InstallDate, prop::LastBootupTime,
                     prop::NumberOfProcesses, prop::Organization, prop::SerialNumber});
    std::vector<Value> values;
    values.reserve(names->size());
    values.emplace_back(facts.caption);
    values.emplace_back(facts.kernel);
    values.emplace_back(std::to_string(facts.memory.memAvailableKb));
    values.emplace_back(std::to_string(facts.memory.memAvailableKb + facts.memory.swapFreeKb));
    values.emplace_back(std::to_string(facts.memory.memTotalKb));
    values.push_back(facts.installTime ? cimDateTime(*facts.installTime, utcOffsetMinutes) : Value());
    values.push_back(cimDateTime(facts.bootTime, utcOffsetMinutes));
    values.emplace_back(static_cast<long long>(facts.processCount));
    values.emplace_back(std::string());
    values.emplace_back(facts.machineId);
    return Instance(names, std::move(values));
}

std::vector<Instance> operatingSystemInstances(LinuxSystem &system)
{
    const OperatingSystemFacts facts = readOperatingSystemFacts(system);
    return {operatingSystemInstance(
        facts, [&system](std::int64_t epoch) { return system.utcOffsetMinutes(epoch); })};
}

} // namespace quorvin::mgmt::linux_
