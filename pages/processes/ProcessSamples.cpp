#include "pages/processes/ProcessSamples.h"
#include "mgmt/Convert.h"

#include <algorithm>
#include <cmath>

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
    if (it == m_entries.end() || !(it->processId == processId)) // NaN is no ID: nothing finds it
        return nullptr;
    m_next = static_cast<std::size_t>(it - m_entries.begin()) + 1;
    return &it->sample;
}

void ProcessSamples::add(double processId, Sample sample)
{
    if (std::isnan(processId))
        return;
    const auto it = lowerBound(processId);
    if (it != m_entries.end() && it->processId == processId) {
        it->sample = std::move(sample);
        return;
    }
    m_next = static_cast<std::size_t>(m_entries.insert(it, Entry{processId, std::move(sample)}) -
                                      m_entries.begin()) +
             1;
}

void ProcessSamples::clear()
{
    m_entries.clear();
    m_next = 0;
}

} // namespace quorvin
