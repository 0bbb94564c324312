#include "mgmt/linux/ProcessClass.h"
#include "mgmt/Names.h"

#include <string>

namespace quorvin::mgmt::linux_ {

std::vector<Instance> processInstances(const std::vector<ProcessSample> &processes,
                                       const std::shared_ptr<const MethodInvoker> &methods)
{
    static const auto names = sharedNames({prop::Name, prop::Handle, prop::ProcessId, prop::StartTime});
    std::vector<Instance> instances;
    instances.reserve(processes.size());
    for (const ProcessSample &process : processes)
        instances.emplace_back(names,
                               std::vector<Value>{process.name, std::to_string(process.pid), process.pid,
                                                  std::to_string(process.startTicks)},
                               methods);
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
