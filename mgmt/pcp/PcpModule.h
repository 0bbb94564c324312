#pragma once
#include "mgmt/Source.h"

#include "mgmt/Instance.h"
#include "mgmt/pcp/PcpLimits.h"

#include <memory>
#include <string>
#include <string_view>

namespace quorvin::mgmt::pcp {

// The entry point of the PCP module (quorvin-pcp.so), which the program loads when it first names a PCP
// collector or replays an archive: libpcp and what it brings (TLS, SASL, compression) stay out of a program
// that never does.
struct PcpSourceRequest {
    std::string archive;          // a pmlogger archive to replay; empty for live collectors ("pcp://...")
    std::string localHostName;    // the names that mean this computer mean the archive's
    std::unique_ptr<Source> made; // the answer
    PcpCalls calls = PcpCalls::OnCollectorThreads; // of live collectors
};
using MakePcpSource = void (*)(PcpSourceRequest *request);
inline constexpr const char *MakePcpSourceSymbol = "quorvin_make_pcp_source";
inline constexpr const char *PcpModuleFile = "quorvin-pcp.so";

// Computer names that begin with this name PCP collectors; the rest is PCP's own host address.
inline constexpr std::string_view CollectorScheme = "pcp://";

// True for a computer name that names a collector, in any letter case.
inline bool namesCollector(std::string_view computer)
{
    return computer.size() >= CollectorScheme.size() &&
           equalsIgnoringCase(computer.substr(0, CollectorScheme.size()), CollectorScheme);
}

} // namespace quorvin::mgmt::pcp
