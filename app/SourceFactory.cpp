#include "app/SourceFactory.h"
#include "app/DeferredRemoteSource.h"
#include "mgmt/linux/LocalSource.h"
#include "mgmt/replay/ReplaySource.h"

#include <cstdlib>
#include <unistd.h>

namespace quorvin {

namespace {
std::string localHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}
} // namespace

std::unique_ptr<mgmt::Source> createSource(mgmt::remote::HostKeyQuestion hostKeyQuestion)
{
    const char *replay = std::getenv("QUORVIN_REPLAY");
    if (replay && *replay)
        return mgmt::ReplaySource::fromFile(replay, localHostName());
    return std::make_unique<DeferredRemoteSource>(std::make_unique<mgmt::LocalSource>(), localHostName(),
                                                  std::move(hostKeyQuestion),
                                                  DeferredRemoteSource::standardModuleCandidates());
}

} // namespace quorvin
