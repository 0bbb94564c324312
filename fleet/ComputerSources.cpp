#include "fleet/ComputerSources.h"
#include "app/DeferredRemoteSource.h"
#include "app/Modules.h"
#include "app/SourceFactory.h"
#include "mgmt/linux/LocalSource.h"
#include "mgmt/pcp/PcpModule.h"

namespace quorvin::fleet {

SourceMaker computerSources(mgmt::remote::HostKeyQuestion question)
{
    return [question = std::move(question)](const std::string &computer) -> std::unique_ptr<mgmt::Source> {
        if (mgmt::pcp::namesCollector(computer))
            return makePcpSource(DeferredRemoteSource::standardPcpModuleCandidates(), {}, localHostName(),
                                 mgmt::pcp::PcpCalls::OnCallingThread);
        return std::make_unique<DeferredRemoteSource>(std::make_unique<mgmt::LocalSource>(), localHostName(),
                                                      question,
                                                      DeferredRemoteSource::standardModuleCandidates());
    };
}

} // namespace quorvin::fleet
