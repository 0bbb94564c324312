#include "pages/processes/ProcessSamples.h"
#include "mgmt/Convert.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace quorvin {

double ProcessSamples::Counter::number()
{
    if (!m_number)
        m_number = mgmt::toDouble(m_raw);
    return *m_number;
}

std::vector<ProcessSamples::Entry>::iterator ProcessSamples::lowerBound(double processId)
{
    return std::lower_bound(m_entries.begin(), m_entries.end(), processId,
                            [](const Entry &entry, double id) { return entry.processId < id; });
}

ProcessSamples::Sample *ProcessSamples::find(double processId)
{
    auto it = m_next < m_entries.size() && m_entries[m_next].processId == processId
                  ? m_entries.begin() + static_cast<std::ptrdiff_t>(m_next)
                  : lowerBound(processId);
    if (it != m_entries.end() && it->processId == processId) { // NaN is no ID: nothing finds it
        m_next = static_cast<std::size_t>(it - m_entries.begin()) + 1;
        return &it->sample;
    }
    if (m_aside.empty())
        return nullptr;
    const auto aside = m_aside.find(processId);
    return aside == m_aside.end() ? nullptr : &aside->second;
}

void ProcessSamples::add(double processId, Sample sample)
{
    if (std::isnan(processId))
        return;
    if (m_entries.empty() || m_entries.back().processId < processId) {
        m_entries.push_back(Entry{processId, std::move(sample)});
        return;
    }
    if (Sample *existing = find(processId)) {
        *existing = std::move(sample);
        return;
    }
    m_aside.insert_or_assign(processId, std::move(sample));
    // Joined once a quarter of the entries wait: each join costs a sort of those and one pass over all.
    if (m_aside.size() * 4 >= m_entries.size())
        joinAside();
}

void ProcessSamples::joinAside()
{
    std::vector<Entry> aside;
    aside.reserve(m_aside.size());
    for (auto &[processId, sample] : m_aside)
        aside.push_back(Entry{processId, std::move(sample)});
    m_aside.clear();
    const auto byId = [](const Entry &a, const Entry &b) { return a.processId < b.processId; };
    std::sort(aside.begin(), aside.end(), byId);
    std::vector<Entry> joined;
    joined.reserve(m_entries.size() + aside.size());
    std::merge(std::make_move_iterator(m_entries.begin()), std::make_move_iterator(m_entries.end()),
               std::make_move_iterator(aside.begin()), std::make_move_iterator(aside.end()),
               std::back_inserter(joined), byId);
    m_entries = std::move(joined);
    m_next = 0;
}

void ProcessSamples::clear()
{
    m_entries.clear();
    m_aside.clear();
    m_next = 0;
}

} // namespace quorvin
