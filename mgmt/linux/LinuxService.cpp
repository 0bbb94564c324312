#include "mgmt/linux/LinuxService.h"
#include "mgmt/Query.h"
#include "mgmt/linux/LinuxClasses.h"

namespace quorvin::mgmt::linux_ {

LinuxService::LinuxService(std::shared_ptr<LinuxSystem> system) : m_system(std::move(system)) {}

std::vector<Instance> LinuxService::instancesOf(std::string_view className)
{
    return linuxInstancesOf(*m_system, className);
}

std::vector<ClassAnswer> LinuxService::instancesOfEach(std::span<const std::string_view> classNames)
{
    return linuxInstancesOfEach(*m_system, classNames);
}

std::vector<Instance> LinuxService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    return answerOf(query, linuxInstancesOf(*m_system, query.className), nameMatchOf(query.className));
}

} // namespace quorvin::mgmt::linux_
