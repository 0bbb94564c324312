#include "mgmt/linux/LinuxService.h"
#include "mgmt/Query.h"
#include "mgmt/linux/LinuxClasses.h"

namespace quorvin::mgmt::linux_ {

LinuxService::LinuxService(std::shared_ptr<LinuxSystem> system) : m_system(std::move(system)) {}

std::vector<Instance> LinuxService::instancesOf(std::string_view className)
{
    return linuxInstancesOf(*m_system, className);
}

std::vector<ClassAnswer> LinuxService::instancesOfEach(std::span<const std::string_view> asks)
{
    std::vector<Query> queries;
    queries.reserve(asks.size());
    std::vector<std::string_view> classNames;
    for (const std::string_view ask : asks)
        classNames.push_back(queries.emplace_back(askOf(ask)).className);
    // The files are the same for one instance as for all: the query narrows what they gave.
    std::vector<ClassAnswer> answers = linuxInstancesOfEach(*m_system, classNames);
    for (std::size_t i = 0; i < answers.size(); ++i)
        answers[i].instances =
            answerOf(queries[i], std::move(answers[i].instances), nameMatchOf(queries[i].className));
    return answers;
}

std::vector<Instance> LinuxService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    return answerOf(query, linuxInstancesOf(*m_system, query.className), nameMatchOf(query.className));
}

} // namespace quorvin::mgmt::linux_
