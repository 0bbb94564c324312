#pragma once
#include "Daemon.h"
#include "NetworkNamespace.h"
#include "SshHost.h"

#include <memory>

namespace quorvin::test {

// A remote Debian 12 computer that runs real systemd: a container booted with systemd-nspawn from the root
// file system of tests/infra/make-rootfs.sh (built once, under the build directory), with sshd on port 22
// of network().hostAddress() in a network namespace of its own. Each container sees the shared tree
// through an overlay of its own, so that its changes are gone with it and any number may run at once.
// Its host name is the alias; root logs in with the client key of sshDir().
class ContainerSshHost final : public SshHost {
public:
    // What keeps it from running here ("QUORVIN_SKIP_CONTAINER=1 is set", "not root", "systemd-nspawn is
    // not installed …", "no Debian mirror …" while the root file system is not built yet …); empty when
    // nothing does.
    static std::string missingTools();
    // Where the shared root file system lives.
    static std::string rootFsDir();

    // Builds the root file system when needed, boots the container and waits until
    // `systemctl is-system-running` over SSH says running or degraded. The alias is "quorvin-ct<X>" unless
    // given. Throws std::runtime_error with the logs when it does not come up.
    explicit ContainerSshHost(std::string alias = {});
    // Powers the container off (SIGTERM to systemd-nspawn), then removes its network.
    ~ContainerSshHost() override;

    const NetworkNamespace &network() const noexcept { return *m_network; }
    // systemd-nspawn, and the container's systemd as this computer numbers it.
    pid_t serverPid() const noexcept { return m_nspawn->pid(); }
    pid_t initPid() const noexcept { return m_initPid; }
    // The container's system bus, reachable from this computer without SSH.
    std::string systemBusAddress() const;

private:
    void writeSeed(const std::string &seed) const;
    void waitUntilBooted();

    std::unique_ptr<NetworkNamespace> m_network;
    std::unique_ptr<Daemon> m_nspawn;
    pid_t m_initPid = 0;
};

} // namespace quorvin::test
