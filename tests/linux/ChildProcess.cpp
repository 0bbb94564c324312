#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace quorvin::mgmt::linux_::test {

namespace {

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (std::string &s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string lookUp(const std::string &name)
{
    if (name.find('/') != std::string::npos)
        return name;
    const char *path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

int decodedStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string> &argv,
                           const std::vector<std::string> &extraEnvironment, const std::string &outputPath)
{
    if (argv.empty())
        throw std::runtime_error("no program to start");
    const std::string program = lookUp(argv.front());
    if (program.empty())
        throw std::runtime_error(argv.front() + " is not installed");
    // Everything the child needs is made before fork: after it only async-signal-safe calls are allowed.
    std::vector<std::string> args = argv;
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string &extra : extraEnvironment)
            replaced = replaced || extra.starts_with(name);
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char *> argp = pointers(args);
    std::vector<char *> envp = pointers(env);
    const pid_t parent = ::getpid();

    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (m_pid == 0) {
        ::setpgid(0, 0); // its own group, so that stop() reaches what it starts in turn
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(program.c_str(), argp.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(m_pid, m_pid); // as well, so that the group exists before the child gets to it
}

ChildProcess::~ChildProcess()
{
    stop();
}

std::optional<int> ChildProcess::poll()
{
    if (m_status || m_pid <= 0)
        return m_status;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
        m_status = decodedStatus(status);
    return m_status;
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!poll() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return m_status;
}

void ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid <= 0 || poll())
        return;
    ::kill(-m_pid, SIGTERM);
    if (waitFor(grace)) {
        ::kill(-m_pid, SIGKILL); // helpers it left behind
        return;
    }
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    if (::waitpid(m_pid, &status, 0) == m_pid)
        m_status = decodedStatus(status);
}

bool programExists(const std::string &name)
{
    return !lookUp(name).empty();
}

std::string fileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace quorvin::mgmt::linux_::test
