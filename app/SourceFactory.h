#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <memory>

namespace quorvin {

// The source the program answers from: the recorded data set named by QUORVIN_REPLAY, else this computer and,
// over SSH, any other. `hostKeyQuestion` asks the user about a host key that known_hosts does not hold.
// Throws mgmt::Error when the recording cannot be used.
std::unique_ptr<mgmt::Source> createSource(mgmt::remote::HostKeyQuestion hostKeyQuestion);

} // namespace quorvin
