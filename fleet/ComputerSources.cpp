#include "fleet/ComputerSources.h"
#include "app/DeferredRemoteSource.h"
#include "app/Modules.h"
#include "app/SourceFactory.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/pcp/PcpModule.h"

namespace quorvin::fleet {

SourceMaker computerSources(mgmt::remote::HostKeyQuestion question, std::vector<std::string> sshModules,
                            std::vector<std::string> pcpModules)
{
    if (sshModules.empty())
        sshModules = DeferredRemoteSource::standardModuleCandidates();
    if (pcpModules.empty())
        pcpModules = DeferredRemoteSource::standardPcpModuleCandidates();
    return
        [question = std::move(question), sshModules = std::move(sshModules),
         pcpModules = std::move(pcpModules)](const std::string &computer) -> std::unique_ptr<mgmt::Source> {
            if (mgmt::pcp::namesCollector(computer))
                return makePcpSource(pcpModules, {}, localHostName(), mgmt::pcp::PcpCalls::OnCallingThread);
            return std::make_unique<DeferredRemoteSource>(std::make_unique<mgmt::LocalSource>(),
                                                          localHostName(), question, sshModules);
        };
}

} // namespace quorvin::fleet
