#include "mgmt/remote/RemoteComputer.h"
#include "mgmt/Error.h"

namespace quorvin::mgmt::remote {

RemoteComputer::RemoteComputer(std::string name, SshSettings settings, HostKeyQuestion question)
    : m_name(std::move(name)), m_settings(std::move(settings)), m_question(std::move(question))
{
}

SshSession &RemoteComputer::session()
{
    m_lastUsed = std::chrono::steady_clock::now();
    if (m_session && m_session->broken() && m_inUse == 0)
        dropSession();
    if (!m_session)
        m_session = std::make_unique<SshSession>(m_name, m_settings, m_question, m_whileWaiting);
    return *m_session;
}

SshSession::Answer RemoteComputer::run(std::string_view commands)
{
    SshSession::Answer answer;
    use([&](SshSession &session) { answer = session.run(commands); });
    return answer;
}

void RemoteComputer::use(const std::function<void(SshSession &)> &work)
{
    SshSession &open = session();
    ++m_inUse;
    try {
        work(open);
    } catch (...) {
        --m_inUse;
        if (open.broken() && m_inUse == 0)
            dropSession();
        throw;
    }
    --m_inUse;
    m_lastUsed = std::chrono::steady_clock::now();
}

void RemoteComputer::dropSession() noexcept
{
    m_bridge.reset();
    m_session.reset();
}

void RemoteComputer::withBus(const std::function<void(sd_bus *)> &work)
{
    use([&](SshSession &session) {
        if (m_bridge && m_bridge->broken())
            m_bridge.reset();
        if (!m_bridge)
            m_bridge = std::make_unique<SshBusBridge>(session);
        try {
            m_bridge->call(work);
        } catch (...) {
            // Whatever the bridge holds of a call that failed or timed out (a flood, a late answer) must not
            // reach the next one: it gets a bridge of its own.
            m_bridge.reset();
            throw;
        }
    });
}

void RemoteComputer::closeIfIdle(std::chrono::steady_clock::time_point now)
{
    if (m_session && m_inUse == 0 && now - m_lastUsed > std::chrono::seconds(m_settings.idleSeconds))
        dropSession();
}

void RemoteComputer::setWhileWaiting(std::function<void()> whileWaiting)
{
    m_whileWaiting = std::move(whileWaiting);
    if (m_session)
        m_session->setWhileWaiting(m_whileWaiting);
}

} // namespace quorvin::mgmt::remote
