#include "app/SourceFactory.h"
#include "app/DeferredRemoteSource.h"
#include "app/Modules.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/replay/ReplaySource.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quorvin {

namespace {

// A recording is JSON text; anything else that is there, or whose files are (a pmlogger archive named by
// its base name: PATH.0, PATH.meta, PATH.index, compressed or not), is taken for a PCP archive. A path where
// nothing is goes to the recordings' loader, which says so.
bool namesArchive(const std::string &path)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        std::ifstream file(path, std::ios::binary);
        char first = 0;
        while (file.get(first) && (first == ' ' || first == '\t' || first == '\n' || first == '\r')) {
        }
        return !(file && first == '{');
    }
    for (const char *suffix : {".meta", ".meta.xz", ".index", ".0", ".0.xz"})
        if (std::filesystem::exists(path + suffix, error))
            return true;
    return false;
}
} // namespace

std::string localHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::unique_ptr<mgmt::Source> createSource(mgmt::remote::HostKeyQuestion hostKeyQuestion)
{
    const char *replay = std::getenv("QUORVIN_REPLAY");
    if (replay && *replay) {
        if (namesArchive(replay))
            return makePcpSource(DeferredRemoteSource::standardPcpModuleCandidates(), replay,
                                 localHostName());
        return mgmt::ReplaySource::fromFile(replay, localHostName());
    }
    return std::make_unique<DeferredRemoteSource>(std::make_unique<mgmt::LocalSource>(), localHostName(),
                                                  std::move(hostKeyQuestion),
                                                  DeferredRemoteSource::standardModuleCandidates(),
                                                  DeferredRemoteSource::standardPcpModuleCandidates());
}

} // namespace quorvin
