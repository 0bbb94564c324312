#include "mgmt/linux/ProcessorPerfClass.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"

#include <limits>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::uint64_t HundredNsPerSecond = 10'000'000;

Instance sample(std::string name, std::uint64_t idle100Ns, std::uint64_t timestamp100Ns)
{
    // One list of names for every instance: a refresh builds one for each processor.
    static const auto names = sharedNames({prop::Name, prop::PercentProcessorTime, prop::Timestamp});
    std::vector<Value> values;
    values.reserve(names->size());
    values.emplace_back(std::move(name));
    values.emplace_back(std::to_string(idle100Ns));
    values.emplace_back(std::to_string(timestamp100Ns));
    return Instance(names, std::move(values));
}

} // namespace

std::uint64_t ticksTo100Ns(std::uint64_t ticks, std::uint64_t ticksPerSecond)
{
    // A tick shorter than the unit would make no sense, and the limit keeps rest × 10⁷ below overflow.
    if (ticksPerSecond == 0 || ticksPerSecond > HundredNsPerSecond)
        throw Error(err::Failed, "The clock tick rate of " + std::to_string(ticksPerSecond) +
                                     " per second is out of range.");
    // Whole seconds and the remainder apart, so that no intermediate product overflows.
    const std::uint64_t seconds = ticks / ticksPerSecond;
    const std::uint64_t rest = ticks % ticksPerSecond;
    constexpr std::uint64_t Largest = std::numeric_limits<std::uint64_t>::max();
    if (seconds > Largest / HundredNsPerSecond)
        throw Error(err::Failed, "The processor time of " + std::to_string(ticks) + " ticks is too large.");
    const std::uint64_t whole = seconds * HundredNsPerSecond;
    const std::uint64_t part = rest * HundredNsPerSecond / ticksPerSecond;
    if (whole > Largest - part)
        throw Error(err::Failed, "The processor time of " + std::to_string(ticks) + " ticks is too large.");
    return whole + part;
}

Instance processorTotalInstance(const CpuTimes &total, std::uint64_t processors, std::uint64_t ticksPerSecond)
{
    if (processors == 0)
        throw Error(err::Failed, "There are no processors to report.");
    const std::uint64_t idle = ticksTo100Ns(total.idleTicks(), ticksPerSecond) / processors;
    const std::uint64_t busy =
        ticksTo100Ns(total.totalTicks() - total.idleTicks(), ticksPerSecond) / processors;
    return sample("_Total", idle, idle + busy);
}

std::vector<Instance> processorPerfInstances(const CpuStat &stat, std::uint64_t ticksPerSecond)
{
    // The timestamp is the idle and the busy part converted apart and added, and for "_Total" divided apart:
    // with counters that only grow, Δidle then never exceeds Δtimestamp, so the load stays within 0 to 100
    // whatever the rounding.
    std::vector<Instance> instances;
    instances.reserve(stat.processors.size() + 1);
    for (const ProcessorTimes &processor : stat.processors) {
        const std::uint64_t idle = ticksTo100Ns(processor.times.idleTicks(), ticksPerSecond);
        const std::uint64_t busy =
            ticksTo100Ns(processor.times.totalTicks() - processor.times.idleTicks(), ticksPerSecond);
        instances.push_back(sample(std::to_string(processor.index), idle, idle + busy));
    }
    instances.push_back(processorTotalInstance(stat.total, stat.processors.size(), ticksPerSecond));
    return instances;
}

Prefetch processorPerfNeeds()
{
    return Prefetch::ofFiles({"/proc/stat"});
}

std::vector<Instance> processorPerfInstances(LinuxSystem &system)
{
    system.prefetch(processorPerfNeeds());
    return processorPerfInstances(parseCpuStat(system.requiredFile("/proc/stat")),
                                  system.clockTicksPerSecond());
}

} // namespace quorvin::mgmt::linux_
