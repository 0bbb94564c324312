#include "mgmt/Moniker.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"

namespace quorvin::mgmt {

namespace {
constexpr std::string_view Scheme = "winmgmts:";

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsIgnoringCase(s.substr(0, prefix.size()), prefix);
}
} // namespace

Moniker parseMoniker(std::string_view text)
{
    if (!startsWithIgnoringCase(text, Scheme))
        throw Error(err::InvalidSyntax);
    std::string_view rest = text.substr(Scheme.size());
    Moniker moniker;
    if (!rest.empty() && rest.front() == '{') {
        const auto close = rest.find('}');
        if (close == std::string_view::npos)
            throw Error(err::InvalidSyntax);
        moniker.impersonating = true;
        rest.remove_prefix(close + 1);
        if (!rest.empty() && rest.front() == '!')
            rest.remove_prefix(1);
        // The name ends at the form's own separator: a name may hold the other one ("pcp://web1").
        if (rest.starts_with("\\\\")) {
            rest.remove_prefix(2);
            moniker.computer = std::string(rest.substr(0, rest.find('\\')));
        } else if (rest.starts_with("//")) {
            rest.remove_prefix(2);
            moniker.computer = std::string(rest.substr(0, rest.find('/')));
        }
        return moniker;
    }
    if (rest.starts_with("//"))
        moniker.computer = std::string(rest.substr(2));
    else if (!rest.empty())
        throw Error(err::InvalidSyntax);
    return moniker;
}

bool isLocalComputerName(std::string_view computer, std::string_view hostName)
{
    return computer.empty() || computer == "." || equalsIgnoringCase(computer, "localhost") ||
           (!hostName.empty() && equalsIgnoringCase(computer, hostName));
}

} // namespace quorvin::mgmt
