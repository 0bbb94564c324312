#include "mgmt/linux/LocalService.h"
#include "mgmt/Query.h"
#include "mgmt/linux/LocalClasses.h"

#include <algorithm>

namespace quorvin::mgmt::linux_ {

LocalService::LocalService(std::shared_ptr<const LocalSystem> system) : m_system(std::move(system)) {}

std::vector<Instance> LocalService::instancesOf(std::string_view className)
{
    return localInstancesOf(*m_system, className);
}

std::vector<Instance> LocalService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    std::vector<Instance> instances = localInstancesOf(*m_system, query.className);
    if (query.nameEquals) {
        std::erase_if(instances, [&](const Instance &instance) {
            const Value *name = instance.find("Name");
            return !name || !name->isText() || !equalsIgnoringCase(name->text(), *query.nameEquals);
        });
    }
    return instances;
}

} // namespace quorvin::mgmt::linux_
