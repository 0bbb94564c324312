#pragma once
#include "mgmt/Source.h"
#include "mgmt/pcp/CollectorThread.h"
#include "mgmt/pcp/PcpClasses.h"
#include "mgmt/pcp/PcpLimits.h"
#include "mgmt/pcp/PcpSample.h"

#include <chrono>
#include <memory>
#include <span>
#include <string>

namespace quorvin::mgmt::pcp {

// One live collector: its connection, made on its own thread when first needed, made anew on the next use
// after it was lost, and closed after an idle time.
class PcpCollector final {
public:
    // `hostSpec` is PCP's ("web1:44321", "local:"); `shownName` names it in messages ("pcp://web1:44321").
    PcpCollector(std::string hostSpec, std::string shownName, PcpLimits limits);

    // Connects unless connected. Raises 462 when the collector cannot be reached within the limit.
    void connect(const WhileWaiting &whileWaiting);
    Sample fetch(std::span<const MetricNeed> metrics, const WhileWaiting &whileWaiting);

    void closeIfIdle(std::chrono::steady_clock::time_point now);
    bool open() const noexcept { return m_thread != nullptr; }

private:
    std::string m_hostSpec;
    std::string m_shownName;
    PcpLimits m_limits;
    std::unique_ptr<CollectorThread> m_thread;
    std::chrono::steady_clock::time_point m_lastUsed;
};

} // namespace quorvin::mgmt::pcp
