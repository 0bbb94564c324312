#include "mgmt/pcp/PcpModule.h"
#include "mgmt/pcp/ArchiveSource.h"
#include "mgmt/pcp/PcpSource.h"

#include <type_traits>

// The module's one exported symbol; the libraries linked into it stay hidden.
extern "C" __attribute__((visibility("default"))) void
quorvin_make_pcp_source(quorvin::mgmt::pcp::PcpSourceRequest *request)
{
    using namespace quorvin::mgmt::pcp;
    if (request->archive.empty())
        request->made = std::make_unique<PcpSource>(PcpLimits{}, request->calls);
    else
        request->made = std::make_unique<ArchiveSource>(request->archive, request->localHostName);
}

static_assert(std::is_same_v<decltype(&quorvin_make_pcp_source), quorvin::mgmt::pcp::MakePcpSource>);
