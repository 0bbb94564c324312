#include "mgmt/pcp/PcpCollector.h"
#include "mgmt/Error.h"
#include "mgmt/pcp/PcpConnection.h"

namespace quorvin::mgmt::pcp {

PcpCollector::PcpCollector(std::string hostAddress, std::string shownName, PcpLimits limits, PcpCalls calls)
    : m_hostAddress(std::move(hostAddress)), m_shownName(std::move(shownName)), m_limits(limits),
      m_calls(calls)
{
}

PcpCollector::~PcpCollector() = default;

bool PcpCollector::run(const CollectorThread::Job &job, std::chrono::milliseconds limit,
                       const WhileWaiting &whileWaiting)
{
    if (m_calls == PcpCalls::OnCallingThread) {
        job(m_connection);
        return true;
    }
    if (!m_thread)
        m_thread = std::make_unique<CollectorThread>();
    return m_thread->run(job, limit, whileWaiting);
}

void PcpCollector::connect(const WhileWaiting &whileWaiting)
{
    m_lastUsed = std::chrono::steady_clock::now();
    const bool ran = run(
        [address = m_hostAddress, name = m_shownName](std::unique_ptr<PcpConnection> &connection) {
            if (connection && connection->broken())
                connection.reset();
            if (!connection)
                connection = PcpConnection::toCollector(address, name);
        },
        m_limits.connect, whileWaiting);
    if (!ran)
        throw Error(err::RemoteServerUnavailable, Error::standardDescription(err::RemoteServerUnavailable) +
                                                      " (" + m_shownName + ": no answer within " +
                                                      std::to_string(m_limits.connect.count() / 1000) +
                                                      " seconds)");
}

Sample PcpCollector::fetch(std::span<const MetricNeed> metrics, const WhileWaiting &whileWaiting)
{
    connect(whileWaiting);
    // Shared with the job, which may end after this call gave up on it.
    const auto sample = std::make_shared<Sample>();
    const bool ran =
        run([sample,
             metrics](std::unique_ptr<PcpConnection> &connection) { *sample = connection->fetch(metrics); },
            m_limits.answer, whileWaiting);
    m_lastUsed = std::chrono::steady_clock::now();
    if (!ran)
        throw Error(err::Failed, "The connection to the PCP collector " + m_shownName +
                                     " was lost: no answer within " +
                                     std::to_string(m_limits.answer.count() / 1000) + " seconds.");
    return std::move(*sample);
}

void PcpCollector::closeIfIdle(std::chrono::steady_clock::time_point now)
{
    if (now - m_lastUsed > m_limits.idle) {
        m_thread.reset();
        m_connection.reset();
    }
}

} // namespace quorvin::mgmt::pcp
