#include "fleet/FleetCommandLine.h"
#include "app/Usage.h"

#include <charconv>

namespace quorvin::fleet {

namespace {

constexpr std::string_view Usage =
    "Usage: quorvin-fleet [--file PATH] [--processor-alert PCT] [--memory-alert PCT]\n"
    "                     [COMPUTER...]\n"
    "       quorvin-fleet --help | --version\n";

constexpr std::string_view Help = R"(
Watches many computers side by side, each refreshed every second: state,
operating system, up time, processor use with its last ten minutes, memory,
processes, network traffic and the busiest process. A double-click or Enter
on a row opens it in the Quorvin window.

  COMPUTER      a computer to watch, as the Quorvin window takes it:
                pcp://HOST[:PORT] for a PCP collector, any other name over
                SSH (as "ssh COMPUTER" would resolve it), localhost for this
                one. Computers named here are watched without a file.
  --file PATH   the list of computers: one name a line, "#" starts a
                comment; Add and Remove write it back. Without computers
                and without --file: ~/.config/quorvin/fleet
  --processor-alert PCT, --memory-alert PCT
                mark the rows whose processor or memory use is above PCT
                percent (90 by default)

Files:
  ~/.config/quorvin/fleet  the list of computers
  ~/.ssh/known_hosts       the host keys of the computers watched over SSH;
                           a new key is added once you accept its
                           fingerprint, a changed one is refused

See quorvin-fleet(1).
)";

std::optional<double> percent(const std::string &text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0 && value <= 100))
        return std::nullopt;
    return value;
}

CommandLineResult wrong(const std::string &why)
{
    return {std::nullopt, "quorvin-fleet: " + why + "\n" + std::string(Usage), true, 2};
}

} // namespace

CommandLineResult parseFleetCommandLine(const std::vector<std::string> &arguments)
{
    FleetOptions options;
    bool fileGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &word = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (word == "--help" || word == "-h")
            return {std::nullopt, std::string(Usage) + std::string(Help), false, 0};
        if (word == "--version")
            return {std::nullopt, "quorvin-fleet " + std::string(versionNumber()) + "\n", false, 0};
        if (word == "--file") {
            if (!hasValue || arguments[i + 1].empty())
                return wrong("--file needs a path");
            options.file = arguments[++i];
            fileGiven = true;
        } else if (word == "--processor-alert" || word == "--memory-alert") {
            const std::optional<double> value = hasValue ? percent(arguments[i + 1]) : std::nullopt;
            if (!value)
                return wrong(word + " needs a percentage from 0 to 100");
            ++i;
            (word == "--processor-alert" ? options.processorAlert : options.memoryAlert) = *value;
        } else if (word.starts_with("-")) {
            return wrong("unknown option " + word);
        } else {
            options.computers.push_back(word);
        }
    }
    if (fileGiven && !options.computers.empty())
        return wrong("name computers or a file, not both");
    return {options, {}, false, 0};
}

} // namespace quorvin::fleet
