#include "mgmt/remote/RemoteSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/Query.h"
#include "mgmt/remote/RemoteClasses.h"
#include "mgmt/remote/RemoteComputer.h"

namespace quorvin::mgmt::remote {

namespace {

class RemoteService final : public Service {
public:
    explicit RemoteService(std::shared_ptr<RemoteComputer> computer) : m_computer(std::move(computer)) {}

    std::vector<Instance> instancesOf(std::string_view className) override
    {
        return remoteInstancesOf(m_computer, className);
    }

    std::vector<Instance> execQuery(std::string_view wql) override
    {
        const Query query = parseQuery(wql);
        return answerOf(query, remoteInstancesOf(m_computer, query.className));
    }

private:
    std::shared_ptr<RemoteComputer> m_computer;
};

} // namespace

RemoteSource::RemoteSource(std::unique_ptr<Source> local, std::string localHostName, SshSettings settings,
                           HostKeyQuestion question)
    : m_local(std::move(local)), m_localHostName(std::move(localHostName)), m_settings(std::move(settings)),
      m_question(std::move(question))
{
}

RemoteSource::~RemoteSource() = default;

std::unique_ptr<Service> RemoteSource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    if (isLocalComputerName(moniker.computer, m_localHostName))
        return m_local->connect(monikerText);
    const std::string key = toLowerAscii(moniker.computer);
    std::shared_ptr<RemoteComputer> &computer = m_computers[key];
    if (!computer)
        computer = std::make_shared<RemoteComputer>(moniker.computer, m_settings, m_question);
    computer->session();
    return std::make_unique<RemoteService>(computer);
}

void RemoteSource::closeIdleConnections()
{
    m_local->closeIdleConnections();
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
