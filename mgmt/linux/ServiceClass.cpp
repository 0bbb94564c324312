#include "mgmt/linux/ServiceClass.h"
#include "mgmt/Error.h"
#include "mgmt/linux/ServiceMethods.h"
#include "mgmt/linux/SystemBus.h"

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
    std::vector<Instance> instances;
    instances.reserve(units.size());
    for (const ServiceUnit &unit : units) {
        std::vector<Property> properties;
        properties.reserve(5);
        properties.push_back({"Caption", unit.description.empty() ? unit.name : unit.description});
        properties.push_back({"Name", unit.name});
        properties.push_back({"StartMode", std::string(startModeOf(unit.unitFileState))});
        properties.push_back({"Started", unit.activeState == "active" || unit.activeState == "reloading"});
        properties.push_back({"State", unit.activeState});
        instances.emplace_back(std::move(properties), methods);
    }
    return instances;
}

std::vector<Instance> serviceInstances(const LocalSystem &system)
{
    // The services of this computer say nothing about a saved system tree.
    if (system.files.fullPath("") != "/")
        throw Error(err::Failed, "The service manager is not available: a saved system tree has none.");
    static const auto methods =
        std::make_shared<const ServiceMethods>([](const ServiceMethods::Action &action) {
            const BusPtr bus = openSystemBus();
            action(ServiceManager(bus.get()));
        });
    const BusPtr bus = openSystemBus();
    return serviceInstances(ServiceManager(bus.get()).services(), methods);
}

} // namespace quorvin::mgmt::linux_
