#pragma once
#include "Command.h"

#include <chrono>
#include <string>
#include <vector>

namespace quorvin::test {

// What every remote host gives a test: the client side of SSH in a directory of its own. sshDir() holds
// `config` (a Host entry for alias() with HostName, Port, User root and IdentityFile), the client key pair
// `id_ed25519` / `id_ed25519.pub` and `known_hosts` with the server's host key, as OpenSSH writes it.
// The concrete hosts start their server in their constructor and stop it in their destructor.
class SshHost {
public:
    SshHost(const SshHost &) = delete;
    SshHost &operator=(const SshHost &) = delete;
    virtual ~SshHost();

    const std::string &alias() const noexcept { return m_alias; }
    const std::string &address() const noexcept { return m_address; }
    int port() const noexcept { return m_port; }
    const std::string &sshDir() const noexcept { return m_sshDir; }
    std::string configPath() const { return m_sshDir + "/config"; }
    std::string identityPath() const { return m_sshDir + "/id_ed25519"; }
    std::string knownHostsPath() const { return m_sshDir + "/known_hosts"; }
    // The host key's fingerprint as `ssh-keygen -lf` prints it: "SHA256:" and unpadded base64.
    const std::string &hostKeyFingerprintSha256() const noexcept { return m_fingerprint; }
    // The name known_hosts files this host under: "ADDRESS" on port 22, "[ADDRESS]:PORT" on others.
    std::string knownHostsName() const;

    // known_hosts holding the host's key (as after the constructor).
    void recordHostKey() const;
    // known_hosts empty: the host's key is unknown.
    void forgetHostKey() const;
    // known_hosts holding another ed25519 key for this host: the host's key has changed.
    void recordWrongHostKey() const;

    // The OpenSSH client's command line that runs `remoteCommand` on the host with these files only.
    std::vector<std::string> sshCommand(const std::string &remoteCommand) const;
    Command::Result runOverSsh(const std::string &remoteCommand,
                               std::chrono::milliseconds limit = std::chrono::seconds(60)) const;

protected:
    // Makes a new working directory (`kind`-<test pid>-XXXXXX under the build directory) with the client key
    // pair and the server's host key pair. Throws std::runtime_error when ssh-keygen fails.
    explicit SshHost(const std::string &kind);

    // Once the server is known: writes config and known_hosts.
    void describeServer(std::string alias, std::string address, int port);

    const std::string &workDir() const noexcept { return m_workDir; }
    std::string hostKeyPath() const { return m_workDir + "/host_ed25519"; }
    std::string hostPublicKeyPath() const { return hostKeyPath() + ".pub"; }
    // The client's public key, as one authorized_keys line.
    std::string authorizedKey() const;

    // The file's text (empty when unreadable), and writing one with the given mode.
    static std::string fileText(const std::string &path);
    static void writeFile(const std::string &path, const std::string &text, unsigned mode);
    // The last `count` lines of a log, for error messages.
    static std::string tail(const std::string &text, std::size_t count = 30);

private:
    std::string m_workDir;
    std::string m_sshDir;
    std::string m_alias;
    std::string m_address;
    int m_port = 0;
    std::string m_hostKey; // "ssh-ed25519 AAAA…"
    std::string m_fingerprint;
};

} // namespace quorvin::test
