#include "mgmt/remote/RemoteModule.h"
#include "mgmt/remote/RemoteSource.h"

#include <type_traits>

// The module's one exported symbol; the libraries linked into it stay hidden.
extern "C" __attribute__((visibility("default"))) void
quorvin_make_remote_source(quorvin::mgmt::remote::RemoteSourceRequest *request)
{
    using namespace quorvin::mgmt::remote;
    request->made =
        std::make_unique<RemoteSource>(SshSettings::forCurrentUser(), std::move(request->question));
}

static_assert(std::is_same_v<decltype(&quorvin_make_remote_source), quorvin::mgmt::remote::MakeRemoteSource>);
