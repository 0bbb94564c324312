#pragma once
#include <optional>

namespace quorvin {

// The processor load in percent from two raw samples of an idle counter and its timestamp, as the Processor
// Utilization page shows it: (1 - Δidle / Δtimestamp) × 100 rounded to two decimals, never below 0 (an idle
// counter that ran backwards gives more than 100). Nothing when both samples are of one counter update.
std::optional<double> processorLoad(double previousIdle, double previousTimestamp, double idle,
                                    double timestamp);

// A process's processor use in percent, 100 × dP / dT rounded to two decimals, the way the process table has
// always rounded it.
double processUtilization(double processorTimeDelta, double timestampDelta);

} // namespace quorvin
