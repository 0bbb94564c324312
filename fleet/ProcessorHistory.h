#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace quorvin::fleet {

// The processor load of the last ten minutes, one value a second; seconds without a reading stay empty.
class ProcessorHistory final {
public:
    static constexpr int Seconds = 600;

    ProcessorHistory();
    // A later value in the same second replaces the earlier one; a moment before the last is ignored.
    void add(double monotonicSeconds, double percent);
    // The values of the ten minutes up to `monotonicSeconds`, oldest first; NaN where there was none.
    std::vector<float> lastMinutes(double monotonicSeconds) const;

private:
    std::array<float, Seconds> m_values;
    std::int64_t m_lastSecond;
};

} // namespace quorvin::fleet
