#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/CimDateTime.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/TextFields.h"

namespace quorvin::mgmt::linux_ {

namespace {

std::string caption(const SystemFiles &files)
{
    // /etc/os-release takes precedence; /usr/lib/os-release is the distribution's default.
    for (const std::string_view path : {"etc/os-release", "usr/lib/os-release"}) {
        const std::optional<std::string> text = files.readIfPresent(path);
        if (!text)
            continue;
        if (std::optional<std::string> name = osReleaseValue(*text, "PRETTY_NAME", "/" + std::string(path));
            name && !name->empty())
            return std::move(*name);
    }
    return "Linux";
}

std::string kernel(const SystemFiles &files)
{
    const std::string type = files.read("proc/sys/kernel/ostype");
    const std::string release = files.read("proc/sys/kernel/osrelease");
    return std::string(singleValue(type, "/proc/sys/kernel/ostype")) + " " +
           std::string(singleValue(release, "/proc/sys/kernel/osrelease"));
}

std::string machineId(const SystemFiles &files)
{
    for (const std::string_view path : {"etc/machine-id", "var/lib/dbus/machine-id"})
        if (const std::optional<std::string> text = files.readIfPresent(path))
            return std::string(trimmed(*text));
    return {};
}

// Linux records no installation date. The birth time of the root file system is the closest thing: it is
// when the system was put on the disk. Overlay and some other file systems keep no birth time; then the
// machine ID's file, written once at the first boot, and failing that the host name's, stand in for it.
std::optional<std::int64_t> installTime(const SystemFiles &files)
{
    if (const std::optional<std::int64_t> born = files.birthTime(""))
        return born;
    if (const std::optional<std::int64_t> written = files.modificationTime("etc/machine-id"))
        return written;
    return files.modificationTime("etc/hostname");
}

Value cimDateTime(std::int64_t epochSeconds, const std::function<int(std::int64_t)> &utcOffsetMinutes)
{
    return formatCimDateTime(epochSeconds, utcOffsetMinutes ? utcOffsetMinutes(epochSeconds) : 0);
}

} // namespace

OperatingSystemFacts readOperatingSystemFacts(const SystemFiles &files)
{
    OperatingSystemFacts facts;
    facts.caption = caption(files);
    facts.kernel = kernel(files);
    facts.machineId = machineId(files);
    facts.memory = parseMemInfo(files.read("proc/meminfo"));
    facts.processCount = files.countNumericDirectories("proc");
    facts.bootTime = parseBootTime(files.read("proc/stat"));
    facts.installTime = installTime(files);
    return facts;
}

Instance operatingSystemInstance(const OperatingSystemFacts &facts,
                                 const std::function<int(std::int64_t)> &utcOffsetMinutes)
{
    return Instance({
        {"Caption", facts.caption},
        {"CSDVersion", facts.kernel},
        {"FreePhysicalMemory", std::to_string(facts.memory.memAvailableKb)},
        {"FreeVirtualMemory", std::to_string(facts.memory.memAvailableKb + facts.memory.swapFreeKb)},
        {"InstallDate", facts.installTime ? cimDateTime(*facts.installTime, utcOffsetMinutes) : Value()},
        {"LastBootupTime", cimDateTime(facts.bootTime, utcOffsetMinutes)},
        {"NumberOfProcesses", static_cast<long long>(facts.processCount)},
        {"Organization", ""},
        {"SerialNumber", facts.machineId},
    });
}

std::vector<Instance> operatingSystemInstances(const LocalSystem &system)
{
    return {operatingSystemInstance(readOperatingSystemFacts(system.files), system.utcOffsetMinutes)};
}

} // namespace quorvin::mgmt::linux_
