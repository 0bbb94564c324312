#pragma once
#include "mgmt/Instance.h"
#include "mgmt/Query.h"
#include "mgmt/pcp/PcpSample.h"

#include <span>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::pcp {

// A metric a class is made from.
struct MetricNeed {
    std::string_view name;
    bool named = false;    // its instances' names are read too ("eth0", "cpu1")
    bool optional = false; // a gap reads as 0 or as nothing, not as an error
};

// The metrics the instances of a class are made from, its name matched without regard to case. Any other name
// raises "Invalid class"; the services, of which PCP knows nothing, raise an error that says so.
std::span<const MetricNeed> metricsOf(std::string_view className);

// Every metric any class is made from, each once.
std::vector<std::string_view> allMetrics();

// The instances of a class from one fetch of its metrics, with the same properties and units as the Linux
// backends give, so that every page's arithmetic is the same. A required metric that the sample lacks, a
// refused one ("Access is denied."), and a value out of range or of the wrong type raise errors that name
// the collector or the archive and the metric. Processes cannot be ended through PCP: Terminate is refused.
std::vector<Instance> pcpInstancesOf(const Sample &sample, std::string_view className);

// The metrics that answer a query: those of its class, or fewer where it names one instance that needs
// fewer (the processors' "_Total" needs no processor's own counters).
std::span<const MetricNeed> metricsOf(const Query &query);
// The instances that answer a query, from one fetch of metricsOf(query).
std::vector<Instance> pcpAnswerOf(const Sample &sample, const Query &query);

} // namespace quorvin::mgmt::pcp
