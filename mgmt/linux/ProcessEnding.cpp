#include "mgmt/linux/ProcessEnding.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/TextFields.h"

#include <limits>

namespace quorvin::mgmt::linux_ {

pid_t processIdOf(const Instance &instance)
{
    const Value *handle = instance.find(prop::Handle);
    const std::string text = handle && handle->isText() ? handle->text() : std::string();
    const std::optional<std::uint64_t> pid = parseUnsigned(text);
    if (!pid || *pid == 0 || *pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max()))
        throw Error(err::Failed, "The handle \"" + text.substr(0, 24) +
                                     "\" is not a process ID; no process was terminated.");
    return static_cast<pid_t>(*pid);
}

std::optional<std::uint64_t> startTicksOf(const Instance &instance)
{
    const Value *start = instance.find(prop::StartTime);
    if (!start || start->isNull())
        return std::nullopt;
    const std::optional<std::uint64_t> ticks = start->isText() ? parseUnsigned(start->text()) : std::nullopt;
    if (!ticks)
        throw Error(err::Failed, "The process's start time is not a number; no process was terminated.");
    return ticks;
}

std::string notEndedText(std::chrono::milliseconds endWait)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(endWait).count();
    return "The process did not end within " + std::to_string(seconds) +
           (seconds == 1 ? " second" : " seconds");
}

} // namespace quorvin::mgmt::linux_
