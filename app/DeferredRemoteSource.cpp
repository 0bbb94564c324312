#include "app/DeferredRemoteSource.h"
#include "app/Modules.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/pcp/PcpModule.h"
#include "mgmt/remote/RemoteModule.h"

namespace quorvin {

namespace {

DeferredRemoteSource::RemoteSourceMaker sshModuleSource(mgmt::remote::HostKeyQuestion question,
                                                        std::vector<std::string> candidates)
{
    return [question = std::move(question), candidates = std::move(candidates)] {
        const auto make = reinterpret_cast<mgmt::remote::MakeRemoteSource>(
            moduleEntry(candidates, mgmt::remote::MakeRemoteSourceSymbol,
                        "Quorvin's SSH support cannot be loaded, so no other computer can be watched."));
        mgmt::remote::RemoteSourceRequest request{question, nullptr};
        make(&request);
        if (!request.made)
            throw mgmt::Error(mgmt::err::Failed, "The SSH support made no source.");
        return std::move(request.made);
    };
}

} // namespace

DeferredRemoteSource::DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                                           mgmt::remote::HostKeyQuestion question,
                                           std::vector<std::string> moduleCandidates,
                                           std::vector<std::string> pcpModuleCandidates)
    : DeferredRemoteSource(std::move(local), std::move(localHostName), std::move(pcpModuleCandidates),
                           sshModuleSource(std::move(question), std::move(moduleCandidates)))
{
}

DeferredRemoteSource::DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                                           std::vector<std::string> pcpModuleCandidates,
                                           RemoteSourceMaker makeRemote)
    : m_local(std::move(local)), m_localHostName(std::move(localHostName)),
      m_makeRemote(std::move(makeRemote)), m_pcpModuleCandidates(std::move(pcpModuleCandidates))
{
}

DeferredRemoteSource::~DeferredRemoteSource() = default;

mgmt::Source &DeferredRemoteSource::sourceFor(const std::string &computer)
{
    const bool collector = mgmt::pcp::namesCollector(computer);
    if (!collector && mgmt::isLocalComputerName(computer, m_localHostName))
        return *m_local;
    std::unique_ptr<mgmt::Source> &source = collector ? m_pcp : m_remote;
    if (!source) {
        source = collector ? makePcpSource(m_pcpModuleCandidates, {}, m_localHostName) : m_makeRemote();
        if (m_whileWaiting)
            source->setWhileWaiting(m_whileWaiting);
    }
    return *source;
}

template <typename Call> void DeferredRemoteSource::forEachSource(Call call)
{
    for (const std::unique_ptr<mgmt::Source> *source : {&m_local, &m_remote, &m_pcp})
        if (*source)
            call(**source);
}

std::unique_ptr<mgmt::Service> DeferredRemoteSource::connect(std::string_view moniker)
{
    return sourceFor(mgmt::parseMoniker(moniker).computer).connect(moniker);
}

void DeferredRemoteSource::closeIdleConnections()
{
    forEachSource([](mgmt::Source &source) { source.closeIdleConnections(); });
}

void DeferredRemoteSource::setWhileWaiting(mgmt::WhileWaiting whileWaiting)
{
    m_whileWaiting = std::move(whileWaiting);
    forEachSource([this](mgmt::Source &source) { source.setWhileWaiting(m_whileWaiting); });
}

std::optional<std::int64_t> DeferredRemoteSource::thisProgramsProcessId(std::string_view moniker)
{
    const std::string computer = mgmt::parseMoniker(moniker).computer;
    if (mgmt::pcp::namesCollector(computer) || !mgmt::isLocalComputerName(computer, m_localHostName))
        return std::nullopt;
    return m_local->thisProgramsProcessId(moniker);
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
