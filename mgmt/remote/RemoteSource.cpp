#include "mgmt/remote/RemoteSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/linux/LinuxService.h"
#include "mgmt/remote/RemoteComputer.h"
#include "mgmt/remote/RemoteSystem.h"

namespace quorvin::mgmt::remote {

namespace {

// Letters, digits and the few signs that host names, addresses and ssh's aliases use ("user@host",
// "[::1]", "fe80::1%eth0"). Anything else (blanks, quotes, ";", "$", control characters) names no computer
// and never reaches a name lookup.
bool couldBeHostName(std::string_view name)
{
    if (name.empty() || name.size() > 253 || name.front() == '-')
        return false;
    for (const char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && std::string_view("-._:[]@%").find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace

RemoteSource::RemoteSource(SshSettings settings, HostKeyQuestion question)
    : m_settings(std::move(settings)), m_question(std::move(question))
{
}

RemoteSource::~RemoteSource() = default;

std::unique_ptr<Service> RemoteSource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    if (!couldBeHostName(moniker.computer))
        throw Error(err::RemoteServerUnavailable,
                    Error::standardDescription(err::RemoteServerUnavailable) + " (not a computer name)");
    const std::string key = withHostInLowerCase(moniker.computer);
    std::shared_ptr<RemoteComputer> &computer = m_computers[key];
    if (!computer)
        computer = std::make_shared<RemoteComputer>(moniker.computer, m_settings, m_question);
    computer->setWhileWaiting(m_whileWaiting);
    computer->session();
    return std::make_unique<linux_::LinuxService>(std::make_shared<RemoteSystem>(computer));
}

void RemoteSource::setWhileWaiting(WhileWaiting whileWaiting)
{
    m_whileWaiting = std::move(whileWaiting);
    for (auto &[name, computer] : m_computers)
        computer->setWhileWaiting(m_whileWaiting);
}

void RemoteSource::closeIdleConnections()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto &[name, computer] : m_computers)
        computer->closeIfIdle(now);
}

std::size_t RemoteSource::openConnections() const
{
    std::size_t open = 0;
    for (const auto &[name, computer] : m_computers)
        open += computer->connected() ? 1 : 0;
    return open;
}

} // namespace quorvin::mgmt::remote
