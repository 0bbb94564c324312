#include "mgmt/pcp/PcpSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/pcp/PcpCollector.h"
#include "mgmt/pcp/PcpService.h"

namespace quorvin::mgmt::pcp {

namespace {

Error notACollector(std::string_view why)
{
    return Error(err::RemoteServerUnavailable,
                 Error::standardDescription(err::RemoteServerUnavailable) + " (" + std::string(why) + ")");
}

// Printable characters without blanks and quotes: an address is never handed on with anything a
// resolver or a log could misread.
bool plainAddress(std::string_view address)
{
    if (address.empty() || address.size() > 1024)
        return false;
    for (const char c : address)
        if (c <= ' ' || c > '~' || c == '"' || c == '\'' || c == '\\' || c == '`')
            return false;
    return true;
}

} // namespace

std::optional<std::string> hostAddressOf(std::string_view computer)
{
    if (!namesCollector(computer))
        return std::nullopt;
    const std::string_view address = computer.substr(CollectorScheme.size());
    if (!plainAddress(address))
        return std::nullopt;
    const std::size_t attributes = std::min(address.find('?'), address.size());
    return toLowerAscii(address.substr(0, attributes)) + std::string(address.substr(attributes));
}

PcpSource::PcpSource(PcpLimits limits, PcpCalls calls)
    : m_limits(limits), m_calls(calls), m_whileWaiting(std::make_shared<WhileWaiting>())
{
}

PcpSource::~PcpSource() = default;

std::unique_ptr<Service> PcpSource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    if (!namesCollector(moniker.computer))
        throw notACollector("not a PCP collector's name");
    const std::optional<std::string> address = hostAddressOf(moniker.computer);
    if (!address)
        throw notACollector("not a PCP host address");
    std::shared_ptr<PcpCollector> &collector = m_collectors[*address];
    if (!collector)
        collector = std::make_shared<PcpCollector>(*address, std::string(CollectorScheme) + *address,
                                                   m_limits, m_calls);
    collector->connect(*m_whileWaiting);
    return std::make_unique<PcpService>(
        [collector, whileWaiting = m_whileWaiting](std::span<const MetricNeed> metrics) {
            return collector->fetch(metrics, *whileWaiting);
        });
}

void PcpSource::closeIdleConnections()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto &[address, collector] : m_collectors)
        collector->closeIfIdle(now);
}

void PcpSource::setWhileWaiting(WhileWaiting whileWaiting)
{
    *m_whileWaiting = std::move(whileWaiting);
}

std::size_t PcpSource::openConnections() const
{
    std::size_t open = 0;
    for (const auto &[address, collector] : m_collectors)
        open += collector->open() ? 1 : 0;
    return open;
}

} // namespace quorvin::mgmt::pcp
