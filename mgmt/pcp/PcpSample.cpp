#include "mgmt/pcp/PcpSample.h"

#include <algorithm>

namespace quorvin::mgmt::pcp {

namespace {
// Shared by the empty tables, so that making one allocates nothing.
const std::shared_ptr<const MetricTable::Names> &noNames()
{
    static const auto none = std::make_shared<const MetricTable::Names>();
    return none;
}
} // namespace

MetricTable::MetricTable() : m_names(noNames()) {}

MetricTable::MetricTable(std::shared_ptr<const Names> names)
    : m_names(std::move(names)), m_values(m_names->size())
{
}

const MetricValues *MetricTable::find(std::string_view name) const noexcept
{
    const auto found = std::lower_bound(m_names->begin(), m_names->end(), name);
    return found != m_names->end() && *found == name
               ? &m_values[static_cast<std::size_t>(found - m_names->begin())]
               : nullptr;
}

MetricValues &MetricTable::operator[](std::string_view name)
{
    const auto found = std::lower_bound(m_names->begin(), m_names->end(), name);
    const auto position = static_cast<std::size_t>(found - m_names->begin());
    if (found != m_names->end() && *found == name)
        return m_values[position];
    // The list may be another table's too.
    auto names = std::make_shared<Names>(*m_names);
    names->insert(names->begin() + static_cast<std::ptrdiff_t>(position), std::string(name));
    m_names = std::move(names);
    return *m_values.insert(m_values.begin() + static_cast<std::ptrdiff_t>(position), MetricValues{});
}

} // namespace quorvin::mgmt::pcp
