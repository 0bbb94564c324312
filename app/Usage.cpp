#include "app/Usage.h"

namespace quorvin {

namespace {

constexpr std::string_view Version = QUORVIN_VERSION;
constexpr std::string_view VersionText = "quorvin " QUORVIN_VERSION "\n";

constexpr std::string_view HelpText =
    R"(Usage: quorvin [/c:COMPUTER /t:PAGE]
       quorvin --help | --version

Shows the operating system, processor load, processes, services and network
interfaces of one Linux computer: this one, or another reached over SSH.

  /c:COMPUTER  the computer to watch, as "ssh COMPUTER" would resolve it;
               empty for this computer
  /t:PAGE      the page to open:
                 1  General
                 2  Processor Utilization
                 3  Process Details
                 4  Services
                 5  Network
               Both switches are given together, in any letter case; a page
               number outside 1 to 5 opens the General page.

Environment:
  QUORVIN_REPLAY=FILE  answer from a recorded data set (see quorvin-record)
                       instead of a live computer

Files:
  ~/.ssh/known_hosts   the host keys of the computers watched; a new key is
                       added once you accept its fingerprint, a changed one
                       is refused
  ~/.ssh/config        host names, users, ports and identity files

See quorvin(1).
)";

} // namespace

std::string_view versionNumber()
{
    return Version;
}

std::optional<std::string_view> informationRequested(int argc, const char *const argv[])
{
    if (argc != 2)
        return std::nullopt;
    const std::string_view word = argv[1];
    if (word == "--help")
        return HelpText;
    if (word == "--version")
        return VersionText;
    return std::nullopt;
}

} // namespace quorvin
