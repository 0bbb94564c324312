#pragma once
#include <QDateTime>

namespace quorvin {

// Time as the window reads it; tests put a clock of their own in its place.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds on a clock that never jumps (intervals survive midnight and clock changes).
    virtual double monotonicSeconds() const = 0;
    // The current local date and time, for display.
    virtual QDateTime now() const = 0;
    // Seconds since the epoch, for arithmetic with a computer's own times.
    virtual qint64 epochSeconds() const { return now().toSecsSinceEpoch(); }
};

class SystemClock final : public Clock {
public:
    double monotonicSeconds() const override;
    QDateTime now() const override;
    qint64 epochSeconds() const override;
};

} // namespace quorvin
