#pragma once
#include "mgmt/Value.h"

#include <unordered_map>

namespace quorvin {

// The last raw sample of every process seen, by process ID, so that the next refresh can tell each process's
// processor use. It grows as needed; the page empties it about once a minute.
class ProcessSamples final {
public:
    struct Sample {
        mgmt::Value processorTime;
        mgmt::Value timestamp;
    };

    Sample *find(double processId);
    void add(double processId, Sample sample);
    void clear() { m_samples.clear(); }
    int ProcessSampleCount() const noexcept { return static_cast<int>(m_samples.size()); }

private:
    std::unordered_map<double, Sample> m_samples;
};

} // namespace quorvin
