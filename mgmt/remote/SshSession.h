#pragma once
#include "mgmt/remote/SshSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct ssh_session_struct;
struct ssh_channel_struct;

namespace quorvin::mgmt::remote {

// One SSH connection to a computer, with a shell kept open on it, so that a query costs one round trip.
class SshSession final {
public:
    // Connects, checks the host key against known_hosts (asking about an unknown one) and signs in with the
    // user's keys. Throws mgmt::Error: 462 when the computer cannot be reached, "Access is denied." when it
    // refuses the keys or its host key is refused.
    SshSession(std::string computer, const SshSettings &settings, const HostKeyQuestion &question);
    ~SshSession();
    SshSession(const SshSession &) = delete;
    SshSession &operator=(const SshSession &) = delete;

    struct Answer {
        std::string output;
        int status = 0;
    };
    // Runs commands in the computer's shell and returns what they printed. A connection lost on the way
    // raises an error, and the session is broken from then on.
    Answer run(std::string_view commands);

    bool broken() const noexcept { return m_broken; }
    void setWhileWaiting(std::function<void()> whileWaiting) { m_whileWaiting = std::move(whileWaiting); }
    const std::string &computer() const noexcept { return m_computer; }
    std::uint64_t ticksPerSecond() const noexcept { return m_ticksPerSecond; }
    std::uint64_t pageSize() const noexcept { return m_pageSize; }

    // For a second channel on the same connection (the service manager's bus).
    ssh_session_struct *handle() noexcept { return m_session; }
    int answerTimeoutMs() const noexcept { return m_answerTimeoutMs; }
    const std::string &busBridgeCommand() const noexcept { return m_busBridgeCommand; }
    [[noreturn]] void lost(const std::string &why);

private:
    void connect(const SshSettings &settings);
    void checkHostKey(const SshSettings &settings, const HostKeyQuestion &question);
    void signIn();
    void openShell();
    void write(std::string_view text);
    void close() noexcept;

    std::string m_computer;
    ssh_session_struct *m_session = nullptr;
    ssh_channel_struct *m_shell = nullptr;
    std::string m_marker; // with a count, ends every answer; random, so that no output can pass for it
    std::uint64_t m_commands = 0;
    std::function<void()> m_whileWaiting;
    int m_answerTimeoutMs = 15000;
    std::string m_busBridgeCommand;
    bool m_broken = false;
    std::uint64_t m_ticksPerSecond = 100;
    std::uint64_t m_pageSize = 4096;
};

} // namespace quorvin::mgmt::remote
