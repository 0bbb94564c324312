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

// One live collector: its connection, made on its own thread (or the caller's) when first needed, made anew
// on the next use after it was lost, and closed after an idle time.
class PcpCollector final {
public:
    // `hostAddress` is PCP's ("web1:44321", "local:"); `shownName` names it in messages ("pcp://web1:44321").
    PcpCollector(std::string hostAddress, std::string shownName, PcpLimits limits,
                 PcpCalls calls = PcpCalls::OnCollectorThreads);
    ~PcpCollector();

    // Connects unless connected. Raises 462 when the collector cannot be reached within the limit.
    void connect(const WhileWaiting &whileWaiting);
    Sample fetch(std::span<const MetricNeed> metrics, const WhileWaiting &whileWaiting);

    void closeIfIdle(std::chrono::steady_clock::time_point now);
    bool open() const noexcept { return m_thread != nullptr || m_connection != nullptr; }

private:
    // Runs the job where the calls run; false when the limit ran out first.
    bool run(const CollectorThread::Job &job, std::chrono::milliseconds limit,
             const WhileWaiting &whileWaiting);

    std::string m_hostAddress;
    std::string m_shownName;
    PcpLimits m_limits;
    PcpCalls m_calls;
    std::unique_ptr<CollectorThread> m_thread;
    std::unique_ptr<PcpConnection> m_connection; // of the calls on the calling thread
    std::chrono::steady_clock::time_point m_lastUsed;
};

} // namespace quorvin::mgmt::pcp
