#include "mgmt/SourceFactory.h"
#include "mgmt/ReplaySource.h"
#include "mgmt/linux/LocalSource.h"
#include "mgmt/remote/RemoteSource.h"

#include <cstdlib>
#include <unistd.h>

namespace quorvin::mgmt {

namespace {
std::string localHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}
} // namespace

std::unique_ptr<Source> createSource(remote::HostKeyQuestion hostKeyQuestion)
{
    const char *replay = std::getenv("QUORVIN_REPLAY");
    if (replay && *replay)
        return ReplaySource::fromFile(replay, localHostName());
    return std::make_unique<remote::RemoteSource>(std::make_unique<LocalSource>(), localHostName(),
                                                  remote::SshSettings::forCurrentUser(), std::move(hostKeyQuestion));
}

} // namespace quorvin::mgmt
