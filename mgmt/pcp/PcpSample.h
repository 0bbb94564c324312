#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvin::mgmt::pcp {

// One value as a collector delivers it: a signed or unsigned integer, a floating-point number or a string.
using Atom = std::variant<std::int64_t, std::uint64_t, double, std::string>;

// The instance number of a metric that has a single value.
inline constexpr int SingleValue = -1;

struct InstanceValue {
    int instance = SingleValue;
    std::string name; // the instance's external name, where the metric's instances are named ("eth0", "cpu1")
    Atom value;
};

// Why a metric has no values.
enum class Gap {
    None,    // it has values (possibly none at all, as an empty instance list has)
    Unknown, // not in the collector's namespace, or not logged in the archive
    Refused, // the collector refuses it to this connection
    Failed,  // any other fault the collector reported for it
};

struct MetricValues {
    Gap gap = Gap::Unknown;
    std::string why; // the collector's words for a gap
    std::vector<InstanceValue> values;
};

// The values of the metrics of one fetch, by name. The fetches of the same metrics share one list of their
// names, so that a fetch makes one list of values and no names.
class MetricTable final {
public:
    using Names = std::vector<std::string>; // in ascending order, each once

    MetricTable();
    // Each of the names without values.
    explicit MetricTable(std::shared_ptr<const Names> names);

    // Nothing where the name is not in the table.
    const MetricValues *find(std::string_view name) const noexcept;
    std::size_t count(std::string_view name) const noexcept { return find(name) ? 1 : 0; }
    // The values of the name, added without values where absent (which moves the others).
    MetricValues &operator[](std::string_view name);
    // By position in the list of names.
    MetricValues &at(std::size_t position) { return m_values.at(position); }

private:
    std::shared_ptr<const Names> m_names;
    std::vector<MetricValues> m_values; // of each name, in the same order
};

// One fetch: what a collector or an archive said about the metrics a class is made from, at one moment.
struct Sample {
    std::string source; // "pcp://web1", or the archive's path: for messages
    bool archive = false;
    std::int64_t timestampMicros = 0; // when the collector took the values, since the epoch
    MetricTable metrics;
};

} // namespace quorvin::mgmt::pcp
