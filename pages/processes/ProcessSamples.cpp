#include "pages/processes/ProcessSamples.h"

namespace quorvin {

ProcessSamples::Sample *ProcessSamples::find(double processId)
{
    const auto it = m_samples.find(processId);
    return it == m_samples.end() ? nullptr : &it->second;
}

void ProcessSamples::add(double processId, Sample sample)
{
    m_samples.insert_or_assign(processId, std::move(sample));
}

} // namespace quorvin
