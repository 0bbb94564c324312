#include "mgmt/pcp/PcpClasses.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/Query.h"
#include "mgmt/linux/CimDateTime.h"
#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/ProcessClass.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/linux/ProcessorPerfClass.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <unordered_map>

namespace quorvin::mgmt::pcp {

namespace {

using linux_::ProcessSample;

// The collector's units: processor times in milliseconds, memory in kilobytes. The Linux builders take them
// as ticks of a 1,000 Hz clock and pages of 1 KiB.
constexpr std::uint64_t MillisecondsPerSecond = 1000;
constexpr std::uint64_t BytesPerKb = 1024;
// Process start times come in milliseconds, made from ticks of Linux's user clock (USER_HZ, 100 on every
// architecture): divided back, they are the ticks the Linux backends give.
constexpr std::uint64_t MillisecondsPerUserTick = 10;

constexpr std::array<MetricNeed, 8> OperatingSystemMetrics{{
    {"kernel.uname.sysname"},
    {"kernel.uname.release"},
    {"kernel.uname.distro", false, true},
    {"mem.util.available"},
    {"mem.physmem", false, true},
    {"swap.free"},
    {"proc.nprocs"},
    {"kernel.all.boottime"},
}};

constexpr std::array<MetricNeed, 2> ProcessorMetrics{{
    {"hinv.ncpu"},
    {"hinv.cpu.model_name", true, true},
}};

// The fields of /proc/stat that the Linux backends add up, for the whole machine and for each processor.
constexpr std::array<std::string_view, 8> CpuFields{"user",       "nice",     "sys",      "idle",
                                                    "wait.total", "irq.hard", "irq.soft", "steal"};

constexpr std::array<MetricNeed, 16> ProcessorCounterMetrics{{
    {"kernel.all.cpu.user"},
    {"kernel.all.cpu.nice"},
    {"kernel.all.cpu.sys"},
    {"kernel.all.cpu.idle"},
    {"kernel.all.cpu.wait.total"},
    {"kernel.all.cpu.irq.hard"},
    {"kernel.all.cpu.irq.soft"},
    {"kernel.all.cpu.steal"},
    {"kernel.percpu.cpu.user", true},
    {"kernel.percpu.cpu.nice", true},
    {"kernel.percpu.cpu.sys", true},
    {"kernel.percpu.cpu.idle", true},
    {"kernel.percpu.cpu.wait.total", true},
    {"kernel.percpu.cpu.irq.hard", true},
    {"kernel.percpu.cpu.irq.soft", true},
    {"kernel.percpu.cpu.steal", true},
}};

// "_Total" alone: the whole machine's times, divided by the number of processors.
constexpr std::array<MetricNeed, CpuFields.size() + 1> ProcessorTotalMetrics = [] {
    std::array<MetricNeed, CpuFields.size() + 1> needs{};
    std::copy_n(ProcessorCounterMetrics.begin(), CpuFields.size(), needs.begin());
    needs.back() = {"hinv.ncpu"};
    return needs;
}();

constexpr std::array<MetricNeed, 2> ProcessMetrics{{
    {"proc.psinfo.cmd"},
    {"proc.psinfo.start_time"},
}};

constexpr std::array<MetricNeed, 13> ProcessCounterMetrics{{
    {"proc.psinfo.cmd"},
    {"proc.psinfo.start_time"},
    {"proc.psinfo.utime"},
    {"proc.psinfo.stime"},
    {"proc.psinfo.threads"},
    {"proc.memory.rss"},
    {"proc.memory.share"},
    {"proc.memory.vmswap", false, true}, // kernel threads have none
    {"proc.fd.count", false, true},      // through local:, only for the user's own processes
    {"kernel.all.cpu.idle"},
    {"kernel.all.cpu.wait.total"},
    {"hinv.ncpu"},
    {"kernel.all.boottime"},
}};

constexpr std::array<MetricNeed, 5> NetworkMetrics{{
    {"network.interface.in.bytes", true},
    {"network.interface.in.packets", true},
    {"network.interface.out.bytes", true},
    {"network.interface.out.packets", true},
    {"network.interface.speed", true, true},
}};

// Reads one sample for one class, with errors that name the collector, the metric and the class.
class Reader final {
public:
    Reader(const Sample &sample, std::string_view className) : m_sample(sample), m_className(className) {}

    const MetricValues &required(std::string_view metric) const
    {
        const MetricValues *values = find(metric);
        if (!values)
            throw Error(err::Failed,
                        "The " + sourceText() + " was not asked for the metric " + std::string(metric) + ".");
        if (values->gap == Gap::None)
            return *values;
        if (values->gap == Gap::Unknown)
            throw Error(err::Failed,
                        (m_sample.archive ? "The " + sourceText() + " did not log the metric "
                                          : "The " + sourceText() + " does not have the metric ") +
                            std::string(metric) + ", which Quorvin reads for " + std::string(m_className) +
                            (values->why.empty() ? std::string() : " (" + values->why + ")") + ".");
        if (values->gap == Gap::Refused)
            throw refused(metric, values->why);
        throw Error(err::Failed, "The " + sourceText() + " could not give the metric " + std::string(metric) +
                                     ": " + values->why + ".");
    }

    // Nothing for a gap.
    const MetricValues *optional(std::string_view metric) const
    {
        const MetricValues *values = find(metric);
        return values && values->gap == Gap::None ? values : nullptr;
    }

    const Atom &single(std::string_view metric) const
    {
        const MetricValues &values = required(metric);
        if (values.values.empty())
            throw Error(err::Failed,
                        "The " + sourceText() + " gave no value of the metric " + std::string(metric) + ".");
        return values.values.front().value;
    }

    std::uint64_t count(std::string_view metric, const Atom &atom) const
    {
        if (const auto *u = std::get_if<std::uint64_t>(&atom))
            return *u;
        if (const auto *i = std::get_if<std::int64_t>(&atom)) {
            if (*i < 0)
                throw outOfRange(metric, std::to_string(*i));
            return static_cast<std::uint64_t>(*i);
        }
        if (const auto *d = std::get_if<double>(&atom)) {
            // Below 2^64, so that the conversion is defined.
            if (!std::isfinite(*d) || *d < 0 || *d >= 18446744073709551616.0)
                throw outOfRange(metric, std::to_string(*d));
            return static_cast<std::uint64_t>(*d);
        }
        throw wrongType(metric);
    }

    double number(std::string_view metric, const Atom &atom) const
    {
        if (const auto *d = std::get_if<double>(&atom)) {
            if (!std::isfinite(*d))
                throw outOfRange(metric, std::to_string(*d));
            return *d;
        }
        if (const auto *u = std::get_if<std::uint64_t>(&atom))
            return static_cast<double>(*u);
        if (const auto *i = std::get_if<std::int64_t>(&atom))
            return static_cast<double>(*i);
        throw wrongType(metric);
    }

    std::string text(std::string_view metric, const Atom &atom) const
    {
        if (const auto *s = std::get_if<std::string>(&atom))
            return *s;
        throw wrongType(metric);
    }

    std::uint64_t singleCount(std::string_view metric) const { return count(metric, single(metric)); }
    std::string singleText(std::string_view metric) const { return text(metric, single(metric)); }

    // The values of a metric by instance number.
    std::unordered_map<int, const Atom *> byInstance(const MetricValues &values) const
    {
        std::unordered_map<int, const Atom *> found;
        found.reserve(values.values.size());
        for (const InstanceValue &value : values.values)
            found.emplace(value.instance, &value.value);
        return found;
    }

    Error outOfRange(std::string_view metric, const std::string &value) const
    {
        return Error(err::Failed, "The " + sourceText() + " gave a value out of range for the metric " +
                                      std::string(metric) + ": " + value + ".");
    }

    Error wrongType(std::string_view metric) const
    {
        return Error(err::Failed, "The " + sourceText() +
                                      " gave a value of another type than expected for the "
                                      "metric " +
                                      std::string(metric) + ".");
    }

    std::string sourceText() const
    {
        return (m_sample.archive ? "PCP archive " : "PCP collector ") + m_sample.source;
    }

    const Sample &sample() const noexcept { return m_sample; }

private:
    const MetricValues *find(std::string_view metric) const { return m_sample.metrics.find(metric); }

    Error refused(std::string_view metric, const std::string &why) const
    {
        const std::string reason = why.empty() ? std::string() : " (" + why + ")";
        if (metric.starts_with("proc."))
            return Error(err::AccessDenied,
                         "Access is denied. The " + sourceText() +
                             " gives no per-process values to this "
                             "connection" +
                             reason +
                             ": its process agent gives them only to clients that sign in (SASL, in the "
                             "collector's address) or to every client when it runs with -A.");
        return Error(err::AccessDenied, "Access is denied. The " + sourceText() + " refuses the metric " +
                                            std::string(metric) + " to this connection" + reason + ".");
    }

    const Sample &m_sample;
    std::string_view m_className;
};

Error servicesUnknown()
{
    return Error(
        err::Failed,
        "Performance Co-Pilot has no metrics of services, so Quorvin cannot show or control the "
        "services of a PCP collector or archive. Watch the computer by its SSH name to see its services.");
}

// PCP only reads: nothing is ever sent to end a process.
class ReadOnlyMethods final : public MethodInvoker {
public:
    explicit ReadOnlyMethods(std::string source) : m_source(std::move(source)) {}

    void invoke(const Instance &, std::string_view method) const override
    {
        throw Error(err::AccessDenied, "Quorvin only reads through Performance Co-Pilot, so " +
                                           std::string(method) + " cannot act on the " + m_source +
                                           ". Watch the computer by its SSH name to act on it.");
    }

private:
    std::string m_source;
};

std::vector<Instance> operatingSystem(const Reader &read)
{
    linux_::OperatingSystemFacts facts;
    const std::string system = read.singleText("kernel.uname.sysname");
    if (const MetricValues *distro = read.optional("kernel.uname.distro"); distro && !distro->values.empty())
        facts.caption = read.text("kernel.uname.distro", distro->values.front().value);
    if (facts.caption.empty())
        facts.caption = system;
    facts.kernel = system + " " + read.singleText("kernel.uname.release");
    facts.memory.memAvailableKb = read.singleCount("mem.util.available");
    if (const MetricValues *total = read.optional("mem.physmem"); total && !total->values.empty())
        facts.memory.memTotalKb = read.count("mem.physmem", total->values.front().value);
    // swap.free is in bytes; the instance counts kilobytes, as /proc/meminfo does.
    facts.memory.swapFreeKb = read.singleCount("swap.free") / BytesPerKb;
    facts.processCount = read.singleCount("proc.nprocs");
    const std::uint64_t boot = read.singleCount("kernel.all.boottime");
    if (boot > static_cast<std::uint64_t>(INT64_MAX))
        throw read.outOfRange("kernel.all.boottime", std::to_string(boot));
    facts.bootTime = static_cast<std::int64_t>(boot);
    // The dates are shown in this computer's time zone, as the time of the last update is.
    return {linux_::operatingSystemInstance(facts, &linux_::localUtcOffsetMinutes)};
}

std::uint64_t processorCount(const Reader &read)
{
    const std::uint64_t count = read.singleCount("hinv.ncpu");
    if (count == 0 || count > 1'000'000)
        throw read.outOfRange("hinv.ncpu", std::to_string(count));
    return count;
}

std::vector<Instance> processors(const Reader &read)
{
    const std::uint64_t count = processorCount(read);
    // PCP does not tell the physical packages apart: one package holds every processor.
    linux_::ProcessorPackage package;
    package.logicalProcessors = static_cast<unsigned>(count);
    if (const MetricValues *models = read.optional("hinv.cpu.model_name"); models && !models->values.empty())
        package.modelName = read.text("hinv.cpu.model_name", models->values.front().value);
    return linux_::processorInstances(std::vector<linux_::ProcessorPackage>{package});
}

// "cpu12" -> 12.
unsigned processorIndex(const Reader &read, std::string_view metric, const std::string &name)
{
    unsigned index = 0;
    const std::string_view digits = std::string_view(name).substr(name.starts_with("cpu") ? 3 : name.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw Error(err::Failed, "The " + read.sourceText() + " named a processor of the metric " +
                                     std::string(metric) + " \"" + name +
                                     "\", which is not a processor's name.");
    return index;
}

void addCpuField(const Reader &read, std::string_view metric, std::size_t field, const Atom &atom,
                 linux_::CpuTimes &times)
{
    const std::uint64_t value = read.count(metric, atom);
    std::uint64_t *const slots[] = {&times.user,   &times.nice, &times.system,  &times.idle,
                                    &times.iowait, &times.irq,  &times.softirq, &times.steal};
    *slots[field] = value;
}

linux_::CpuTimes wholeMachineTimes(const Reader &read)
{
    linux_::CpuTimes total;
    for (std::size_t field = 0; field < CpuFields.size(); ++field) {
        const std::string all = "kernel.all.cpu." + std::string(CpuFields[field]);
        addCpuField(read, all, field, read.single(all), total);
    }
    return total;
}

std::vector<Instance> processorCounters(const Reader &read)
{
    linux_::CpuStat stat;
    stat.total = wholeMachineTimes(read);
    std::map<unsigned, linux_::CpuTimes> perProcessor;
    for (std::size_t field = 0; field < CpuFields.size(); ++field) {
        const std::string each = "kernel.percpu.cpu." + std::string(CpuFields[field]);
        for (const InstanceValue &value : read.required(each).values)
            addCpuField(read, each, field, value.value, perProcessor[processorIndex(read, each, value.name)]);
    }
    for (const auto &[index, times] : perProcessor)
        stat.processors.push_back({index, times});
    return linux_::processorPerfInstances(stat, MillisecondsPerSecond);
}

std::vector<Instance> processorTotal(const Reader &read)
{
    return {
        linux_::processorTotalInstance(wholeMachineTimes(read), processorCount(read), MillisecondsPerSecond)};
}

std::int32_t processId(const Reader &read, int instance)
{
    if (instance <= 0)
        throw read.outOfRange("proc.psinfo.cmd", "process ID " + std::to_string(instance));
    return instance;
}

// The processes of this fetch, in ascending ID order: those its list of names holds. A process that ended
// while the collector read it, and so lacks a value the class needs, is left out, as the local walk leaves
// it out.
std::vector<ProcessSample> processSamples(const Reader &read, bool counters)
{
    const MetricValues &names = read.required("proc.psinfo.cmd");
    const auto starts = read.byInstance(read.required("proc.psinfo.start_time"));
    std::map<int, ProcessSample> processes;
    for (const InstanceValue &value : names.values) {
        const auto start = starts.find(value.instance);
        if (start == starts.end())
            continue;
        ProcessSample &process = processes[value.instance];
        process.pid = processId(read, value.instance);
        process.name = read.text("proc.psinfo.cmd", value.value);
        process.startTicks = read.count("proc.psinfo.start_time", *start->second) / MillisecondsPerUserTick;
    }
    if (counters) {
        // Each required counter: a process without it is left out.
        const auto requiredCounter = [&](std::string_view metric, auto &&store) {
            const auto values = read.byInstance(read.required(metric));
            for (auto it = processes.begin(); it != processes.end();) {
                const auto found = values.find(it->first);
                if (found == values.end()) {
                    it = processes.erase(it);
                    continue;
                }
                store(it->second, read.count(metric, *found->second));
                ++it;
            }
        };
        const auto optionalCounter = [&](std::string_view metric, auto &&store) {
            const MetricValues *values = read.optional(metric);
            if (!values)
                return;
            for (const auto &[instance, atom] : read.byInstance(*values))
                if (const auto process = processes.find(instance); process != processes.end())
                    store(process->second, read.count(metric, *atom));
        };
        requiredCounter("proc.psinfo.utime", [](ProcessSample &p, std::uint64_t v) { p.cpuTicks = v; });
        requiredCounter("proc.psinfo.stime", [&](ProcessSample &p, std::uint64_t v) {
            if (__builtin_add_overflow(p.cpuTicks, v, &p.cpuTicks))
                throw read.outOfRange("proc.psinfo.stime", std::to_string(v));
        });
        requiredCounter("proc.psinfo.threads", [](ProcessSample &p, std::uint64_t v) { p.threads = v; });
        requiredCounter("proc.memory.rss", [](ProcessSample &p, std::uint64_t v) { p.residentPages = v; });
        requiredCounter("proc.memory.share", [](ProcessSample &p, std::uint64_t v) { p.sharedPages = v; });
        optionalCounter("proc.memory.vmswap", [](ProcessSample &p, std::uint64_t v) { p.swappedKb = v; });
        optionalCounter("proc.fd.count", [](ProcessSample &p, std::uint64_t v) { p.handles = v; });
    }
    std::vector<ProcessSample> ordered;
    ordered.reserve(processes.size());
    for (auto &[pid, process] : processes)
        ordered.push_back(std::move(process));
    return ordered;
}

std::vector<Instance> processes(const Reader &read)
{
    return linux_::processInstances(processSamples(read, false),
                                    std::make_shared<ReadOnlyMethods>(read.sourceText()));
}

std::vector<Instance> processCounters(const Reader &read)
{
    linux_::ProcessWalk walk;
    walk.processes = processSamples(read, true);
    const std::uint64_t idle = read.singleCount("kernel.all.cpu.idle");
    const std::uint64_t wait = read.singleCount("kernel.all.cpu.wait.total");
    if (__builtin_add_overflow(idle, wait, &walk.idleTicks))
        throw read.outOfRange("kernel.all.cpu.wait.total", std::to_string(wait));
    walk.processorCount = read.singleCount("hinv.ncpu");
    // The time since boot when the collector took the sample, as /proc/uptime gives it, in 100 ns.
    const std::uint64_t boot = read.singleCount("kernel.all.boottime");
    const std::int64_t taken = read.sample().timestampMicros;
    if (boot > static_cast<std::uint64_t>(INT64_MAX / 1'000'000) ||
        taken < static_cast<std::int64_t>(boot) * 1'000'000)
        throw read.outOfRange("kernel.all.boottime", std::to_string(boot));
    walk.timestamp100Ns =
        static_cast<std::uint64_t>(taken - static_cast<std::int64_t>(boot) * 1'000'000) * 10;
    return linux_::processPerfInstances(walk, MillisecondsPerSecond, BytesPerKb);
}

// The collector gives the link speed in megabytes (2^20 bytes) per second, made from the kernel's megabits
// (10^6 bits) per second: turned back into whole megabits, it is the speed the Linux backends give.
std::uint64_t bitsPerSecond(const Reader &read, const Atom &speed)
{
    const double megabytes = read.number("network.interface.speed", speed);
    if (megabytes <= 0) // the kernel reports none (loopback, virtual links)
        return 0;
    const double megabits = std::round(megabytes * 8 * 1024 * 1024 / 1'000'000);
    if (megabits > 1e12) // far beyond any link
        throw read.outOfRange("network.interface.speed", std::to_string(megabytes));
    return static_cast<std::uint64_t>(megabits) * 1'000'000;
}

std::vector<Instance> networkInterfaces(const Reader &read)
{
    // In the collector's order of instance numbers, which is the order it found the interfaces in.
    std::map<int, linux_::InterfaceCounters> interfaces;
    std::map<int, std::uint64_t> speeds;
    const auto counter = [&](std::string_view metric, std::uint64_t linux_::InterfaceCounters::*field) {
        for (const InstanceValue &value : read.required(metric).values) {
            linux_::InterfaceCounters &interface = interfaces[value.instance];
            interface.name = value.name;
            interface.*field = read.count(metric, value.value);
        }
    };
    counter("network.interface.in.bytes", &linux_::InterfaceCounters::bytesReceived);
    counter("network.interface.in.packets", &linux_::InterfaceCounters::packetsReceived);
    counter("network.interface.out.bytes", &linux_::InterfaceCounters::bytesSent);
    counter("network.interface.out.packets", &linux_::InterfaceCounters::packetsSent);
    if (const MetricValues *speed = read.optional("network.interface.speed"))
        for (const InstanceValue &value : speed->values)
            speeds[value.instance] = bitsPerSecond(read, value.value);
    std::vector<linux_::InterfaceCounters> ordered;
    std::vector<std::uint64_t> bits;
    for (auto &[instance, interface] : interfaces) {
        ordered.push_back(std::move(interface));
        bits.push_back(speeds.contains(instance) ? speeds[instance] : 0);
    }
    return linux_::networkInterfaceInstances(ordered, bits);
}

struct ClassEntry {
    std::string_view name;
    std::span<const MetricNeed> metrics;
    std::vector<Instance> (*instances)(const Reader &);
};

const std::array<ClassEntry, 6> Classes{{
    {cls::OperatingSystem, OperatingSystemMetrics, &operatingSystem},
    {cls::ProcessorCounters, ProcessorCounterMetrics, &processorCounters},
    {cls::ProcessCounters, ProcessCounterMetrics, &processCounters},
    {cls::NetworkInterface, NetworkMetrics, &networkInterfaces},
    {cls::Process, ProcessMetrics, &processes},
    {cls::Processor, ProcessorMetrics, &processors},
}};

const ClassEntry &entryOf(std::string_view className)
{
    for (const ClassEntry &entry : Classes)
        if (equalsIgnoringCase(entry.name, className))
            return entry;
    if (equalsIgnoringCase(className, cls::Service))
        throw servicesUnknown();
    throw Error(err::InvalidClass);
}

// One instance of a class that fewer metrics than the whole class make.
struct OneInstanceEntry {
    std::string_view instance;
    ClassEntry entry;
};

const std::array<OneInstanceEntry, 1> OneInstance{{
    {"_Total", {cls::ProcessorCounters, ProcessorTotalMetrics, &processorTotal}},
}};

const ClassEntry &entryOf(const Query &query)
{
    if (query.nameEquals)
        for (const OneInstanceEntry &one : OneInstance)
            if (equalsIgnoringCase(one.entry.name, query.className) &&
                equalsIgnoringCase(one.instance, *query.nameEquals))
                return one.entry;
    return entryOf(query.className);
}

} // namespace

std::vector<std::string_view> allMetrics()
{
    std::vector<std::string_view> names;
    for (const ClassEntry &entry : Classes)
        for (const MetricNeed &need : entry.metrics)
            if (std::find(names.begin(), names.end(), need.name) == names.end())
                names.push_back(need.name);
    return names;
}

std::span<const MetricNeed> metricsOf(std::string_view className)
{
    return entryOf(className).metrics;
}

std::vector<Instance> pcpInstancesOf(const Sample &sample, std::string_view className)
{
    const ClassEntry &entry = entryOf(className);
    return entry.instances(Reader(sample, entry.name));
}

std::span<const MetricNeed> metricsOf(const Query &query)
{
    return entryOf(query).metrics;
}

std::vector<Instance> pcpAnswerOf(const Sample &sample, const Query &query)
{
    const ClassEntry &entry = entryOf(query);
    return answerOf(query, entry.instances(Reader(sample, entry.name)));
}

} // namespace quorvin::mgmt::pcp
