#include "mgmt/linux/LocalService.h"
#include "mgmt/Query.h"
#include "mgmt/linux/LocalClasses.h"

namespace quorvin::mgmt::linux_ {

LocalService::LocalService(std::shared_ptr<const LocalSystem> system) : m_system(std::move(system)) {}

std::vector<Instance> LocalService::instancesOf(std::string_view className)
{
    return localInstancesOf(*m_system, className);
}

std::vector<Instance> LocalService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    return answerOf(query, localInstancesOf(*m_system, query.className), nameMatchOf(query.className));
}

} // namespace quorvin::mgmt::linux_
