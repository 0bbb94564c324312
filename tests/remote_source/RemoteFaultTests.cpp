// Faults of the watched computer in the middle of a refresh: each is reported as a lost connection within the
// answer time, and the first refresh after it heals succeeds on the same source.
#include "NamespaceSshHost.h"
#include "RemoteFixture.h"
#include "mgmt/Error.h"
#include "support/WindowHarness.h"

#include <QCheckBox>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <signal.h>
#include <thread>

using namespace quorvin;
using namespace quorvin::test;
using namespace std::chrono_literals;

namespace {

// Short enough for a fault to be reported soon, long enough for the answer after it heals on a busy machine.
constexpr int AnswerSeconds = 5;
// The answer time, and room for a slow or busy machine; waiting out the network's own time limits runs past.
constexpr auto ReportLimit = std::chrono::seconds(AnswerSeconds + 25);

std::vector<pid_t> descendantsOf(pid_t root)
{
    std::vector<pid_t> found{root};
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string text;
            if (!std::getline(stat, text) || text.rfind(')') == std::string::npos)
                continue;
            char state = 0;
            int parent = 0;
            if (std::sscanf(text.c_str() + text.rfind(')') + 1, " %c %d", &state, &parent) == 2 &&
                parent == found[i])
                found.push_back(std::stoi(entry.path().filename().string()));
        }
    found.erase(found.begin());
    return found;
}

std::string commOf(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The shells our connections keep open on the host.
std::vector<pid_t> shellsUnder(pid_t server)
{
    std::vector<pid_t> shells;
    for (pid_t pid : descendantsOf(server))
        if (commOf(pid) == "sh")
            shells.push_back(pid);
    return shells;
}

void signalAll(const std::vector<pid_t> &pids, int signal)
{
    for (pid_t pid : pids)
        ::kill(pid, signal);
}

struct Outcome {
    std::pair<std::int32_t, std::string> error;
    std::chrono::steady_clock::duration took;
};

// A refresh started while the host's shell is held, with `fault` done to the host 300 ms into it.
Outcome refreshThrough(mgmt::Source &source, const std::string &moniker, pid_t server,
                       const std::function<void()> &fault)
{
    source.connect(moniker)->instancesOf("Win32_Process");
    const std::vector<pid_t> shells = shellsUnder(server);
    EXPECT_EQ(shells.size(), 1u);
    signalAll(shells, SIGSTOP);
    const auto start = std::chrono::steady_clock::now();
    auto refresh = std::async(std::launch::async, [&] {
        return errorOf([&] { source.connect(moniker)->instancesOf("Win32_PerfRawData_PerfProc_Process"); });
    });
    std::this_thread::sleep_for(300ms);
    fault();
    const auto error = refresh.get();
    return {error, std::chrono::steady_clock::now() - start};
}

void expectReportedInTime(const Outcome &outcome)
{
    EXPECT_EQ(outcome.error.first, mgmt::err::Failed);
    EXPECT_NE(outcome.error.second.find("was lost"), std::string::npos) << outcome.error.second;
    EXPECT_LT(outcome.took, ReportLimit);
}

} // namespace

TEST(RemoteFaults, SshdEndedStoppedOrShellKilledMidRefreshIsReportedAndThenHeals)
{
    if (const std::string missing = LoopbackSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << "no SSH server for the remote tests: " << missing;
    struct Fault {
        const char *what;
        std::function<void(LoopbackSshHost &)> during;
        std::function<void(LoopbackSshHost &)> heal;
    };
    std::vector<pid_t> frozen;
    const Fault faults[] = {
        {"sshd ended", [](LoopbackSshHost &host) { host.restart(); }, [](LoopbackSshHost &) {}},
        {"everything stopped",
         [&](LoopbackSshHost &host) {
             frozen = descendantsOf(host.serverPid());
             frozen.push_back(host.serverPid());
             signalAll(frozen, SIGSTOP);
         },
         [&](LoopbackSshHost &) { signalAll(frozen, SIGCONT); }},
        {"shell killed", [](LoopbackSshHost &host) { signalAll(shellsUnder(host.serverPid()), SIGKILL); },
         [](LoopbackSshHost &) {}},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.what);
        LoopbackSshHost host;
        FakeDialogs dialogs;
        auto source = remoteSourceFor(host, dialogs, 60, AnswerSeconds);
        const std::string moniker = plainMonikerOf(host.alias());
        expectReportedInTime(refreshThrough(*source, moniker, host.serverPid(), [&] { fault.during(host); }));
        fault.heal(host);
        signalAll(shellsUnder(host.serverPid()), SIGKILL); // what the fault left of the old connection
        EXPECT_FALSE(source->connect(moniker)->instancesOf("Win32_PerfRawData_PerfProc_Process").empty());
    }
}

TEST(RemoteFaults, LinkTakenDownMidRefreshIsReportedAndThenHeals)
{
    if (const std::string missing = NamespaceSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << "no remote host of its own here: " << missing;
    NamespaceSshHost host;
    FakeDialogs dialogs;
    auto source = remoteSourceFor(host, dialogs, 60, AnswerSeconds);
    const std::string moniker = plainMonikerOf(host.alias());
    const std::string link = host.network().rootLink();
    expectReportedInTime(refreshThrough(*source, moniker, host.serverPid(), [&] {
        Command::check({"ip", "link", "set", link, "down"});
    }));
    Command::check({"ip", "link", "set", link, "up"});
    signalAll(shellsUnder(host.serverPid()), SIGCONT);
    EXPECT_FALSE(source->connect(moniker)->instancesOf("Win32_PerfRawData_PerfProc_Process").empty());
}

// In the window: the refresh the frozen host never answers ends in a message and Real Time Mode off; once the
// host runs again, turning Real Time Mode back on refreshes without a word.
TEST(RemoteFaults, TheWindowReportsAFrozenHostAndCarriesOnOnceItRuns)
{
    if (const std::string missing = LoopbackSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << "no SSH server for the remote tests: " << missing;
    LoopbackSshHost host;
    FakeDialogs questions;
    WindowHarness h(routedSourceFor(host, questions, 60, AnswerSeconds));
    h.dialogs.whileOpen = nullptr;
    h.start(QString::fromStdString("/c:" + host.alias() + " /t:1"));
    ASSERT_TRUE(h.dialogs.messageTexts().isEmpty()) << h.dialogs.messageTexts().join('|').toStdString();

    std::vector<pid_t> frozen = descendantsOf(host.serverPid());
    frozen.push_back(host.serverPid());
    signalAll(frozen, SIGSTOP);
    h.tick(3);
    signalAll(frozen, SIGCONT);
    ASSERT_EQ(h.dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(h.dialogs.messageTexts().front().contains(QStringLiteral("was lost")))
        << h.dialogs.messageTexts().front().toStdString();
    EXPECT_FALSE(h.controls().chkRealTime->isChecked());

    h.dialogs.clear();
    h.clickRealTime();
    h.tick(3);
    EXPECT_TRUE(h.dialogs.messageTexts().isEmpty()) << h.dialogs.messageTexts().join('|').toStdString();
    EXPECT_TRUE(h.controls().chkRealTime->isChecked());
}
