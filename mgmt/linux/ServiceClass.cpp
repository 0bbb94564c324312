#include "mgmt/linux/ServiceClass.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/ServiceMethods.h"

namespace quorvin::mgmt::linux_ {

std::string_view startModeOf(std::string_view unitFileState)
{
    if (unitFileState == "enabled" || unitFileState == "enabled-runtime")
        return "Auto";
    if (unitFileState == "disabled" || unitFileState == "masked" || unitFileState == "masked-runtime")
        return "Disabled";
    return "Manual";
}

std::vector<Instance> serviceInstances(const std::vector<ServiceUnit> &units,
                                       const std::shared_ptr<const MethodInvoker> &methods)
{
    static const auto names =
        sharedNames({prop::Caption, prop::Name, prop::StartMode, prop::Started, prop::State});
    std::vector<Instance> instances;
    instances.reserve(units.size());
    for (const ServiceUnit &unit : units)
        instances.emplace_back(
            names,
            std::vector<Value>{unit.description.empty() ? unit.name : unit.description, unit.name,
                               std::string(startModeOf(unit.unitFileState)),
                               unit.activeState == "active" || unit.activeState == "reloading",
                               unit.activeState},
            methods);
    return instances;
}

std::vector<Instance> serviceInstances(LinuxSystem &system)
{
    const WithServiceManager withManager = system.serviceManager();
    std::vector<ServiceUnit> units;
    withManager([&units](const ServiceManager &manager) { units = manager.services(); });
    return serviceInstances(units, std::make_shared<const ServiceMethods>(withManager));
}

} // namespace quorvin::mgmt::linux_
