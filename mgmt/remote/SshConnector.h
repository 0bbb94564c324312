#pragma once
#include "mgmt/remote/SshSettings.h"

#include <functional>
#include <string>

struct ssh_session_struct;

namespace quorvin::mgmt::remote {

// Opens a signed-in SSH connection without holding up the calling thread: name lookup, connection, key
// exchange, the host key check and sign-in run on a worker under one deadline, while the calling thread
// waits, calls whileWaiting now and then (its window keeps painting) and asks the host-key question, which
// only it may ask. An agent that does not answer within the settings' bound is passed over for the identity
// files.
class SshConnector final {
public:
    SshConnector(std::string computer, const SshSettings &settings, HostKeyQuestion question,
                 std::function<void()> whileWaiting);

    // The connection, signed in; the caller closes and frees it. Throws mgmt::Error: 462 when the computer
    // cannot be reached or does not answer in time, "Access is denied." when it refuses the keys, its host
    // key is refused or sign-in does not finish in time; a timeout names its step. A worker past the deadline
    // is left to end by itself, which libssh's own waits, bounded as well, let it do soon.
    ssh_session_struct *open();

private:
    std::string m_computer;
    SshSettings m_settings;
    HostKeyQuestion m_question;
    std::function<void()> m_whileWaiting;
};

} // namespace quorvin::mgmt::remote
