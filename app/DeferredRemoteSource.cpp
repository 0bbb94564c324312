#include "app/DeferredRemoteSource.h"
#include "app/Modules.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/pcp/PcpModule.h"
#include "mgmt/remote/RemoteModule.h"

namespace quorvin {

DeferredRemoteSource::DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                                           mgmt::remote::HostKeyQuestion question,
                                           std::vector<std::string> moduleCandidates,
                                           std::vector<std::string> pcpModuleCandidates)
    : m_local(std::move(local)), m_localHostName(std::move(localHostName)), m_question(std::move(question)),
      m_moduleCandidates(std::move(moduleCandidates)), m_pcpModuleCandidates(std::move(pcpModuleCandidates))
{
}

DeferredRemoteSource::~DeferredRemoteSource() = default;

std::unique_ptr<mgmt::Service> DeferredRemoteSource::connect(std::string_view moniker)
{
    const std::string computer = mgmt::parseMoniker(moniker).computer;
    if (mgmt::pcp::namesCollector(computer)) {
        if (!m_pcp) {
            m_pcp = makePcpSource(m_pcpModuleCandidates, {}, m_localHostName);
            if (m_whileWaiting)
                m_pcp->setWhileWaiting(m_whileWaiting);
        }
        return m_pcp->connect(moniker);
    }
    if (!m_remote && !mgmt::isLocalComputerName(computer, m_localHostName))
        loadModule();
    return current().connect(moniker);
}

void DeferredRemoteSource::closeIdleConnections()
{
    current().closeIdleConnections();
    if (m_pcp)
        m_pcp->closeIdleConnections();
}

void DeferredRemoteSource::setWhileWaiting(mgmt::WhileWaiting whileWaiting)
{
    m_whileWaiting = whileWaiting;
    if (m_pcp)
        m_pcp->setWhileWaiting(whileWaiting);
    current().setWhileWaiting(std::move(whileWaiting));
}

std::optional<std::int64_t> DeferredRemoteSource::thisProgramsProcessId(std::string_view moniker)
{
    return current().thisProgramsProcessId(moniker);
}

void DeferredRemoteSource::loadModule()
{
    const auto make = reinterpret_cast<mgmt::remote::MakeRemoteSource>(
        moduleEntry(m_moduleCandidates, mgmt::remote::MakeRemoteSourceSymbol,
                    "Quorvin's SSH support cannot be loaded, so no other computer can be watched."));
    mgmt::remote::RemoteSourceRequest request{std::move(m_local), m_localHostName, m_question, nullptr};
    try {
        make(&request);
    } catch (...) {
        if (request.local) // not taken over: this computer is still answered
            m_local = std::move(request.local);
        throw;
    }
    if (!request.made) {
        m_local = std::move(request.local);
        throw mgmt::Error(mgmt::err::Failed, "The SSH support made no source.");
    }
    m_remote = std::move(request.made);
    if (m_whileWaiting)
        m_remote->setWhileWaiting(m_whileWaiting);
}

std::vector<std::string> DeferredRemoteSource::standardModuleCandidates()
{
    return moduleCandidates(mgmt::remote::RemoteModuleFile);
}

std::vector<std::string> DeferredRemoteSource::standardPcpModuleCandidates()
{
    return moduleCandidates(mgmt::pcp::PcpModuleFile);
}

} // namespace quorvin
