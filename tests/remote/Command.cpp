#include "Command.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvin::test {

namespace {

int decodedStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string joined(const std::vector<std::string> &argv)
{
    std::string text;
    for (const std::string &arg : argv)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

// Reads what is in the pipe now; false once the pipe is closed.
bool readAvailable(int fd, std::string &output, int waitMs)
{
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, waitMs) <= 0)
        return true;
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count > 0) {
        output.append(buffer, static_cast<std::size_t>(count));
        return true;
    }
    return count < 0 && errno == EINTR;
}

} // namespace

Command::Result Command::run(const std::vector<std::string> &argv, std::chrono::milliseconds limit)
{
    if (argv.empty())
        throw std::runtime_error("no program to run");
    const std::string program = which(argv.front());
    if (program.empty())
        return {127, argv.front() + " is not installed"};
    // Everything the child needs is made before fork: after it only async-signal-safe calls are allowed.
    std::vector<std::string> args = argv;
    std::vector<char *> argp;
    for (std::string &arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        ::setpgid(0, 0); // its own group, so that a kill reaches what it starts in turn
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY);
        if (in < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::execv(program.c_str(), argp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    ::close(pipeFds[1]);

    Result result;
    const auto end = std::chrono::steady_clock::now() + limit;
    bool open = true;
    for (;;) {
        if (open)
            open = readAvailable(pipeFds[0], result.output, 20);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        int status = 0;
        if (!result.status && ::waitpid(pid, &status, WNOHANG) == pid)
            result.status = decodedStatus(status);
        if (result.status) {
            // Something it started in the background may hold the pipe: take only what is there already.
            while (open) {
                const std::size_t before = result.output.size();
                open = readAvailable(pipeFds[0], result.output, 0);
                if (result.output.size() == before)
                    break;
            }
            break;
        }
        if (std::chrono::steady_clock::now() > end) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.output +=
                "\n(" + joined(argv) + " was killed after " + std::to_string(limit.count()) + " ms)";
            break;
        }
    }
    ::close(pipeFds[0]);
    return result;
}

std::string Command::check(const std::vector<std::string> &argv, std::chrono::milliseconds limit)
{
    Result result = run(argv, limit);
    if (!result.ok())
        throw std::runtime_error(joined(argv) + " failed" +
                                 (result.status ? " with status " + std::to_string(*result.status) : "") +
                                 ":\n" + result.output);
    return std::move(result.output);
}

std::string Command::which(const std::string &program)
{
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char *path = std::getenv("PATH");
    std::istringstream dirs(std::string(path ? path : "") + ":/usr/local/sbin:/usr/sbin:/sbin:/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (dir.empty() || dir.front() != '/')
            continue;
        const std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace quorvin::test
