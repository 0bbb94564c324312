#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/Names.h"

#include <string>

namespace quorvin::mgmt::linux_ {

std::vector<Instance> processorInstances(const std::vector<ProcessorPackage> &packages)
{
    std::vector<Instance> instances;
    instances.reserve(packages.size());
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const ProcessorPackage &package = packages[i];
        instances.push_back(Instance({
            {prop::DeviceID, "CPU" + std::to_string(i)},
            {prop::Name, package.modelName.empty() ? std::string("Processor") : package.modelName},
            {prop::NumberOfLogicalProcessors, static_cast<long long>(package.logicalProcessors)},
        }));
    }
    return instances;
}

std::vector<Instance> processorInstances(LinuxSystem &system)
{
    system.prefetch(Prefetch::ofFiles({"/proc/cpuinfo"}));
    return processorInstances(parseCpuInfo(system.requiredFile("/proc/cpuinfo")));
}

} // namespace quorvin::mgmt::linux_
