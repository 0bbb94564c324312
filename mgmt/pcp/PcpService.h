#pragma once
#include "mgmt/Source.h"
#include "mgmt/pcp/PcpClasses.h"
#include "mgmt/pcp/PcpSample.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::pcp {

// Fetches the metrics a class is made from, from a collector or an archive.
using Fetch = std::function<Sample(std::span<const MetricNeed>)>;

// A connection to a collector or an archive: every call fetches afresh.
class PcpService final : public Service {
public:
    explicit PcpService(Fetch fetch) : m_fetch(std::move(fetch)) {}

    std::vector<Instance> instancesOf(std::string_view className) override;
    std::vector<Instance> execQuery(std::string_view wql) override;
    // One fetch of the metrics of all the classes.
    std::vector<ClassAnswer> instancesOfEach(std::span<const std::string_view> asks) override;

private:
    Fetch m_fetch;
    // The metrics of the classes read together lately: a caller reads the same few lists again and again.
    struct Needs {
        std::vector<std::string> asks;
        std::vector<Query> queries;
        std::vector<MetricNeed> metrics;
    };
    std::vector<Needs> m_needs; // the one used last first
};

} // namespace quorvin::mgmt::pcp
