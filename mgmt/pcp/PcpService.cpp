#include "mgmt/pcp/PcpService.h"
#include "mgmt/Query.h"

#include <algorithm>

namespace quorvin::mgmt::pcp {

namespace {

// Each metric once: named where any class names its instances, optional only where every class may do
// without it.
void addNeeds(std::vector<MetricNeed> &all, std::span<const MetricNeed> needs)
{
    for (const MetricNeed &need : needs) {
        const auto same = std::find_if(all.begin(), all.end(),
                                       [&need](const MetricNeed &had) { return had.name == need.name; });
        if (same == all.end()) {
            all.push_back(need);
            continue;
        }
        same->named = same->named || need.named;
        same->optional = same->optional && need.optional;
    }
}

} // namespace

std::vector<Instance> PcpService::instancesOf(std::string_view className)
{
    // An unknown class, or the services, raise before anything is fetched.
    return pcpInstancesOf(m_fetch(metricsOf(className)), className);
}

std::vector<ClassAnswer> PcpService::instancesOfEach(std::span<const std::string_view> asks)
{
    constexpr std::size_t Kept = 4;
    const auto same = std::find_if(m_needs.begin(), m_needs.end(), [&asks](const Needs &had) {
        return std::equal(asks.begin(), asks.end(), had.asks.begin(), had.asks.end(),
                          [](std::string_view asked, const std::string &last) { return asked == last; });
    });
    if (same != m_needs.end()) {
        std::rotate(m_needs.begin(), same, same + 1);
    } else {
        Needs needs{{asks.begin(), asks.end()}, {}, {}};
        for (const std::string_view ask : asks)
            addNeeds(needs.metrics, metricsOf(needs.queries.emplace_back(askOf(ask))));
        if (m_needs.size() == Kept)
            m_needs.pop_back();
        m_needs.insert(m_needs.begin(), std::move(needs));
    }
    const Needs &needs = m_needs.front();
    const Sample sample = m_fetch(needs.metrics);
    std::vector<ClassAnswer> answers(asks.size());
    for (std::size_t i = 0; i < asks.size(); ++i) {
        try {
            answers[i].instances = pcpAnswerOf(sample, needs.queries[i]);
        } catch (const Error &error) {
            answers[i].error = error;
        }
    }
    return answers;
}

std::vector<Instance> PcpService::execQuery(std::string_view wql)
{
    const Query query = parseQuery(wql);
    return pcpAnswerOf(m_fetch(metricsOf(query)), query);
}

} // namespace quorvin::mgmt::pcp
