#pragma once
#include <optional>
#include <string>
#include <vector>

namespace quorvin::fleet {

// What the command line asks the fleet window for.
struct FleetOptions {
    std::vector<std::string> computers; // named on the command line: watched without a file
    std::string file;                   // --file; empty for the default one when no computer is named
    double processorAlert = 90;         // percent above which a row is marked
    double memoryAlert = 90;
};

// The options, or what to print instead (--help, --version, or why the command line is wrong) and the
// status to end with. Answered without Qt, so that --help and --version need no display.
struct CommandLineResult {
    std::optional<FleetOptions> options;
    std::string print;
    bool toErrorOutput = false;
    int status = 0;
};

CommandLineResult parseFleetCommandLine(const std::vector<std::string> &arguments);

} // namespace quorvin::fleet
