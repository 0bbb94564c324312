#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvin::test {

// A helper program run to its end, for the hosts' set-up and for the tests' own checks.
class Command final {
public:
    struct Result {
        // The exit status (128 + signal when a signal ended it); nothing when it was killed for running
        // over its time limit.
        std::optional<int> status;
        // Standard output and standard error, interleaved as written.
        std::string output;

        bool ok() const noexcept { return status == 0; }
    };

    Command() = delete;

    // Runs argv[0] (looked up as which() does) with stdin from /dev/null; kills it and what it started
    // when it runs over `limit`. A program that is not installed ends with status 127.
    static Result run(const std::vector<std::string> &argv,
                      std::chrono::milliseconds limit = std::chrono::seconds(30));

    // The same, throwing std::runtime_error with the command and its output unless it exits with 0.
    static std::string check(const std::vector<std::string> &argv,
                             std::chrono::milliseconds limit = std::chrono::seconds(30));

    // The absolute path of a program: the name itself when it holds a '/', else the first match in PATH,
    // then in the system directories that a non-login root shell may leave out of PATH. Empty when absent.
    static std::string which(const std::string &program);
};

} // namespace quorvin::test
