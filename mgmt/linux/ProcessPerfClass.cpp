#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/ProcessorPerfClass.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::uint64_t BytesPerKb = 1024;

struct Counters {
    std::uint64_t workingSet = 0;
    std::uint64_t pageFileBytes = 0;
    std::uint64_t time100Ns = 0;
    std::uint64_t threads = 0;
    std::uint64_t handles = 0;
};

Error tooLarge(std::string_view what, std::string_view name)
{
    return Error(err::Failed, "The " + std::string(what) + " of the process \"" + std::string(name) +
                                  "\" is too large to count.");
}

std::uint64_t product(std::uint64_t a, std::uint64_t b, std::string_view what, std::string_view name)
{
    std::uint64_t result = 0;
    if (__builtin_mul_overflow(a, b, &result))
        throw tooLarge(what, name);
    return result;
}

std::uint64_t sum(std::uint64_t a, std::uint64_t b, std::string_view what, std::string_view name)
{
    std::uint64_t result = 0;
    if (__builtin_add_overflow(a, b, &result))
        throw tooLarge(what, name);
    return result;
}

void addTo(Counters &total, const Counters &one)
{
    total.workingSet = sum(total.workingSet, one.workingSet, "working set", "_Total");
    total.pageFileBytes = sum(total.pageFileBytes, one.pageFileBytes, "page file bytes", "_Total");
    total.time100Ns = sum(total.time100Ns, one.time100Ns, "processor time", "_Total");
    total.threads = sum(total.threads, one.threads, "thread count", "_Total");
    total.handles = sum(total.handles, one.handles, "handle count", "_Total");
}

Counters countersOf(const ProcessSample &process, std::uint64_t ticksPerSecond, std::uint64_t pageSize)
{
    Counters counters;
    counters.workingSet = product(process.residentPages, pageSize, "working set", process.name);
    // Racing updates could show more shared than resident pages; none of them is private then.
    const std::uint64_t anonymousPages =
        process.residentPages > process.sharedPages ? process.residentPages - process.sharedPages : 0;
    counters.pageFileBytes = sum(product(anonymousPages, pageSize, "page file bytes", process.name),
                                 product(process.swappedKb, BytesPerKb, "page file bytes", process.name),
                                 "page file bytes", process.name);
    counters.time100Ns = ticksTo100Ns(process.cpuTicks, ticksPerSecond);
    counters.threads = process.threads;
    counters.handles = process.handles;
    return counters;
}

// One list of names for every instance of a walk: building 8,000 of them would otherwise copy each name.
const std::shared_ptr<const PropertyNames> &propertyNames()
{
    static const auto names =
        sharedNames({prop::Name, prop::IDprocess, prop::StartTime, prop::WorkingSet, prop::PageFileBytes,
                     prop::PercentProcessorTime, prop::Timestamp, prop::ThreadCount, prop::HandleCount});
    return names;
}

Instance instance(std::string name, std::int32_t pid, std::uint64_t startTicks, const Counters &counters,
                  const std::string &timestamp)
{
    const std::shared_ptr<const PropertyNames> &names = propertyNames();
    std::vector<Value> values;
    values.reserve(names->size());
    values.emplace_back(std::move(name));
    values.emplace_back(pid);
    values.emplace_back(std::to_string(startTicks));
    values.emplace_back(std::to_string(counters.workingSet));
    values.emplace_back(std::to_string(counters.pageFileBytes));
    values.emplace_back(std::to_string(counters.time100Ns));
    values.emplace_back(timestamp);
    values.emplace_back(static_cast<double>(counters.threads));
    values.emplace_back(static_cast<double>(counters.handles));
    return Instance(names, std::move(values));
}

} // namespace

std::vector<Instance> processPerfInstances(const ProcessWalk &walk, std::uint64_t ticksPerSecond,
                                           std::uint64_t pageSize)
{
    const std::string timestamp = std::to_string(walk.timestamp100Ns);
    std::vector<Instance> instances;
    instances.reserve(walk.processes.size() + 2);

    Counters idle;
    idle.time100Ns = ticksTo100Ns(walk.idleTicks, ticksPerSecond);
    idle.threads = walk.processorCount;
    instances.push_back(instance("Idle", 0, 0, idle, timestamp));
    Counters total = idle;

    // How many processes of each name came before, for the "#n" that tells them apart.
    std::unordered_map<std::string_view, unsigned> earlier;
    earlier.reserve(walk.processes.size());
    for (const ProcessSample &process : walk.processes) {
        const Counters counters = countersOf(process, ticksPerSecond, pageSize);
        addTo(total, counters);
        unsigned &count = earlier[process.name];
        std::string name = process.name;
        if (count != 0) // appended in place: with its number, a name is mostly too long to be held inline
            name.append("#").append(std::to_string(count));
        ++count;
        instances.push_back(instance(std::move(name), process.pid, process.startTicks, counters, timestamp));
    }
    instances.push_back(instance("_Total", 0, 0, total, timestamp));
    return instances;
}

Prefetch processPerfNeeds()
{
    Prefetch needs;
    needs.processes = ProcessDetail::Counters;
    return needs;
}

std::vector<Instance> processPerfInstances(LinuxSystem &system)
{
    system.prefetch(processPerfNeeds());
    const ProcessWalk walk = system.walkProcesses(ProcessDetail::Counters);
    return processPerfInstances(walk, system.clockTicksPerSecond(), system.pageSize());
}

} // namespace quorvin::mgmt::linux_
