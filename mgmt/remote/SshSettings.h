#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace quorvin::mgmt::remote {

// Where the user's SSH set-up lives and how long to wait: the names resolve as the user's own `ssh NAME`
// would.
struct SshSettings {
    std::string sshDirectory;                         // ~/.ssh: default identity files
    std::string userConfig;                           // ~/.ssh/config
    std::string globalConfig = "/etc/ssh/ssh_config"; // read after the user's, as ssh does
    std::string knownHosts; // ~/.ssh/known_hosts, unless the configuration names another
    // One deadline for name lookup, connection, key exchange and sign-in (a resolver gives up on a dead name
    // server after 5 seconds and asks the next); the time the user takes over a host key does not count.
    int connectTimeoutSeconds = 10;
    // An agent answers in milliseconds; one silent this long waits for a person (a PIN, a key touch) or a
    // stalled link, and is passed over for the identity files.
    int agentTimeoutSeconds = 3;
    int answerTimeoutSeconds = 15; // a query that gets no answer this long has lost its connection
    int idleSeconds = 60;          // a connection unused this long is closed
    // Run on the computer to reach its system bus; the tests put stand-ins for broken computers here.
    std::string busBridgeCommand = "systemd-stdio-bridge";

    // The settings of the user running the program.
    static SshSettings forCurrentUser();
    // The settings of an SSH directory of its own (the tests'), with no global configuration.
    static SshSettings inDirectory(const std::string &sshDirectory);
};

// A known_hosts file that exists but cannot be read must not pass for an empty one: every key would then be
// asked about as unknown. Raises "Generic failure" naming it; nothing there yet (or no path) is fine.
void requireReadableKnownHosts(const std::string &path);

// "USER@HOST" or "HOST" as ssh takes it: host names are case-blind, user names are not, so only the host
// part is lowered.
std::string withHostInLowerCase(std::string_view computer);

// Asked once for a host key that known_hosts does not hold: true records it there and connects.
using HostKeyQuestion = std::function<bool(const std::string &computer, const std::string &keyType,
                                           const std::string &fingerprint)>;

} // namespace quorvin::mgmt::remote
