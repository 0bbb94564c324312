#pragma once
// A remote source over one of the test hosts, with the window's own host-key question answered by stand-in
// boxes.
#include "LoopbackSshHost.h"
#include "app/DeferredRemoteSource.h"
#include "app/HostKeyQuestion.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/remote/RemoteSource.h"
#include "support/FakeDialogs.h"

#include <gtest/gtest.h>
#include <memory>

namespace quorvin::test {

inline std::unique_ptr<mgmt::remote::RemoteSource>
remoteSourceFor(const SshHost &host, Dialogs &dialogs, int idleSeconds = 60, int answerTimeoutSeconds = 15)
{
    auto settings = mgmt::remote::SshSettings::inDirectory(host.sshDir());
    settings.idleSeconds = idleSeconds;
    settings.answerTimeoutSeconds = answerTimeoutSeconds;
    return std::make_unique<mgmt::remote::RemoteSource>(settings, HostKeyQuestion(dialogs));
}

// As the program routes: this computer's names to the local source, others to the remote source above.
inline std::unique_ptr<DeferredRemoteSource>
routedSourceFor(const SshHost &host, Dialogs &dialogs, int idleSeconds = 60, int answerTimeoutSeconds = 15)
{
    return std::make_unique<DeferredRemoteSource>(
        std::make_unique<mgmt::LocalSource>(), "this-computer", std::vector<std::string>{},
        [&host, &dialogs, idleSeconds, answerTimeoutSeconds]() -> std::unique_ptr<mgmt::Source> {
            return remoteSourceFor(host, dialogs, idleSeconds, answerTimeoutSeconds);
        });
}

inline std::string plainMonikerOf(const std::string &computer)
{
    return "winmgmts://" + computer;
}

// Appends a Host entry to the host's SSH configuration.
void addHostEntry(const SshHost &host, const std::string &alias, const std::string &lines);

// The error a call raises, or a number 0.
std::pair<std::int32_t, std::string> errorOf(const std::function<void()> &call);

} // namespace quorvin::test
