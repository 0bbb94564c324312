#include "mgmt/remote/RemoteTerminator.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/ProcessEnding.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTexts.h"

#include <chrono>
#include <string>

namespace quorvin::mgmt::remote {

RemoteTerminator::RemoteTerminator(std::shared_ptr<RemoteShell> shell) : m_shell(std::move(shell)) {}

void RemoteTerminator::invoke(const Instance &instance, std::string_view method) const
{
    if (!equalsIgnoringCase(method, method::Terminate))
        throw Error(err::MethodNotSupported);
    const pid_t pid = linux_::processIdOf(instance);
    const std::optional<std::uint64_t> start = linux_::startTicksOf(instance);
    const auto wait = std::chrono::seconds(3);
    const RemoteTexts texts(m_shell->output(std::string(ShellPrelude) + "(p=" + std::to_string(pid) +
                                            " t=" + (start ? std::to_string(*start) : "") +
                                            " n=" + std::to_string(wait.count() * 10) + R"sh(
same() { s=$(cat /proc/$p/stat 2>/dev/null) || return 1; s=${s##*) }; set -- $s
 [ "$#" -ge 20 ] && [ "$1" != Z ] && { [ -z "$t" ] || [ "${20}" = "$t" ]; }; }
if ! same; then echo "=result gone"
elif ! e=$(kill -s TERM "$p" 2>&1); then echo "=result refused $e"
else i=0; while same && [ "$i" -lt "$n" ]; do sleep 0.1; i=$((i+1)); done
 if same; then echo "=result running"; else echo "=result ended"; fi
fi))sh"));
    const std::string result = texts.value("result").value_or("");
    if (result == "ended")
        return;
    if (result == "gone")
        throw Error(err::NotFound);
    if (result == "running")
        throw Error(err::Failed, linux_::notEndedText(wait));
    if (result.find("not permitted") != std::string::npos)
        throw Error(err::AccessDenied);
    if (result.find("No such process") != std::string::npos)
        throw Error(err::NotFound);
    throw Error(err::Failed,
                "The process " + std::to_string(pid) + " could not be ended: " +
                    std::string(linux_::trimmed(result.starts_with("refused ") ? result.substr(8) : result)));
}

} // namespace quorvin::mgmt::remote
