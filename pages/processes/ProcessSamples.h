#pragma once
#include "mgmt/Value.h"

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvin {

// The last raw sample of every process seen, by process ID, so that the next refresh can tell each process's
// processor use. It grows as needed; the page empties it about once a minute. Kept in ID order: a table
// walked in that order finds each next entry where the last one ended. IDs that come out of order wait
// aside and join in batches, so that no order of IDs costs more than a sort.
class ProcessSamples final {
public:
    // A raw counter as delivered; read as a number once, when first needed, so that a value that is no
    // number fails where it is used.
    class Counter {
    public:
        Counter() = default;
        Counter(mgmt::Value raw) : m_raw(std::move(raw)) {}
        double number();
        const mgmt::Value &raw() const noexcept { return m_raw; }

    private:
        mgmt::Value m_raw;
        std::optional<double> m_number;
    };

    struct Sample {
        Counter processorTime;
        Counter timestamp;
    };

    Sample *find(double processId);
    void add(double processId, Sample sample);
    void clear();
    int ProcessSampleCount() const noexcept { return static_cast<int>(m_entries.size() + m_aside.size()); }

private:
    struct Entry {
        double processId;
        Sample sample;
    };

    std::vector<Entry>::iterator lowerBound(double processId);
    void joinAside();

    std::vector<Entry> m_entries;               // ascending IDs
    std::size_t m_next = 0;                     // just after the entry found last
    std::unordered_map<double, Sample> m_aside; // below the last entry, not yet joined
};

} // namespace quorvin
