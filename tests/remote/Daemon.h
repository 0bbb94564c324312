#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvin::test {

// A server program a host runs for as long as it lives. It is stopped and reaped when the object goes, and
// it gets a signal should the test process die first, so that nothing outlives the test. (The kernel sends
// that signal when the thread that made the object ends: make hosts on a thread that outlives them.)
class Daemon final {
public:
    enum class Ending {
        // SIGTERM to the program and all it started, then SIGKILL to what is left. SIGKILL, should the test
        // process die.
        Terminate,
        // SIGTERM to the program alone, which then takes down what it started by itself (the container
        // manager powers its container off); SIGKILL to what is left after the grace time. SIGTERM, should
        // the test process die.
        ShutDown,
    };

    // Runs argv[0] (an absolute path) with stdin from /dev/null and both output streams written to
    // logPath. Throws std::runtime_error when it cannot be started.
    Daemon(const std::vector<std::string> &argv, std::string logPath, Ending ending,
           std::chrono::milliseconds grace);
    Daemon(const Daemon &) = delete;
    Daemon &operator=(const Daemon &) = delete;
    ~Daemon();

    pid_t pid() const noexcept { return m_pid; }
    const std::string &logPath() const noexcept { return m_logPath; }

    // What it wrote so far.
    std::string output() const;
    // False once it has ended (it is reaped then).
    bool running();
    // Until `text` shows in its output: false when it ends or `limit` passes first.
    bool waitForOutput(const std::string &text, std::chrono::milliseconds limit);
    // Its child processes, as they are now.
    std::vector<pid_t> children() const;
    // Ends it as its Ending says; returns once it and what it started are gone. Idempotent.
    void stop();

private:
    bool waitForEnd(std::chrono::milliseconds limit);

    pid_t m_pid = -1;
    std::string m_logPath;
    Ending m_ending;
    std::chrono::milliseconds m_grace;
    std::optional<int> m_status;
};

} // namespace quorvin::test
