// One remote answer, split into its files and values, then built into instances the way the remote classes
// do: whatever the other computer prints must end as instances or as a reported error.

#include "FuzzInput.h"
#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/NetDev.h"
#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessClass.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/linux/ProcessorPerfClass.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTexts.h"

using namespace quorvin::mgmt;
using namespace quorvin::mgmt::linux_;
using quorvin::fuzz::rejectedOrParsed;
using quorvin::mgmt::remote::RemoteTexts;

namespace {

void buildOperatingSystem(const RemoteTexts &texts)
{
    OperatingSystemFacts facts;
    for (const std::string path : {"/etc/os-release", "/usr/lib/os-release"})
        if (const std::string *text = texts.file(path))
            if (auto name = osReleaseValue(*text, "PRETTY_NAME", path))
                facts.caption = *name;
    facts.kernel = std::string(singleValue(texts.required("/proc/sys/kernel/ostype"), "ostype"));
    if (const std::string *id = texts.file("/etc/machine-id"))
        facts.machineId = std::string(trimmed(*id));
    facts.memory = parseMemInfo(texts.required("/proc/meminfo"));
    facts.processCount = parseUnsigned(texts.value("processes").value_or("")).value_or(0);
    operatingSystemInstance(facts, [](std::int64_t) { return 0; });
}

void buildProcesses(const RemoteTexts &texts)
{
    ProcessWalk walk;
    for (const auto &[path, text] : texts.files()) {
        const auto slash = path.find('/');
        if (slash == std::string::npos || path.compare(slash, std::string::npos, "/stat") != 0 ||
            !parseUnsigned(path.substr(0, slash)))
            continue;
        const std::string pid = path.substr(0, slash);
        const ProcessStat stat = parseProcessStat(text, path);
        ProcessSample sample;
        sample.pid = stat.pid;
        sample.name = std::string(stat.name);
        sample.cpuTicks = stat.userTicks + stat.systemTicks;
        sample.threads = stat.threads;
        if (const std::string *statm = texts.file(pid + "/statm")) {
            const ProcessStatm memory = parseProcessStatm(*statm, "statm");
            sample.residentPages = memory.residentPages;
            sample.sharedPages = memory.sharedPages;
        }
        if (const std::string *status = texts.file(pid + "/status"))
            sample.swappedKb = parseStatusSwapKb(*status, "status");
        walk.processes.push_back(std::move(sample));
    }
    processInstances(walk.processes, nullptr);
    const CpuStat cpu = parseCpuStat(texts.required("/proc/stat"));
    walk.idleTicks = cpu.total.idleTicks();
    walk.processorCount = cpu.processors.size();
    walk.timestamp100Ns = parseUptime100Ns(texts.required("/proc/uptime"), "uptime");
    processPerfInstances(walk, 100, 4096);
}

void buildNetwork(const RemoteTexts &texts)
{
    const std::vector<InterfaceCounters> interfaces = parseNetDev(texts.required("/proc/net/dev"));
    std::vector<std::uint64_t> speeds;
    for (const InterfaceCounters &c : interfaces) {
        const std::string *speed = texts.file("/sys/class/net/" + c.name + "/speed");
        speeds.push_back(speed ? linkBitsPerSecond(*speed) : 0);
    }
    networkInterfaceInstances(interfaces, speeds);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const RemoteTexts texts(quorvin::fuzz::textOf(data, size));
    rejectedOrParsed([&] { buildOperatingSystem(texts); });
    rejectedOrParsed([&] { buildProcesses(texts); });
    rejectedOrParsed([&] { processorPerfInstances(parseCpuStat(texts.required("/proc/stat")), 100); });
    rejectedOrParsed([&] { processorInstances(parseCpuInfo(texts.required("/proc/cpuinfo"))); });
    rejectedOrParsed([&] { buildNetwork(texts); });
    return 0;
}
