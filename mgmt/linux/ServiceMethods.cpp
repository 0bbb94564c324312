#include "mgmt/linux/ServiceMethods.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"

#include <string>

namespace quorvin::mgmt::linux_ {

ServiceMethods::ServiceMethods(WithManager withManager) : m_withManager(std::move(withManager)) {}

void ServiceMethods::invoke(const Instance &instance, std::string_view method) const
{
    const bool start = equalsIgnoringCase(method, method::StartService);
    if (!start && !equalsIgnoringCase(method, method::StopService))
        throw Error(err::MethodNotSupported);
    const Value *name = instance.find(prop::Name);
    if (!name || !name->isText())
        throw Error(err::Failed, "The instance has no service name; nothing was started or stopped.");
    const std::string unit = name->text();
    m_withManager([&](const ServiceManager &manager) {
        if (start)
            manager.startUnit(unit);
        else
            manager.stopUnit(unit);
    });
}

} // namespace quorvin::mgmt::linux_
