#pragma once
#include "mgmt/Instance.h"

#include <string_view>
#include <sys/types.h>

namespace quorvin::mgmt::linux_ {

// The pid in an instance's Handle, strictly a positive decimal number: kill takes 0 and negative numbers as
// process groups, and -1 as every process there is. Anything else raises "Generic failure".
pid_t processIdOf(const Instance &instance);

// The methods of "Win32_Process". Terminate sends SIGTERM to the pid in the instance's Handle: "Access is
// denied." when the process belongs to someone else, "Not found" when it has ended, "Generic failure" for a
// Handle that is not a positive decimal pid and for any other failure.
class ProcessTerminator final : public MethodInvoker {
public:
    // thisComputer: the processes are this computer's own. Those of a saved system tree are never signalled:
    // their pids mean other processes here.
    explicit ProcessTerminator(bool thisComputer);

    void invoke(const Instance &instance, std::string_view method) const override;

private:
    bool m_thisComputer;
};

} // namespace quorvin::mgmt::linux_
