#pragma once
#include "mgmt/Source.h"
#include "mgmt/pcp/PcpLimits.h"
#include "mgmt/pcp/PcpModule.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvin::mgmt::pcp {

class PcpCollector;

// PCP's host address of a collector's name ("pcp://WEB1:44321" -> "web1:44321", "pcp://LOCAL:" ->
// "local:"), or nothing for a name that names none. Host names do not depend on case, and the window
// writes names in capitals; what follows a "?" (the sign-in's attributes) keeps its case.
std::optional<std::string> hostAddressOf(std::string_view computer);

// Answers for live PCP collectors named "pcp://HOST", "pcp://HOST:PORT" or "pcp://local:". One connection per
// collector, each with a thread of its own unless the calls run on the calling thread, stays open while it is
// in use. Used from one thread at a time, which may be any thread.
class PcpSource final : public Source {
public:
    explicit PcpSource(PcpLimits limits = {}, PcpCalls calls = PcpCalls::OnCollectorThreads);
    ~PcpSource() override;

    // Connects right away, so that a collector that cannot be reached raises 462 here; so does a name that
    // names no collector.
    std::unique_ptr<Service> connect(std::string_view moniker) override;
    void closeIdleConnections() override;
    void setWhileWaiting(WhileWaiting whileWaiting) override;

    // Collectors with an open connection.
    std::size_t openConnections() const;

private:
    PcpLimits m_limits;
    PcpCalls m_calls;
    std::shared_ptr<WhileWaiting> m_whileWaiting; // shared with the services, which may outlive a change
    std::map<std::string, std::shared_ptr<PcpCollector>> m_collectors; // by host address
};

} // namespace quorvin::mgmt::pcp
