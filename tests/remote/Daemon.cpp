#include "Daemon.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvin::test {

namespace {

struct ProcessId {
    pid_t pid;
    unsigned long long startTime; // tells a process from a later one with the same number
};

struct ProcessState {
    pid_t parent = 0;
    unsigned long long startTime = 0;
    char state = '?';
};

std::optional<ProcessState> processState(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat))
        return std::nullopt;
    // The name in parentheses may hold spaces: the fields that follow are counted from its end.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    ProcessState result;
    fields >> result.state >> result.parent;
    std::string skipped;
    for (int field = 5; field < 22; ++field)
        fields >> skipped;
    fields >> result.startTime;
    if (!fields)
        return std::nullopt;
    return result;
}

// The process and all its descendants, as they are now.
std::vector<ProcessId> tree(pid_t root)
{
    std::multimap<pid_t, ProcessId> children;
    std::optional<ProcessId> rootId;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = std::stoi(name);
        if (const auto state = processState(pid)) {
            children.emplace(state->parent, ProcessId{pid, state->startTime});
            if (pid == root)
                rootId = ProcessId{pid, state->startTime};
        }
    }
    std::vector<ProcessId> result;
    if (!rootId)
        return result;
    result.push_back(*rootId);
    for (std::size_t next = 0; next < result.size(); ++next) {
        const auto [first, last] = children.equal_range(result[next].pid);
        for (auto it = first; it != last; ++it)
            result.push_back(it->second);
    }
    return result;
}

// Zombies count as gone: a parent other than the test reaps them in its own time.
bool alive(const ProcessId &process)
{
    const auto state = processState(process.pid);
    return state && state->startTime == process.startTime && state->state != 'Z';
}

void signal(const std::vector<ProcessId> &processes, int number)
{
    for (const ProcessId &process : processes)
        if (alive(process))
            ::kill(process.pid, number);
}

int decodedStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

Daemon::Daemon(const std::vector<std::string> &argv, std::string logPath, Ending ending,
               std::chrono::milliseconds grace)
    : m_logPath(std::move(logPath)), m_ending(ending), m_grace(grace)
{
    if (argv.empty() || argv.front().empty() || argv.front().front() != '/')
        throw std::runtime_error("a daemon is started by its absolute path");
    std::vector<std::string> args = argv;
    std::vector<char *> argp;
    for (std::string &arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);
    const int deathSignal = ending == Ending::Terminate ? SIGKILL : SIGTERM;
    const pid_t parent = ::getpid();

    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (m_pid == 0) {
        ::setpgid(0, 0); // out of the test's group: a terminal's Ctrl-C reaches it through the test only
        ::prctl(PR_SET_PDEATHSIG, deathSignal);
        if (::getppid() != parent)
            ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        if (in < 0 || out < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execv(argp.front(), argp.data());
        ::_exit(127);
    }
    ::setpgid(m_pid, m_pid);
}

Daemon::~Daemon()
{
    stop();
}

std::string Daemon::output() const
{
    std::ifstream in(m_logPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Daemon::running()
{
    if (!m_status && m_pid > 0) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = decodedStatus(status);
    }
    return m_pid > 0 && !m_status;
}

bool Daemon::waitForOutput(const std::string &text, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const bool wasRunning = running();
        if (output().find(text) != std::string::npos)
            return true;
        if (!wasRunning || std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<pid_t> Daemon::children() const
{
    std::vector<pid_t> result;
    const std::vector<ProcessId> processes = tree(m_pid);
    for (const ProcessId &process : processes)
        if (const auto state = processState(process.pid); state && state->parent == m_pid)
            result.push_back(process.pid);
    return result;
}

bool Daemon::waitForEnd(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !running();
}

void Daemon::stop()
{
    if (!running())
        return;
    std::vector<ProcessId> processes = tree(m_pid);
    if (m_ending == Ending::Terminate)
        signal(processes, SIGTERM);
    else
        ::kill(m_pid, SIGTERM);
    if (!waitForEnd(m_grace)) {
        const std::vector<ProcessId> later = tree(m_pid);
        processes.insert(processes.end(), later.begin(), later.end());
        ::kill(m_pid, SIGKILL);
        int status = 0;
        if (::waitpid(m_pid, &status, 0) == m_pid)
            m_status = decodedStatus(status);
    }
    // What it started and left behind, the leader's orphans included.
    signal(processes, SIGKILL);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const ProcessId &process : processes)
        while (alive(process) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace quorvin::test
