#pragma once
#include "mgmt/remote/SshSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct ssh_session_struct;
struct ssh_channel_struct;

namespace quorvin::mgmt::remote {

// One SSH connection to a computer, with a shell kept open on it, so that a query costs one round trip. Used
// from one thread, except under a lease (below).
class SshSession final {
public:
    // Exclusive use of the connection for a channel of its own (the service manager's bus, whose pump reads
    // the connection on a thread of its own): libssh serves one user of a connection at a time, so run()
    // refuses while a lease is out. The connection itself is reached only through a lease.
    class Lease final {
    public:
        Lease(Lease &&other) noexcept;
        Lease &operator=(Lease &&) = delete;
        ~Lease();

        SshSession &session() const noexcept { return *m_session; }
        ssh_session_struct *handle() const noexcept { return m_session->m_session; }

    private:
        friend class SshSession;
        explicit Lease(SshSession &session) noexcept;

        SshSession *m_session; // null once moved from
    };

    // Connects, checks the host key against known_hosts (asking about an unknown one) and signs in with the
    // user's keys, as SshConnector does, then opens the shell. Throws mgmt::Error: 462 when the computer
    // cannot be reached, "Access is denied." when it refuses the keys or its host key is refused.
    SshSession(std::string computer, const SshSettings &settings, const HostKeyQuestion &question,
               std::function<void()> whileWaiting = {});
    ~SshSession();
    SshSession(const SshSession &) = delete;
    SshSession &operator=(const SshSession &) = delete;

    struct Answer {
        std::string output;
        int status = 0;
    };
    // Runs commands in the computer's shell and returns what they printed. A connection lost on the way
    // raises an error, and the session is broken from then on; a lease that is out raises "Generic failure".
    Answer run(std::string_view commands);

    // Raises "Generic failure" while another lease is out.
    Lease lease();
    bool leased() const noexcept { return m_leased; }

    bool broken() const noexcept { return m_broken; }
    void setWhileWaiting(std::function<void()> whileWaiting) { m_whileWaiting = std::move(whileWaiting); }
    const std::string &computer() const noexcept { return m_computer; }
    std::uint64_t ticksPerSecond() const noexcept { return m_ticksPerSecond; }
    std::uint64_t pageSize() const noexcept { return m_pageSize; }

    // For a second channel on the same connection (the service manager's bus).
    int answerTimeoutMs() const noexcept { return m_answerTimeoutMs; }
    const std::string &busBridgeCommand() const noexcept { return m_busBridgeCommand; }
    [[noreturn]] void lost(const std::string &why);

private:
    void openShell();
    void write(std::string_view text);
    // One read of the answer, at most a slice of the time left; 0 when nothing came meanwhile.
    std::size_t readSlice(char *buffer, std::size_t size, std::chrono::steady_clock::time_point deadline);
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
    bool m_leased = false;
    std::uint64_t m_ticksPerSecond = 100;
    std::uint64_t m_pageSize = 4096;
};

} // namespace quorvin::mgmt::remote
