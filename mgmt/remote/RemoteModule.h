#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <memory>

namespace quorvin::mgmt::remote {

// The entry point of the SSH module (quorvin-ssh.so), which the program loads when it first watches another
// computer: SSH and its cryptography libraries stay out of a program that only watches this one. It answers
// like RemoteSource with the settings of the user running the program; this computer's names never come to
// it.
struct RemoteSourceRequest {
    HostKeyQuestion question;
    std::unique_ptr<Source> made; // the answer
};
using MakeRemoteSource = void (*)(RemoteSourceRequest *request);
inline constexpr const char *MakeRemoteSourceSymbol = "quorvin_make_remote_source";
inline constexpr const char *RemoteModuleFile = "quorvin-ssh.so";

} // namespace quorvin::mgmt::remote
