#include "mgmt/pcp/PcpService.h"
#include "mgmt/Query.h"

namespace quorvin::mgmt::pcp {

std::vector<Instance> PcpService::instancesOf(std::string_view className)
{
    // An unknown class, or the services, raise before anything is fetched.
    return pcpInstancesOf(m_fetch(metricsOf(className)), className);
}

std::vector<Instance> PcpService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    return answerOf(query, instancesOf(query.className));
}

} // namespace quorvin::mgmt::pcp
