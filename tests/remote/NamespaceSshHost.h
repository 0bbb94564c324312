#pragma once
#include "Daemon.h"
#include "NetworkNamespace.h"
#include "SshHost.h"

#include <memory>

namespace quorvin::test {

// A remote host with an address, a host name and a process list of its own: an sshd on port 22 of
// network().hostAddress(), in its own network namespace and in new PID, mount and UTS namespaces. The test
// stays in the root namespace and reaches it over the veth pair; the alias resolves through config's
// HostName. Over SSH, `hostname` prints the alias, and `ps -e` lists only sshd and what the session runs.
class NamespaceSshHost final : public SshHost {
public:
    // What keeps it from running here ("not root", "sshd is not installed …", "network namespaces are not
    // available: …"); empty when nothing does.
    static std::string missingTools();

    // Starts the server and waits until it listens; the alias is "quorvin-host<X>" unless given. Throws
    // std::runtime_error with the log when it does not come up.
    explicit NamespaceSshHost(std::string alias = {});
    ~NamespaceSshHost() override;

    const NetworkNamespace &network() const noexcept { return *m_network; }
    // The process that holds the host's namespaces (sshd is its only child).
    pid_t serverPid() const noexcept { return m_sshd->pid(); }

private:
    std::unique_ptr<NetworkNamespace> m_network;
    std::unique_ptr<Daemon> m_sshd;
};

} // namespace quorvin::test
