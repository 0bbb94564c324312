#pragma once
#include "mgmt/pcp/PcpClasses.h"
#include "mgmt/pcp/PcpSample.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quorvin::mgmt::pcp {

// The facts of an archive's label and extent, in microseconds since the epoch.
struct ArchiveExtent {
    std::string hostName;
    std::int64_t firstMicros = 0; // from here on every metric Quorvin reads that it logged has a value
    std::int64_t endMicros = 0;   // and up to here
};

// One PMAPI context: a collector or an archive. Every call blocks, so a connection is made, used and
// destroyed on one thread of its own (CollectorThread), never on a window's.
class PcpConnection final {
public:
    // `hostAddress` is PCP's own: "web1", "web1:44321", "local:". Throws mgmt::Error: 462 when the collector
    // cannot be reached, naming it as `shownName`.
    static std::unique_ptr<PcpConnection> toCollector(const std::string &hostAddress, std::string shownName);
    // `path` is the archive's base name or any of its files. Throws "Generic failure" naming it.
    static std::unique_ptr<PcpConnection> toArchive(const std::string &path);
    ~PcpConnection();
    PcpConnection(const PcpConnection &) = delete;
    PcpConnection &operator=(const PcpConnection &) = delete;

    // The metrics' values now, or in an archive at a moment (in microseconds), interpolated. A connection
    // lost on the way raises an error and leaves the connection broken.
    Sample fetch(std::span<const MetricNeed> metrics, std::optional<std::int64_t> atMicros = std::nullopt);
    // Of an archive: its label, and the span in which each of the metrics it logged has values (pmlogger's
    // own records at its start and end hold none of them, and metrics logged at longer intervals start later
    // and end earlier).
    ArchiveExtent extent(std::span<const std::string_view> metrics);

    bool broken() const noexcept { return m_broken; }

private:
    struct Metric;
    struct Plan;
    PcpConnection(int context, std::string shownName, bool archive);
    const Metric &lookup(std::string_view name);
    // The plan of a fetch of these needs: one of the last few when they are the same.
    std::shared_ptr<const Plan> planFor(std::span<const MetricNeed> needs);
    void nameInstances(const Metric &metric, MetricValues &values);
    std::int64_t recordHoldingAll(std::vector<unsigned> ids, int mode, const timeval &from);
    [[noreturn]] void fail(const std::string &what, int code);

    int m_context;
    std::string m_shownName;
    bool m_archive;
    bool m_broken = false;
    std::map<std::string, std::shared_ptr<Metric>, std::less<>> m_metrics;
    std::map<unsigned, std::map<int, std::string>> m_instanceNames; // by instance domain
    std::vector<std::shared_ptr<const Plan>> m_plans;               // the one used last first
};

// The text of a PMAPI error code (thread-safe).
std::string pcpErrorText(int code);

} // namespace quorvin::mgmt::pcp
