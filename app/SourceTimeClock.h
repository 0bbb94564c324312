#pragma once
#include "kit/Clock.h"
#include "mgmt/Source.h"

namespace quorvin {

// The window's clock for its pages: the time the source's answers describe where that is not now (a replayed
// archive), else the given clock's. Intervals always come from the given clock.
class SourceTimeClock final : public Clock {
public:
    SourceTimeClock(const Clock &clock, const mgmt::Source &source) : m_clock(clock), m_source(source) {}

    double monotonicSeconds() const override { return m_clock.monotonicSeconds(); }
    QDateTime now() const override
    {
        if (const auto answers = m_source.answersTime())
            return QDateTime::fromMSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::milliseconds>(answers->time_since_epoch()).count());
        return m_clock.now();
    }

private:
    const Clock &m_clock;
    const mgmt::Source &m_source;
};

} // namespace quorvin
