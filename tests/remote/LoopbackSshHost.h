#pragma once
#include "Daemon.h"
#include "SshHost.h"

#include <memory>

namespace quorvin::test {

// This computer as a remote host: an sshd on 127.0.0.1 at a free port, with a host key of its own, that
// lets the test log in as root with the client key of sshDir().
class LoopbackSshHost final : public SshHost {
public:
    // What keeps it from running here ("not root", "sshd is not installed …"); empty when nothing does.
    static std::string missingTools();
    // A port on 127.0.0.1 that nothing listens on (it was free a moment ago), for refused connections.
    static int closedPort();

    // Starts the server and waits until it listens. Throws std::runtime_error with its log when it does
    // not come up.
    explicit LoopbackSshHost(std::string alias = "quorvin-loopback");
    ~LoopbackSshHost() override;

    // The listening sshd.
    pid_t serverPid() const noexcept { return m_sshd->pid(); }
    // Ends the server and all its connections, then starts it again on the same port.
    void restart();
    // Until the server's log shows `text` (it logs who tried to sign in); false when `limit` passes first.
    bool waitForLog(const std::string &text, std::chrono::milliseconds limit);

private:
    std::unique_ptr<Daemon> m_sshd;
};

} // namespace quorvin::test
