#pragma once
#include "mgmt/Instance.h"
#include "mgmt/remote/RemoteShell.h"

#include <memory>
#include <string_view>

namespace quorvin::mgmt::remote {

// Terminate for the processes of another computer: ends exactly the listed process, all in one command there
// so that nothing runs between the check and the signal. The pid (a number, never text spliced into the line)
// must still carry the listed start time (field 22 of its stat), and success is told only once the process
// has ended (or is a zombie). The errors are those of the local ProcessTerminator.
class RemoteTerminator final : public MethodInvoker {
public:
    explicit RemoteTerminator(std::shared_ptr<RemoteShell> shell);

    void invoke(const Instance &instance, std::string_view method) const override;

private:
    std::shared_ptr<RemoteShell> m_shell;
};

} // namespace quorvin::mgmt::remote
