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

// Printable characters without blanks and quotes: a specification is never handed on with anything a
// resolver or a log could misread.
bool plainSpecification(std::string_view spec)
{
    if (spec.empty() || spec.size() > 1024)
        return false;
    for (const char c : spec)
        if (c <= ' ' || c > '~' || c == '"' || c == '\'' || c == '\\' || c == '`')
            return false;
    return true;
}

} // namespace

std::optional<std::string> hostSpecOf(std::string_view computer)
{
    if (!namesCollector(computer))
        return std::nullopt;
    const std::string_view spec = computer.substr(CollectorScheme.size());
    if (!plainSpecification(spec))
        return std::nullopt;
    const std::size_t attributes = std::min(spec.find('?'), spec.size());
    return toLowerAscii(spec.substr(0, attributes)) + std::string(spec.substr(attributes));
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
    const std::optional<std::string> spec = hostSpecOf(moniker.computer);
    if (!spec)
        throw notACollector("not a PCP host specification");
    std::shared_ptr<PcpCollector> &collector = m_collectors[*spec];
    if (!collector)
        collector =
            std::make_shared<PcpCollector>(*spec, std::string(CollectorScheme) + *spec, m_limits, m_calls);
    collector->connect(*m_whileWaiting);
    return std::make_unique<PcpService>(
        [collector, whileWaiting = m_whileWaiting](std::span<const MetricNeed> metrics) {
            return collector->fetch(metrics, *whileWaiting);
        });
}

void PcpSource::closeIdleConnections()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto &[spec, collector] : m_collectors)
        collector->closeIfIdle(now);
}

void PcpSource::setWhileWaiting(WhileWaiting whileWaiting)
{
    *m_whileWaiting = std::move(whileWaiting);
}

std::size_t PcpSource::openConnections() const
{
    std::size_t open = 0;
    for (const auto &[spec, collector] : m_collectors)
        open += collector->open() ? 1 : 0;
    return open;
}

} // namespace quorvin::mgmt::pcp
