#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <memory>
#include <string>

namespace quorvin {

// The source the program answers from: the recording or the PCP archive named by QUORVIN_REPLAY, else this
// computer and, over SSH or from PCP collectors, any other. `hostKeyQuestion` asks the user about a host key
// that known_hosts does not hold. Throws mgmt::Error when the recording or the archive cannot be used.
std::unique_ptr<mgmt::Source> createSource(mgmt::remote::HostKeyQuestion hostKeyQuestion);

// This computer's host name, for the names that mean this computer; empty when it has none.
std::string localHostName();

} // namespace quorvin
