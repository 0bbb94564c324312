#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvin {

// Answers for this computer from the local source until a moniker names another computer; then loads the SSH
// module and hands everything to the source it makes. A name that begins with "pcp://" goes to the PCP
// module's source instead, loaded when such a name first comes. A program that never watches another computer
// never maps SSH and its cryptography (about 2 MiB resident), nor libpcp.
class DeferredRemoteSource final : public mgmt::Source {
public:
    // moduleCandidates, pcpModuleCandidates: where to look for each module, in order.
    DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                         mgmt::remote::HostKeyQuestion question, std::vector<std::string> moduleCandidates,
                         std::vector<std::string> pcpModuleCandidates = {});
    ~DeferredRemoteSource() override;

    std::unique_ptr<mgmt::Service> connect(std::string_view moniker) override;
    void closeIdleConnections() override;
    void setWhileWaiting(mgmt::WhileWaiting whileWaiting) override;
    std::optional<std::int64_t> thisProgramsProcessId(std::string_view moniker) override;

    // Beside the running program (the build tree, or a tool in a folder below it), then where it is
    // installed.
    static std::vector<std::string> standardModuleCandidates();
    static std::vector<std::string> standardPcpModuleCandidates();

private:
    mgmt::Source &current() { return m_remote ? *m_remote : *m_local; }
    void loadModule();

    std::unique_ptr<mgmt::Source> m_local; // until the module takes it over
    std::string m_localHostName;
    mgmt::remote::HostKeyQuestion m_question;
    std::vector<std::string> m_moduleCandidates;
    std::vector<std::string> m_pcpModuleCandidates;
    mgmt::WhileWaiting m_whileWaiting;
    std::unique_ptr<mgmt::Source> m_remote;
    std::unique_ptr<mgmt::Source> m_pcp;
};

} // namespace quorvin
