#include "mgmt/remote/RemoteClasses.h"
#include "mgmt/Error.h"
#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/NetDev.h"
#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessClass.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessTerminator.h"
#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/linux/ProcessorPerfClass.h"
#include "mgmt/linux/ServiceClass.h"
#include "mgmt/linux/ServiceManager.h"
#include "mgmt/linux/ServiceMethods.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTexts.h"
#include "mgmt/remote/SshBusBridge.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>

namespace quorvin::mgmt::remote {

using namespace linux_;

namespace {

using Computer = std::shared_ptr<RemoteComputer>;

// Every command reads files with `grep -aH ''`, which prints each line behind its file's name: one process
// for any number of files, and nothing for a file that vanished meanwhile.
constexpr std::string_view Prelude = "export LC_ALL=C; cd /proc || exit 1\n";

RemoteTexts query(RemoteComputer &computer, std::string_view commands)
{
    return RemoteTexts(computer.run(std::string(Prelude) + std::string(commands)).output);
}

// "+0130" as minutes.
int offsetMinutes(std::string_view zone)
{
    if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    int hours = 0, minutes = 0;
    std::from_chars(zone.data() + 1, zone.data() + 3, hours);
    std::from_chars(zone.data() + 3, zone.data() + 5, minutes);
    return (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

// "=KEY EPOCH ZONE": a moment and the computer's offset from UTC at that moment.
struct Moment {
    std::optional<std::int64_t> epoch;
    int offset = 0;
};

Moment momentOf(const RemoteTexts &texts, const std::string &key)
{
    Moment moment;
    const std::string line = texts.value(key).value_or("");
    std::string_view rest = line;
    const std::string_view epoch = nextToken(rest);
    std::int64_t seconds = 0;
    if (!epoch.empty() &&
        std::from_chars(epoch.data(), epoch.data() + epoch.size(), seconds).ec == std::errc() && seconds > 0)
        moment.epoch = seconds;
    moment.offset = offsetMinutes(nextToken(rest));
    return moment;
}

std::vector<Instance> operatingSystem(const Computer &computer)
{
    // The install date: the root file system's birth, else the machine ID's or the host name's file.
    const RemoteTexts texts =
        query(*computer, R"sh(grep -aH '' /etc/os-release /usr/lib/os-release /proc/sys/kernel/ostype \
 /proc/sys/kernel/osrelease /proc/meminfo /etc/machine-id /var/lib/dbus/machine-id 2>/dev/null
set -- [0-9]*; echo "=processes $#"
b=$(sed -n 's/^btime //p' /proc/stat)
i=$(stat -c %W / 2>/dev/null); case "$i" in ''|0|-*|'?') i=$(stat -c %Y /etc/machine-id /etc/hostname 2>/dev/null | sed -n 1p);; esac
echo "=boot $b $(date -d "@$b" +%z 2>/dev/null)"
echo "=install $i $(date -d "@$i" +%z 2>/dev/null)")sh");
    OperatingSystemFacts facts;
    facts.caption = "Linux";
    for (const std::string path : {"/etc/os-release", "/usr/lib/os-release"})
        if (const std::string *text = texts.file(path))
            if (auto name = osReleaseValue(*text, "PRETTY_NAME", path); name && !name->empty()) {
                facts.caption = std::move(*name);
                break;
            }
    facts.kernel =
        std::string(singleValue(texts.required("/proc/sys/kernel/ostype"), "/proc/sys/kernel/ostype")) + " " +
        std::string(singleValue(texts.required("/proc/sys/kernel/osrelease"), "/proc/sys/kernel/osrelease"));
    for (const std::string path : {"/etc/machine-id", "/var/lib/dbus/machine-id"})
        if (const std::string *text = texts.file(path)) {
            facts.machineId = std::string(trimmed(*text));
            break;
        }
    facts.memory = parseMemInfo(texts.required("/proc/meminfo"));
    facts.processCount = parseUnsigned(texts.value("processes").value_or("")).value_or(0);
    const Moment boot = momentOf(texts, "boot"), install = momentOf(texts, "install");
    if (!boot.epoch)
        throw Error(err::Failed, "The remote computer did not give its boot time.");
    facts.bootTime = *boot.epoch;
    facts.installTime = install.epoch;
    const auto offset = [boot, install](std::int64_t epoch) {
        return install.epoch && epoch == *install.epoch ? install.offset : boot.offset;
    };
    return {operatingSystemInstance(facts, offset)};
}

std::vector<Instance> processorCounters(const Computer &computer)
{
    const RemoteTexts texts = query(*computer, "grep -aH '' /proc/stat");
    return processorPerfInstances(parseCpuStat(texts.required("/proc/stat")),
                                  computer->session().ticksPerSecond());
}

std::vector<Instance> processors(const Computer &computer)
{
    const RemoteTexts texts = query(*computer, "grep -aH '' /proc/cpuinfo");
    return processorInstances(parseCpuInfo(texts.required("/proc/cpuinfo")));
}

// The processes in ascending pid order, from the texts of PID/stat (and, for the counters, PID/statm and
// PID/status); a process whose files vanished on the way is left out.
std::vector<ProcessSample> processSamples(const RemoteTexts &texts, bool counters)
{
    std::vector<ProcessSample> samples;
    for (const auto &[path, text] : texts.files()) {
        const auto slash = path.find('/');
        if (slash == std::string::npos || path.compare(slash, std::string::npos, "/stat") != 0 ||
            !parseUnsigned(path.substr(0, slash)))
            continue;
        const std::string pid = path.substr(0, slash);
        const ProcessStat stat = parseProcessStat(text, "/proc/" + path);
        ProcessSample sample;
        sample.pid = stat.pid;
        sample.name = std::string(stat.name);
        sample.startTicks = stat.startTicks;
        sample.cpuTicks = stat.userTicks + stat.systemTicks;
        sample.threads = stat.threads;
        if (counters) {
            const std::string *statm = texts.file(pid + "/statm");
            if (!statm)
                continue;
            const ProcessStatm memory = parseProcessStatm(*statm, "/proc/" + pid + "/statm");
            sample.residentPages = memory.residentPages;
            sample.sharedPages = memory.sharedPages;
            if (const std::string *status = texts.file(pid + "/status"))
                sample.swappedKb = parseStatusSwapKb(*status, "/proc/" + pid + "/status");
        }
        samples.push_back(std::move(sample));
    }
    std::sort(samples.begin(), samples.end(), [](const auto &a, const auto &b) { return a.pid < b.pid; });
    return samples;
}

std::vector<Instance> processCounters(const Computer &computer)
{
    // Swap is looked at only where there is any. Open descriptors are not counted here: a second pass over
    // the process table would about double what a refresh costs the computer (bench/remote_bench.cpp).
    const RemoteTexts texts =
        query(*computer, R"sh(grep -aH '' [0-9]*/stat [0-9]*/statm /proc/stat /proc/uptime 2>/dev/null
grep -q '^SwapTotal: *0 kB' /proc/meminfo || grep -aH '^VmSwap' [0-9]*/status 2>/dev/null)sh");
    ProcessWalk walk;
    walk.processes = processSamples(texts, true);
    const CpuStat cpu = parseCpuStat(texts.required("/proc/stat"));
    walk.idleTicks = cpu.total.idleTicks();
    walk.processorCount = cpu.processors.size();
    walk.timestamp100Ns = parseUptime100Ns(texts.required("/proc/uptime"), "/proc/uptime");
    SshSession &session = computer->session();
    return processPerfInstances(walk, session.ticksPerSecond(), session.pageSize());
}

// Terminate ends exactly the listed process, all in one command on the computer so that nothing runs between
// the check and the signal: the pid (a number, never text spliced into the line) must still carry the listed
// start time (field 22 of its stat), and success is told only once the process has ended (or is a zombie).
class RemoteTerminator final : public MethodInvoker {
public:
    explicit RemoteTerminator(Computer computer) : m_computer(std::move(computer)) {}

    void invoke(const Instance &instance, std::string_view method) const override
    {
        if (!equalsIgnoringCase(method, "Terminate"))
            throw Error(err::MethodNotSupported);
        const pid_t pid = processIdOf(instance);
        const std::optional<std::uint64_t> start = startTicksOf(instance);
        const auto wait = std::chrono::seconds(3);
        const RemoteTexts texts =
            query(*m_computer, "(p=" + std::to_string(pid) + " t=" + (start ? std::to_string(*start) : "") +
                                   " n=" + std::to_string(wait.count() * 10) + R"sh(
same() { s=$(cat /proc/$p/stat 2>/dev/null) || return 1; s=${s##*) }; set -- $s
 [ "$#" -ge 20 ] && [ "$1" != Z ] && { [ -z "$t" ] || [ "${20}" = "$t" ]; }; }
if ! same; then echo "=result gone"
elif ! e=$(kill -s TERM "$p" 2>&1); then echo "=result refused $e"
else i=0; while same && [ "$i" -lt "$n" ]; do sleep 0.1; i=$((i+1)); done
 if same; then echo "=result running"; else echo "=result ended"; fi
fi))sh");
        const std::string result = texts.value("result").value_or("");
        if (result == "ended")
            return;
        if (result == "gone")
            throw Error(err::NotFound);
        if (result == "running")
            throw Error(err::Failed, ProcessTerminator::notEndedText(wait));
        if (result.find("not permitted") != std::string::npos)
            throw Error(err::AccessDenied);
        if (result.find("No such process") != std::string::npos)
            throw Error(err::NotFound);
        throw Error(err::Failed,
                    "The process " + std::to_string(pid) + " could not be ended: " +
                        std::string(trimmed(result.starts_with("refused ") ? result.substr(8) : result)));
    }

private:
    Computer m_computer;
};

std::vector<Instance> processList(const Computer &computer)
{
    const RemoteTexts texts = query(*computer, "grep -aH '' [0-9]*/stat 2>/dev/null");
    return processInstances(processSamples(texts, false), std::make_shared<RemoteTerminator>(computer));
}

std::vector<Instance> services(const Computer &computer)
{
    std::vector<ServiceUnit> units;
    computer->use([&](SshSession &session) {
        SshBusBridge bridge(session);
        bridge.call([&](sd_bus *bus) { units = ServiceManager(bus).services(); });
    });
    // Each start or stop gets a bus of its own over the same connection.
    auto methods = std::make_shared<ServiceMethods>([computer](const ServiceMethods::Action &action) {
        computer->use([&](SshSession &session) {
            SshBusBridge bridge(session);
            bridge.call([&](sd_bus *bus) { action(ServiceManager(bus)); });
        });
    });
    return serviceInstances(units, methods);
}

std::vector<Instance> networkInterfaces(const Computer &computer)
{
    const RemoteTexts texts =
        query(*computer, "grep -aH '' /proc/net/dev /sys/class/net/*/speed 2>/dev/null");
    const std::vector<InterfaceCounters> interfaces = parseNetDev(texts.required("/proc/net/dev"));
    std::vector<std::uint64_t> speeds;
    for (const InterfaceCounters &c : interfaces) {
        const std::string *speed = texts.file("/sys/class/net/" + c.name + "/speed");
        speeds.push_back(speed ? linkBitsPerSecond(*speed) : 0);
    }
    return networkInterfaceInstances(interfaces, speeds);
}

struct ClassEntry {
    std::string_view name;
    std::vector<Instance> (*instances)(const Computer &);
};

const std::array<ClassEntry, 7> Classes{{
    {"Win32_OperatingSystem", &operatingSystem},
    {"Win32_PerfRawData_PerfOS_Processor", &processorCounters},
    {"Win32_PerfRawData_PerfProc_Process", &processCounters},
    {"Win32_PerfRawData_Tcpip_NetworkInterface", &networkInterfaces},
    {"Win32_Process", &processList},
    {"Win32_Processor", &processors},
    {"Win32_Service", &services},
}};

} // namespace

std::vector<Instance> remoteInstancesOf(const std::shared_ptr<RemoteComputer> &computer,
                                        std::string_view className)
{
    for (const ClassEntry &entry : Classes)
        if (equalsIgnoringCase(entry.name, className))
            return entry.instances(computer);
    throw Error(err::InvalidClass);
}

} // namespace quorvin::mgmt::remote
