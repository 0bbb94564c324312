// One Process Details refresh of a remote computer over loopback SSH, beside the same refresh of this
// computer, with 300 extra processes. The remote one should cost one round trip and at most three times the
// local one.
#include "BenchWindow.h"
#include "LoopbackSshHost.h"
#include "app/DeferredRemoteSource.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/remote/RemoteSource.h"

#include <benchmark/benchmark.h>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace quorvin;

namespace {

// 300 idle children for as long as the benchmarks run.
class IdleChildren {
public:
    IdleChildren()
    {
        char sleep[] = "/bin/sleep", seconds[] = "600";
        char *argv[] = {sleep, seconds, nullptr};
        for (int i = 0; i < 300; ++i) {
            pid_t pid = 0;
            if (posix_spawn(&pid, sleep, nullptr, nullptr, argv, environ) == 0)
                m_pids.push_back(pid);
        }
    }
    ~IdleChildren()
    {
        for (pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> m_pids;
};

IdleChildren &children()
{
    static IdleChildren running;
    return running;
}

void RefreshProcessesLocal(benchmark::State &state)
{
    children();
    bench::BenchWindow window(std::make_unique<mgmt::LocalSource>());
    window.open(3);
    for (auto _ : state)
        window.form().RefreshProcesses();
}
BENCHMARK(RefreshProcessesLocal)->Unit(benchmark::kMillisecond)->UseRealTime();

void RefreshProcessesOverSsh(benchmark::State &state)
{
    if (const std::string missing = test::LoopbackSshHost::missingTools(); !missing.empty()) {
        state.SkipWithError(("no SSH server: " + missing).c_str());
        return;
    }
    children();
    test::LoopbackSshHost host;
    auto settings = mgmt::remote::SshSettings::inDirectory(host.sshDir());
    bench::BenchWindow window(std::make_unique<DeferredRemoteSource>(
        std::make_unique<mgmt::LocalSource>(), "this-computer", std::vector<std::string>{},
        [&settings]() -> std::unique_ptr<mgmt::Source> {
            return std::make_unique<mgmt::remote::RemoteSource>(settings, nullptr);
        }));
    window.open(3, QString::fromStdString(host.alias()));
    for (auto _ : state)
        window.form().RefreshProcesses();
}
BENCHMARK(RefreshProcessesOverSsh)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
