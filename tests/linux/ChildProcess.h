#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvin::mgmt::linux_::test {

// A helper program the tests start and own: it is stopped and reaped when the object goes, and it gets
// SIGTERM should the test process die first.
class ChildProcess final {
public:
    // Runs argv[0] (looked up in PATH) with extra "NAME=value" variables, stdin from /dev/null and both
    // output streams appended to outputPath. Throws std::runtime_error when it cannot be started.
    ChildProcess(const std::vector<std::string> &argv, const std::vector<std::string> &extraEnvironment,
                 const std::string &outputPath);
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();

    pid_t pid() const noexcept { return m_pid; }

    // The exit status once the program has ended (128 + signal when a signal ended it), nothing while it
    // runs.
    std::optional<int> poll();
    // The same, waiting up to `limit` for the end.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    // SIGTERM to its process group, then SIGKILL to the group when it has not ended after `grace`; reaps it.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(3));

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Whether a program is found in PATH (or at the path given).
bool programExists(const std::string &name);

// The text of a file, empty when it cannot be read.
std::string fileText(const std::string &path);

} // namespace quorvin::mgmt::linux_::test
