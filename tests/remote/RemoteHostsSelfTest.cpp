// Each kind of remote host comes up, answers the OpenSSH client, and goes down without leaving anything.
#include "ContainerSshHost.h"
#include "LoopbackSshHost.h"
#include "NamespaceSshHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvin::test {
namespace {

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::string firstLine(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// A process as a number and a start time, so that a later process with the same number is not taken for it.
struct Process {
    pid_t pid;
    std::string startTime;

    static std::string startTimeOf(pid_t pid)
    {
        const std::string stat = firstLine("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            return {};
        std::istringstream fields(stat.substr(close + 1));
        std::string field, state;
        fields >> state;
        if (state == "Z")
            return {};
        for (int number = 4; number <= 22; ++number)
            fields >> field;
        return field;
    }

    bool alive() const { return !startTime.empty() && startTimeOf(pid) == startTime; }
};

Process process(pid_t pid)
{
    return {pid, Process::startTimeOf(pid)};
}

// Every process in the network namespace at `path`.
std::vector<Process> processesIn(const std::string &path)
{
    struct stat wanted {};
    std::vector<Process> result;
    if (::stat(path.c_str(), &wanted) != 0)
        return result;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename();
        struct stat seen {};
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            ::stat((entry.path() / "ns/net").c_str(), &seen) == 0 && seen.st_ino == wanted.st_ino &&
            seen.st_dev == wanted.st_dev)
            result.push_back(process(std::stoi(name)));
    }
    return result;
}

// What a host in a network namespace must not leave behind.
struct Traces {
    std::string netns;
    std::string link;
    std::vector<Process> processes;

    static Traces of(const NetworkNamespace &network, pid_t server)
    {
        Traces traces{network.name(), network.rootLink(), processesIn(network.path())};
        traces.processes.push_back(process(server));
        return traces;
    }

    void expectGone() const
    {
        EXPECT_FALSE(std::filesystem::exists("/run/netns/" + netns)) << netns;
        EXPECT_FALSE(std::filesystem::exists("/sys/class/net/" + link)) << link;
        for (const Process &p : processes)
            EXPECT_FALSE(p.alive()) << "process " << p.pid << " is still running";
    }
};

void expectAnswers(const SshHost &host, const std::string &hostName)
{
    const Command::Result answer = host.runOverSsh("hostname; echo ok");
    ASSERT_TRUE(answer.ok()) << answer.output;
    EXPECT_EQ(lines(answer.output), (std::vector<std::string>{hostName, "ok"}));
}

TEST(LoopbackSshHost, ComesUpAnswersAndGoesDown)
{
    if (const std::string missing = LoopbackSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    Process server{};
    {
        const LoopbackSshHost host;
        server = process(host.serverPid());
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        expectAnswers(host, name);
    }
    EXPECT_FALSE(server.alive());
}

TEST(NamespaceSshHost, TwoComeUpWithTheirOwnNamesAndProcessesAndGoDown)
{
    if (const std::string missing = NamespaceSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    const std::string ownName = firstLine("/proc/self/comm");
    std::vector<Traces> traces;
    {
        const NamespaceSshHost first;
        const NamespaceSshHost second("quorvin-second");
        EXPECT_NE(first.network().subnet(), second.network().subnet());
        for (const NamespaceSshHost *host : {&first, &second}) {
            traces.push_back(Traces::of(host->network(), host->serverPid()));
            expectAnswers(*host, host->alias());
            const Command::Result listing = host->runOverSsh("ps -e -o comm=");
            ASSERT_TRUE(listing.ok()) << listing.output;
            const std::vector<std::string> names = lines(listing.output);
            EXPECT_NE(std::find(names.begin(), names.end(), "sshd"), names.end()) << listing.output;
            EXPECT_EQ(std::find(names.begin(), names.end(), ownName), names.end()) << listing.output;
        }
    }
    for (const Traces &t : traces)
        t.expectGone();
}

TEST(ContainerSshHost, BootsSystemdAnswersAndPowersOff)
{
    if (const std::string missing = ContainerSshHost::missingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    std::vector<Traces> traces;
    {
        const ContainerSshHost host;
        traces.push_back(Traces::of(host.network(), host.serverPid()));
        expectAnswers(host, host.alias());
        const Command::Result state = host.runOverSsh("systemctl is-system-running");
        const std::vector<std::string> answer = lines(state.output);
        ASSERT_EQ(answer.size(), 1u) << state.output;
        EXPECT_TRUE(answer.front() == "running" || answer.front() == "degraded") << state.output;
    }
    for (const Traces &t : traces)
        t.expectGone();
}

} // namespace
} // namespace quorvin::test
