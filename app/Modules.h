#pragma once
#include "mgmt/Source.h"
#include "mgmt/pcp/PcpLimits.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvin {

// Where to look for a module of the program (`file`), in order: beside the running program (the build tree,
// or a tool in a folder below it), then where it is installed.
std::vector<std::string> moduleCandidates(const std::string &file);

// The entry point `symbol` of the first candidate that loads; the module stays loaded for the program's life.
// Throws "Generic failure" that says `what` cannot be loaded, and why, for each candidate that exists.
void *moduleEntry(const std::vector<std::string> &candidates, const char *symbol, const std::string &what);

// The source of the PCP module: live collectors, or the archive `archive` when it is not empty.
std::unique_ptr<mgmt::Source>
makePcpSource(const std::vector<std::string> &candidates, std::string archive, std::string localHostName,
              mgmt::pcp::PcpCalls calls = mgmt::pcp::PcpCalls::OnCollectorThreads);

} // namespace quorvin
