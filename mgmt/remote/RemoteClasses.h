#pragma once
#include "mgmt/Instance.h"
#include "mgmt/remote/RemoteComputer.h"

#include <memory>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::remote {

// The instances of a class on a remote computer: one command there prints the texts the class needs, and the
// local source's parsers and builders make the instances, so that both read a computer the same way. Any
// other class raises "Invalid class".
std::vector<Instance> remoteInstancesOf(const std::shared_ptr<RemoteComputer> &computer,
                                        std::string_view className);

} // namespace quorvin::mgmt::remote
