#include "mgmt/linux/ProcessTerminator.h"
#include "mgmt/Error.h"
#include "mgmt/linux/TextFields.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <sys/types.h>

namespace quorvin::mgmt::linux_ {

pid_t processIdOf(const Instance &instance)
{
    const Value *handle = instance.find("Handle");
    const std::string text = handle && handle->isText() ? handle->text() : std::string();
    const std::optional<std::uint64_t> pid = parseUnsigned(text);
    if (!pid || *pid == 0 || *pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max()))
        throw Error(err::Failed, "The handle \"" + text.substr(0, 24) +
                                     "\" is not a process ID; no process was terminated.");
    return static_cast<pid_t>(*pid);
}

ProcessTerminator::ProcessTerminator(bool thisComputer) : m_thisComputer(thisComputer) {}

void ProcessTerminator::invoke(const Instance &instance, std::string_view method) const
{
    if (!equalsIgnoringCase(method, "Terminate"))
        throw Error(err::MethodNotSupported);
    const pid_t pid = processIdOf(instance);
    if (!m_thisComputer)
        throw Error(err::Failed, "The processes of a saved system tree cannot be terminated.");
    if (::kill(pid, SIGTERM) == 0)
        return;
    switch (errno) {
    case EPERM:
        throw Error(err::AccessDenied);
    case ESRCH:
        throw Error(err::NotFound);
    default:
        throw Error(err::Failed, std::strerror(errno));
    }
}

} // namespace quorvin::mgmt::linux_
