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

} // namespace quorvin
