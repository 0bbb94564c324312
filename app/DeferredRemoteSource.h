#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvin {

// The one place that tells this computer from another. This computer's names (empty, ".", "localhost", its
// host name, in any case) go to the local source; a name that begins with "pcp://" goes to the PCP module's
// source, loaded when such a name first comes; any other name goes to the source for other computers, made
// (by loading the SSH module) when one is first named. A program that never watches another computer never
// maps SSH and its cryptography (about 2 MiB resident), nor libpcp.
class DeferredRemoteSource final : public mgmt::Source {
public:
    using RemoteSourceMaker = std::function<std::unique_ptr<mgmt::Source>()>;

    // moduleCandidates, pcpModuleCandidates: where to look for each module, in order.
    DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                         mgmt::remote::HostKeyQuestion question, std::vector<std::string> moduleCandidates,
                         std::vector<std::string> pcpModuleCandidates = {});
    // Other computers from the source makeRemote makes, instead of the SSH module's.
    DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                         std::vector<std::string> pcpModuleCandidates, RemoteSourceMaker makeRemote);
    ~DeferredRemoteSource() override;

    std::unique_ptr<mgmt::Service> connect(std::string_view moniker) override;
    void closeIdleConnections() override;
    void setWhileWaiting(mgmt::WhileWaiting whileWaiting) override;
    // This computer's answer; none for any other.
    std::optional<std::int64_t> thisProgramsProcessId(std::string_view moniker) override;

    // Beside the running program (the build tree, or a tool in a folder below it), then where it is
    // installed.
    static std::vector<std::string> standardModuleCandidates();
    static std::vector<std::string> standardPcpModuleCandidates();

private:
    mgmt::Source &sourceFor(const std::string &computer);
    template <typename Call> void forEachSource(Call call);

    std::unique_ptr<mgmt::Source> m_local;
    std::string m_localHostName;
    RemoteSourceMaker m_makeRemote;
    std::vector<std::string> m_pcpModuleCandidates;
    mgmt::WhileWaiting m_whileWaiting;
    std::unique_ptr<mgmt::Source> m_remote;
    std::unique_ptr<mgmt::Source> m_pcp;
};

} // namespace quorvin
