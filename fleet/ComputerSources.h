#pragma once
#include "fleet/ComputerReader.h"
#include "mgmt/remote/SshSettings.h"

#include <string>
#include <vector>

namespace quorvin::fleet {

// The sources of the Quorvin window, one for each computer, made on a worker: a PCP collector's name goes to
// the PCP module with its calls on the worker's own thread (a thread for each of hundreds of collectors
// would not scale), any other name to this computer or over SSH, asking `question` about unknown host keys.
// The modules are looked for where the program's are, unless other places are given.
SourceMaker computerSources(mgmt::remote::HostKeyQuestion question, std::vector<std::string> sshModules = {},
                            std::vector<std::string> pcpModules = {});

} // namespace quorvin::fleet
