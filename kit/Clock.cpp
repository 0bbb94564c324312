#include "kit/Clock.h"
#include <chrono>

namespace quorvin {

double SystemClock::monotonicSeconds() const
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

qint64 SystemClock::epochSeconds() const
{
    return QDateTime::currentSecsSinceEpoch(); // without the local time, which is costly to work out
}

} // namespace quorvin
