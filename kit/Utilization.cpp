#include "kit/Utilization.h"
#include "kit/NumberFormat.h"

namespace quorvin {

std::optional<double> processorLoad(double previousIdle, double previousTimestamp, double idle,
                                    double timestamp)
{
    if (timestamp == previousTimestamp)
        return std::nullopt;
    const double percent =
        roundedAsShown((1 - (idle - previousIdle) / (timestamp - previousTimestamp)) * 100, 2);
    return percent < 0 ? 0 : percent;
}

double processUtilization(double processorTimeDelta, double timestampDelta)
{
    const double complement = roundedAsShown(100 * (1 - processorTimeDelta / timestampDelta), 2);
    return roundedAsShown(100 - complement, 2);
}

} // namespace quorvin
