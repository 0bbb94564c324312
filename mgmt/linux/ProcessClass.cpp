#include "mgmt/linux/ProcessClass.h"
#include "mgmt/Names.h"

#include <string>

namespace quorvin::mgmt::linux_ {

std::vector<Instance> processInstances(const std::vector<ProcessSample> &processes,
                                       const std::shared_ptr<const MethodInvoker> &methods)
{
    std::vector<Instance> instances;
    instances.reserve(processes.size());
    for (const ProcessSample &process : processes) {
        std::vector<Property> properties;
        properties.reserve(4);
        properties.push_back({prop::Name, process.name});
        properties.push_back({prop::Handle, std::to_string(process.pid)});
        properties.push_back({prop::ProcessId, process.pid});
        properties.push_back({prop::StartTime, std::to_string(process.startTicks)});
        instances.emplace_back(std::move(properties), methods);
    }
    return instances;
}

std::vector<Instance> processInstances(LinuxSystem &system)
{
    Prefetch needs;
    needs.processes = ProcessDetail::Names;
    system.prefetch(needs);
    return processInstances(system.walkProcesses(ProcessDetail::Names).processes, system.processMethods());
}

} // namespace quorvin::mgmt::linux_
