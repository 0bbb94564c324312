#pragma once
#include "mgmt/Instance.h"
#include "mgmt/Source.h"

#include <chrono>
#include <memory>
#include <string_view>

namespace quorvin::mgmt::linux_ {

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

private:
    void awaitEnd(int pidfd) const;

    bool m_thisComputer;
    std::shared_ptr<const WhileWaiting> m_whileWaiting;
    std::chrono::milliseconds m_endWait;
};

} // namespace quorvin::mgmt::linux_
