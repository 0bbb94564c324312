#pragma once
#include "mgmt/Instance.h"
#include "mgmt/Source.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace quorvin::mgmt::linux_ {

// The pid in an instance's Handle, strictly a positive decimal number: kill takes 0 and negative numbers as
// process groups, and -1 as every process there is. Anything else raises "Generic failure".
pid_t processIdOf(const Instance &instance);

// The start time in an instance's StartTime (clock ticks after boot); nothing when the instance gives none.
// A StartTime that is not a decimal number raises "Generic failure".
std::optional<std::uint64_t> startTicksOf(const Instance &instance);

// The methods of "Win32_Process". Terminate ends exactly the process the instance was listed with: it holds
// the process through a pidfd, checks that its start time is still the listed one (a pid reused since counts
// as not found), sends SIGTERM through the pidfd, and waits for the process to end. Errors: "Not found" when
// the process has ended or is another one now, "Access is denied." when it belongs to someone else, and
// "Generic failure" for a Handle that is not a pid, for a process still running after the wait, and for any
// other failure. A process that ignores SIGTERM is never killed outright: it may be protecting its data.
class ProcessTerminator final : public MethodInvoker {
public:
    // thisComputer: the processes are this computer's own. Those of a saved system tree are never signalled:
    // their pids mean other processes here. whileWaiting, when set, runs between slices of the wait.
    ProcessTerminator(bool thisComputer, std::shared_ptr<const WhileWaiting> whileWaiting = {},
                      std::chrono::milliseconds endWait = std::chrono::seconds(3));

    void invoke(const Instance &instance, std::string_view method) const override;

    // "The process did not end within N seconds", the same words on every computer.
    static std::string notEndedText(std::chrono::milliseconds endWait);

private:
    void awaitEnd(int pidfd) const;

    bool m_thisComputer;
    std::shared_ptr<const WhileWaiting> m_whileWaiting;
    std::chrono::milliseconds m_endWait;
};

} // namespace quorvin::mgmt::linux_
