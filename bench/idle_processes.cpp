// Idle processes for the side-by-side runs: `idle_processes COUNT SECONDS` starts COUNT children that only
// wait, says "ready", and ends and reaps them on SIGTERM, SIGINT or SIGHUP or after SECONDS. The children die
// with it should it be killed outright.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: idle_processes COUNT SECONDS\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const long seconds = std::atol(argv[2]);
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&ending, signal);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const pid_t parent = ::getpid();
    std::vector<pid_t> children;
    children.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(0);
            for (;;)
                ::pause();
        }
        if (pid < 0) {
            std::perror("fork");
            break;
        }
        children.push_back(pid);
    }
    std::printf("ready %zu\n", children.size());
    std::fflush(stdout);
    const timespec limit{seconds, 0};
    ::sigtimedwait(&ending, nullptr, &limit);
    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    return 0;
}
