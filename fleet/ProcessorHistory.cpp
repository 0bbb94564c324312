#include "fleet/ProcessorHistory.h"

#include <cmath>
#include <limits>

namespace quorvin::fleet {

namespace {
constexpr float None = std::numeric_limits<float>::quiet_NaN();

std::size_t slotOf(std::int64_t second)
{
    return static_cast<std::size_t>(((second % ProcessorHistory::Seconds) + ProcessorHistory::Seconds) %
                                    ProcessorHistory::Seconds);
}
} // namespace

ProcessorHistory::ProcessorHistory() : m_lastSecond(std::numeric_limits<std::int64_t>::min())
{
    m_values.fill(None);
}

void ProcessorHistory::add(double monotonicSeconds, double percent)
{
    const auto second = static_cast<std::int64_t>(std::floor(monotonicSeconds));
    if (m_lastSecond != std::numeric_limits<std::int64_t>::min() && second < m_lastSecond)
        return;
    if (m_lastSecond == std::numeric_limits<std::int64_t>::min() || second - m_lastSecond >= Seconds)
        m_values.fill(None);
    else
        for (std::int64_t skipped = m_lastSecond + 1; skipped < second; ++skipped)
            m_values[slotOf(skipped)] = None;
    m_values[slotOf(second)] = static_cast<float>(percent);
    m_lastSecond = second;
}

std::vector<float> ProcessorHistory::lastMinutes(double monotonicSeconds) const
{
    const auto now = static_cast<std::int64_t>(std::floor(monotonicSeconds));
    std::vector<float> values(Seconds, None);
    for (int k = 0; k < Seconds; ++k) {
        const std::int64_t second = now - (Seconds - 1) + k;
        if (second <= m_lastSecond && second > m_lastSecond - Seconds)
            values[static_cast<std::size_t>(k)] = m_values[slotOf(second)];
    }
    return values;
}

} // namespace quorvin::fleet
