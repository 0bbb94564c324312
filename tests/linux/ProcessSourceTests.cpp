#include "Fixtures.h"
#include "support/WaitUntil.h"

#include "mgmt/Error.h"
#include "mgmt/linux/ProcessEnding.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/local/ProcessTerminator.h"
#include "mgmt/local/ProcessWalker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <pthread.h>
#include <set>
#include <sstream>
#include <thread>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvin::mgmt::linux_::test {
namespace {

namespace fs = std::filesystem;

constexpr const char *Counters = "Win32_PerfRawData_PerfProc_Process";

LocalSource sourceOver(std::string root)
{
    LocalSourceOptions options;
    options.root = std::move(root);
    options.clockTicksPerSecond = 100;
    options.pageSize = 4096;
    return LocalSource(std::move(options));
}

std::vector<Instance> query(LocalSource &source, std::string_view wql)
{
    return source.connect("winmgmts:")->execQuery(wql);
}

// The exit code of a child once it has ended; -1 when it did not exit (a signal ended it).
int exitCodeOf(pid_t child)
{
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string failure(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return std::to_string(e.number()) + " " + e.description();
    }
    return "no error";
}

// ---- a saved process table -----------------------------------------------------------------------------

// Pages of 4096 bytes, 100 ticks per second; swap in use. 1500 has no stat, 1501 an empty one and 1502 no
// statm: they ended while being read.
TEST(ProcessCounters, SavedTableFromIdleToTotal)
{
    LocalSource source = sourceOver(fixturePath("processes"));
    const std::vector<Instance> instances = query(source, std::string("select * from ") + Counters);
    const struct {
        const char *name;
        double pid;
        const char *workingSet, *pageFileBytes, *time;
        double threads;
    } expected[] = {
        {"Idle", 0, "0", "0", "5380400000", 2}, // idle + iowait of both processors, not divided
        {"systemd", 1, "12288000", "4198400", "40000000", 1},
        {"kthreadd", 2, "0", "0", "300000", 1},
        {"Web Content", 300, "163840000", "124977152", "180100000", 25},
        {"my) app (2)", 301, "4096000", "1638400", "3000000", 3},
        {"bash", 1001, "4915200", "1642496", "1000000", 1},
        {"bash#1", 1002, "5324800", "2048000", "1000000", 1},
        {"bash#2", 1003, "4505600", "1228800", "200000", 1},
        {"_Total", 0, "194969600", "135733248", "5606000000", 35},
    };
    ASSERT_EQ(instances.size(), std::size(expected));
    for (std::size_t i = 0; i < instances.size(); ++i) {
        const Instance &instance = instances[i];
        const auto &e = expected[i];
        EXPECT_EQ(instance.get("Name"), Value(e.name));
        EXPECT_EQ(instance.get("IDprocess"), Value(e.pid)) << e.name;
        EXPECT_EQ(instance.get("WorkingSet"), Value(e.workingSet)) << e.name;
        EXPECT_EQ(instance.get("PageFileBytes"), Value(e.pageFileBytes)) << e.name;
        EXPECT_EQ(instance.get("PercentProcessorTime"), Value(e.time)) << e.name;
        EXPECT_EQ(instance.get("ThreadCount"), Value(e.threads)) << e.name;
        EXPECT_EQ(instance.get("HandleCount"), Value(0)) << e.name; // a saved tree is not procfs
        EXPECT_EQ(instance.get("Timestamp_Sys100NS"), Value("3507354700000")) << e.name;
    }
}

TEST(ProcessCounters, StatusIsReadOnlyWhileSwapIsInUse)
{
    const struct {
        const char *meminfo; // nullptr: swap in use
        std::size_t filesOpened;
        const char *systemd, *web, *bash;
    } cases[] = {
        // meminfo, stat, uptime; 1501's empty stat and 1502's stat; 7 × stat, statm (and status)
        {nullptr, 3 + 2 + 7 * 3, "4198400", "124977152", "1642496"},
        {"processes/variants/meminfo-swap-unused", 3 + 2 + 7 * 2, "4096000", "122880000", "1638400"},
    };
    for (const auto &c : cases) {
        TreeCopy tree("processes");
        if (c.meminfo)
            tree.write("proc/meminfo", readFixture(c.meminfo));
        ProcessWalker walker(tree.root() + "/proc", ProcessWalker::Handles::Counted);
        const std::vector<Instance> instances =
            processPerfInstances(walker.walk(ProcessWalker::Detail::Counters), 100, 4096);
        EXPECT_EQ(walker.filesOpenedByLastWalk(), c.filesOpened);
        EXPECT_EQ(instances[1].get("PageFileBytes"), Value(c.systemd));
        EXPECT_EQ(instances[3].get("PageFileBytes"), Value(c.web));
        EXPECT_EQ(instances[5].get("PageFileBytes"), Value(c.bash));
    }
}

// The parsers' own faults are tested with them; here, that they reach the caller, and the machine's files.
TEST(ProcessCounters, MalformedFilesRaiseClearErrors)
{
    const struct {
        const char *file; // written into a copy of the saved table; nullptr: the malformed saved table
        const char *text;
        std::vector<std::string> fragments;
    } cases[] = {
        {nullptr, nullptr, {"/proc/42/stat", "no process name in parentheses"}},
        {"proc/uptime", "", {"/proc/uptime", "missing or empty"}},
        {"proc/meminfo", "MemAvailable: 1 kB\nSwapFree: 0 kB\n", {"/proc/meminfo", "SwapTotal"}},
        {"proc/stat", "intr 1\n", {"/proc/stat", "aggregate \"cpu\" line"}},
    };
    for (const auto &c : cases) {
        TreeCopy tree(c.file ? "processes" : "processes-malformed");
        if (c.file)
            tree.write(c.file, c.text);
        LocalSource source = sourceOver(tree.root());
        const std::string text = failure([&] { query(source, std::string("select * from ") + Counters); });
        EXPECT_EQ(text.find(std::to_string(err::Failed)), 0u) << text;
        for (const std::string &fragment : c.fragments)
            EXPECT_NE(text.find(fragment), std::string::npos) << text;
    }
}

// A name is what the process's stat says at each walk: it follows exec and PR_SET_NAME within one process.
TEST(ProcessCounters, NamesFollowTheStatOfTheSameProcess)
{
    TreeCopy tree("processes");
    LocalSource source = sourceOver(tree.root());
    const auto named = [&](const char *className, const char *name) {
        return query(source, std::string("select * from ") + className + " where name = '" + name + "'")
            .size();
    };
    ASSERT_EQ(named("Win32_Process", "Web Content"), 1u);
    // The same start: the same process, which ran another program.
    tree.write("proc/300/stat",
               "300 (renamed) S 1 300 300 0 -1 4194560 1 0 0 0 1234 567 0 0 20 0 25 0 900 0 0\n");
    EXPECT_EQ(named("Win32_Process", "Web Content"), 0u);
    EXPECT_EQ(named("Win32_Process", "renamed"), 1u);
    EXPECT_EQ(named(Counters, "renamed"), 1u);
    // What the walker keeps goes with the processes it belongs to.
    ProcessWalker walker(tree.root() + "/proc", ProcessWalker::Handles::Counted);
    walker.walk(ProcessWalker::Detail::Names);
    EXPECT_EQ(walker.knownProcesses(), 8u);
    fs::remove_all(tree.root() + "/proc/1003");
    walker.walk(ProcessWalker::Detail::Names);
    EXPECT_EQ(walker.knownProcesses(), 7u);
}

// Kept descriptors belong to the process they were opened for: a pid whose directory was replaced is read
// afresh, an ended process gives its descriptors back, and processes beyond the budget are read all the same.
TEST(ProcessCounters, KeptDescriptorsFollowTheirProcessWithinTheBudget)
{
    const auto names = [](const ProcessWalk &walk) {
        std::vector<std::string> out;
        for (const ProcessSample &process : walk.processes)
            out.push_back(std::to_string(process.pid) + " " + process.name + " " +
                          std::to_string(process.residentPages));
        return out;
    };
    for (const std::size_t budget : {std::size_t{1000}, std::size_t{3}, std::size_t{0}}) {
        TreeCopy tree("processes");
        ProcessWalker walker(tree.root() + "/proc", ProcessWalker::Handles::Counted, budget);
        std::vector<std::string> expected = names(walker.walk(ProcessWalker::Detail::Counters));
        ASSERT_EQ(expected.size(), 7u);
        EXPECT_EQ(walker.keptFiles(), std::min<std::size_t>(budget, 7 * 2)) << budget;

        // A new process under pid 300: its directory stands beside the old one before the old one goes.
        const fs::path old = tree.root() + "/proc/300", replacement = tree.root() + "/proc/300.new";
        fs::copy(old, replacement);
        tree.write("proc/300.new/stat",
                   "300 (renamed) S 1 300 300 0 -1 0 1 0 0 0 1 2 0 0 20 0 1 0 901 0 0\n");
        fs::remove_all(old);
        fs::rename(replacement, old);
        fs::remove_all(tree.root() + "/proc/1003");
        expected[2] = "300 renamed 40000";
        expected.erase(expected.begin() + 6);
        EXPECT_EQ(names(walker.walk(ProcessWalker::Detail::Counters)), expected) << budget;
        EXPECT_EQ(walker.keptFiles(), std::min<std::size_t>(budget, 6 * 2)) << budget;
    }
}

// Files hidden by permission (proc mounted with hidepid) leave their process out; an unreadable proc fails.
TEST(ProcessCounters, UnreadableProcessesAreLeftOutAndAnUnreadableProcFails)
{
    enum Outcome { AsExpected = 10, Unexpected, CannotTest };
    TreeCopy tree("processes");
    fs::permissions(tree.root(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(tree.root() + "/proc/300/statm", fs::perms::none);
    fs::permissions(tree.root() + "/proc/1", fs::perms::none);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::getuid() != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(CannotTest);
        try {
            ProcessWalker walker(tree.root() + "/proc", ProcessWalker::Handles::Counted);
            const ProcessWalk walk = walker.walk(ProcessWalker::Detail::Counters);
            const bool left300Out = walk.processes.size() == 5 &&
                                    std::none_of(walk.processes.begin(), walk.processes.end(),
                                                 [](const ProcessSample &p) { return p.pid == 300; });
            ProcessWalker unreadable(tree.root() + "/proc/1", ProcessWalker::Handles::Counted);
            const std::string text = failure([&] { unreadable.walk(ProcessWalker::Detail::Names); });
            ::_exit(left300Out && text.find("cannot be listed") != std::string::npos ? AsExpected
                                                                                     : Unexpected);
        } catch (...) {
            ::_exit(Unexpected);
        }
    }
    const int outcome = exitCodeOf(child);
    if (outcome == CannotTest)
        GTEST_SKIP() << "needs root to become a user the files refuse";
    EXPECT_EQ(outcome, AsExpected);
}

// ---- the list of processes -----------------------------------------------------------------------------

// The list reads only stat: 1502, whose statm is gone, was still there then.
TEST(ProcessList, SameProcessesUnderTheirImageNames)
{
    LocalSource source = sourceOver(fixturePath("processes"));
    const std::vector<Instance> processes = query(source, "select * from Win32_Process");
    const std::vector<Instance> counters = query(source, std::string("select * from ") + Counters);
    ASSERT_EQ(processes.size(), 8u);
    EXPECT_EQ(processes.back().get("Name"), Value("gone"));
    EXPECT_EQ(processes.back().get("Handle"), Value("1502"));
    EXPECT_EQ(processes.back().get("ProcessId"), Value(1502));
    ASSERT_EQ(counters.size(), processes.size() - 1 + 2);
    for (std::size_t i = 0; i + 1 < processes.size(); ++i) {
        const Instance &process = processes[i];
        const Value &pid = counters[i + 1].get("IDprocess");
        EXPECT_EQ(process.get("ProcessId"), pid);
        EXPECT_EQ(process.get("Handle"), Value(std::to_string(static_cast<int>(pid.number()))));
        const std::string name = counters[i + 1].get("Name").text();
        EXPECT_EQ(process.get("Name"), Value(name.substr(0, name.find('#'))));
    }
    const struct {
        const char *wql;
        std::size_t count;
    } filters[] = {
        {"select * from Win32_Process where name = 'BASH'", 3},
        {"select * from Win32_Process where name = 'my) app (2)'", 1},
        {"select * from Win32_PerfRawData_PerfProc_Process where name = 'bash'", 1},
        {"select * from Win32_PerfRawData_PerfProc_Process where name = 'bash#2'", 1},
        {"select * from Win32_PerfRawData_PerfProc_Process where name = '_total'", 1},
    };
    for (const auto &f : filters)
        EXPECT_EQ(query(source, f.wql).size(), f.count) << f.wql;
    EXPECT_NE(failure([&] { processes.front().invoke("Terminate"); }).find("saved system tree"),
              std::string::npos);
}

// ---- this computer ---------------------------------------------------------------------------------------

const Instance *withPid(const std::vector<Instance> &instances, const char *property, pid_t pid)
{
    for (const Instance &instance : instances)
        if (instance.get(property) == Value(static_cast<int>(pid)))
            return &instance;
    return nullptr;
}

std::size_t processesListed()
{
    std::size_t listed = 0;
    for (const auto &entry : fs::directory_iterator("/proc"))
        listed += std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0])) ? 1 : 0;
    return listed;
}

// A child that waits until it is killed.
pid_t waitingChild()
{
    const pid_t child = ::fork();
    if (child == 0)
        for (;;)
            ::pause();
    return child;
}

TEST(ProcessesOnThisComputer, IncludeThisProcessWithItsMemoryAndDescriptors)
{
    LocalSource source;
    const Instance *self = nullptr;
    const std::vector<Instance> before = query(source, std::string("select * from ") + Counters);
    ASSERT_NE(self = withPid(before, "IDprocess", ::getpid()), nullptr);
    EXPECT_GT(std::stoull(self->get("WorkingSet").text()), 0u);
    EXPECT_NE(withPid(query(source, "select * from Win32_Process"), "ProcessId", ::getpid()), nullptr);

    struct stat fdDirectory {};
    if (::stat("/proc/self/fd", &fdDirectory) != 0 || fdDirectory.st_size == 0)
        GTEST_SKIP() << "this kernel does not count descriptors in the fd directory's size";
    const double handles = self->get("HandleCount").number();
    std::vector<int> opened;
    for (int i = 0; i < 5; ++i)
        opened.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const std::vector<Instance> after = query(source, std::string("select * from ") + Counters);
    for (const int fd : opened)
        ::close(fd);
    ASSERT_NE(self = withPid(after, "IDprocess", ::getpid()), nullptr);
    EXPECT_EQ(self->get("HandleCount").number(), handles + 5);
}

// Wherever the descriptor budget runs out in a walk, the processes beyond it are read by path.
TEST(ProcessesOnThisComputer, EveryBudgetReadsEveryProcess)
{
    const auto walkedSelf = [](ProcessWalker &walker) {
        for (const ProcessSample &process : walker.walk(ProcessWalker::Detail::Counters).processes)
            if (process.pid == ::getpid())
                return true;
        return false;
    };
    const std::size_t listed = processesListed();
    for (const std::size_t budget : {std::size_t{0}, listed, 2 * listed}) {
        ProcessWalker walker("/proc", ProcessWalker::Handles::Counted, budget);
        for (int walk = 0; walk < 2; ++walk) {
            bool found = false;
            EXPECT_NO_THROW(found = walkedSelf(walker)) << budget;
            EXPECT_TRUE(found) << budget;
        }
    }
}

// Kernel threads show no memory and no descriptors, and the walker keeps neither file of theirs open.
TEST(ProcessesOnThisComputer, KernelThreadsCostNoFiles)
{
    ProcessWalker walker("/proc", ProcessWalker::Handles::Counted);
    walker.walk(ProcessWalker::Detail::Counters);
    const ProcessWalk walk = walker.walk(ProcessWalker::Detail::Counters);
    std::vector<std::string> kept;
    for (const auto &entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        kept.push_back(fs::read_symlink(entry.path(), error).string());
    }
    int kernelThreads = 0;
    for (const ProcessSample &process : walk.processes) {
        const std::string dir = "/proc/" + std::to_string(process.pid);
        std::ostringstream text;
        text << std::ifstream(dir + "/stat").rdbuf();
        if (text.str().empty() || !parseProcessStat(text.str(), dir).kernelThread())
            continue;
        ++kernelThreads;
        EXPECT_EQ(process.residentPages + process.handles, 0u) << dir;
        for (const std::string &path : kept)
            EXPECT_TRUE(path != dir + "/statm" && path != dir + "/fd") << path;
    }
    if (kernelThreads == 0)
        GTEST_SKIP() << "no kernel thread is visible here";
}

// A walk reuses the last listing while no process was created since; one that ended in between is left out
// all the same, and one created in between is found.
TEST(ProcessesOnThisComputer, WalksFollowProcessesThatStartAndEnd)
{
    const auto pids = [](const ProcessWalk &walk) {
        std::set<std::int32_t> out;
        for (const ProcessSample &process : walk.processes)
            out.insert(process.pid);
        return out;
    };
    ProcessWalker walker("/proc", ProcessWalker::Handles::Counted);
    const pid_t child = waitingChild();
    ASSERT_GE(child, 0);
    EXPECT_EQ(pids(walker.walk(ProcessWalker::Detail::Counters)).count(child), 1u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(pids(walker.walk(ProcessWalker::Detail::Counters)).count(child), 0u);
    EXPECT_EQ(pids(walker.walk(ProcessWalker::Detail::Counters)).count(child), 0u);
    const pid_t second = waitingChild();
    ASSERT_GE(second, 0);
    EXPECT_EQ(pids(walker.walk(ProcessWalker::Detail::Counters)).count(second), 1u);
    ::kill(second, SIGKILL);
    ::waitpid(second, nullptr, 0);
}

// A process whose stat the walker does not read again while it rests, nor keeps open, is read again once it
// has run: the time it spent, and a thread it started, show at the next walk.
TEST(ProcessesOnThisComputer, ARestingProcessShowsWhatItDidOnceItRuns)
{
    int orders[2], answers[2];
    ASSERT_EQ(::pipe(orders), 0);
    ASSERT_EQ(::pipe(answers), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char order = 0;
        while (::read(orders[0], &order, 1) == 1) {
            if (order == 'b') { // burn 50 ms of processor time
                const auto spent = [] {
                    timespec t{};
                    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
                    return t.tv_sec * 1000 + t.tv_nsec / 1000000;
                };
                for (const long start = spent(); spent() < start + 50;) {
                }
            } else {
                pthread_t thread{};
                ::pthread_create(
                    &thread, nullptr,
                    [](void *) -> void * {
                        for (;;)
                            ::pause();
                    },
                    nullptr);
            }
            (void)!::write(answers[1], &order, 1);
        }
        ::_exit(0);
    }
    const auto stateOfChild = [&] {
        std::ifstream file("/proc/" + std::to_string(child) + "/stat");
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return text.substr(text.rfind(')') + 2);
    };
    const auto waitUntilAsleep = [&] {
        return quorvin::test::waitUntil([&] { return stateOfChild()[0] == 'S'; });
    };
    const auto order = [&](char what) { // and wait until the child sleeps again
        char done = 0;
        return ::write(orders[1], &what, 1) == 1 && ::read(answers[0], &done, 1) == 1 && waitUntilAsleep();
    };
    // Room to keep the files of every process here where the descriptor limit allows it. Beside thousands of
    // processes it may not, and the child's stat is opened at each walk instead of kept.
    const std::size_t room = 3 * processesListed() + 1000;
    const bool roomForAll = room + 1024 < raiseOpenFileLimit();
    ProcessWalker walker("/proc", ProcessWalker::Handles::Counted,
                         roomForAll ? std::optional<std::size_t>(room) : std::nullopt);
    const auto sampleOfChild = [&] {
        for (const ProcessSample &process : walker.walk(ProcessWalker::Detail::Counters).processes)
            if (process.pid == child)
                return process;
        return ProcessSample{};
    };
    const auto statTicks = [&] {
        std::istringstream fields(stateOfChild());
        std::vector<std::uint64_t> numbers(12);
        std::string state;
        fields >> state;
        for (std::uint64_t &n : numbers)
            fields >> n;
        return numbers[10] + numbers[11]; // utime + stime, fields 14 and 15
    };
    const auto statKeptOpen = [&] {
        const std::string stat = "/proc/" + std::to_string(child) + "/stat";
        for (const auto &fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (fs::read_symlink(fd.path(), error) == stat)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(waitUntilAsleep()); // a child still starting up would not rest yet
    sampleOfChild();
    sampleOfChild();
    if (roomForAll) {
        EXPECT_TRUE(statKeptOpen());
    }
    const ProcessSample resting = sampleOfChild();
    EXPECT_EQ(resting.threads, 1u);
    EXPECT_FALSE(statKeptOpen());
    ASSERT_TRUE(order('b'));
    const ProcessSample burnt = sampleOfChild();
    EXPECT_GT(burnt.cpuTicks, resting.cpuTicks);
    EXPECT_EQ(burnt.cpuTicks, statTicks());
    ASSERT_TRUE(order('t'));
    EXPECT_EQ(sampleOfChild().threads, 2u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    for (const int fd : {orders[0], orders[1], answers[0], answers[1]})
        ::close(fd);
}

// Children that live a few milliseconds each, hundreds a second, for as long as the object lives.
class ProcessStorm final {
public:
    ProcessStorm() : m_thread([this] { run(); }) {}
    ~ProcessStorm()
    {
        m_stop = true;
        m_thread.join();
    }
    std::set<pid_t> made()
    {
        const std::lock_guard lock(m_mutex);
        return m_made;
    }

private:
    void run()
    {
        while (!m_stop) {
            std::vector<pid_t> batch;
            for (int i = 0; i < 5; ++i)
                if (const pid_t pid = ::fork(); pid == 0) {
                    ::usleep(static_cast<useconds_t>(i * 1000));
                    ::_exit(0);
                } else if (pid > 0) {
                    batch.push_back(pid);
                }
            {
                const std::lock_guard lock(m_mutex);
                m_made.insert(batch.begin(), batch.end());
            }
            for (const pid_t pid : batch)
                ::waitpid(pid, nullptr, 0);
        }
    }

    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    std::set<pid_t> m_made;
    std::thread m_thread;
};

// Hundreds of processes a second start and end while the table is walked: no walk fails, no process shows
// twice, and every row of a process the storm made carries its name. The walks go on until the storm has
// made enough processes and they have listed some of them, however long that takes here.
TEST(ProcessesOnThisComputer, AStormOfShortLivedProcessesDuringTheWalk)
{
    constexpr std::size_t Enough = 400;
    ProcessStorm storm;
    LocalSource source;
    int walks = 0;
    std::size_t stormRowsSeen = 0;
    const auto walk = [&] {
        for (const auto &[wql, pidProperty] :
             {std::pair{"select * from Win32_Process", "ProcessId"},
              std::pair{"select * from Win32_PerfRawData_PerfProc_Process", "IDprocess"}}) {
            std::vector<Instance> rows;
            const std::string error = failure([&] { rows = query(source, wql); });
            EXPECT_EQ(error, "no error") << wql;
            const Instance *self = withPid(rows, pidProperty, ::getpid());
            if (!self) {
                ADD_FAILURE() << wql << ": this process is not listed";
                continue;
            }
            const std::string ownName = self->get("Name").text();
            const std::set<pid_t> made = storm.made();
            std::set<double> seen;
            for (const Instance &row : rows) {
                const double pid = row.get(pidProperty).number();
                if (pid == 0)
                    continue; // the idle and total rows
                EXPECT_TRUE(seen.insert(pid).second) << wql << ": pid " << pid << " twice";
                if (made.count(static_cast<pid_t>(pid))) {
                    ++stormRowsSeen;
                    const std::string name = row.get("Name").text();
                    EXPECT_EQ(name.substr(0, name.find('#')), ownName.substr(0, ownName.find('#')));
                }
            }
        }
        ++walks;
        return ::testing::Test::HasFailure() ||
               (storm.made().size() > Enough && stormRowsSeen > 0 && walks > 1);
    };
    ASSERT_TRUE(quorvin::test::waitUntil(walk, [] {}))
        << "in " << quorvin::test::GenerousWait.count() << " s the storm made " << storm.made().size()
        << " processes, of which the walks listed " << stormRowsSeen;
}

TEST(ProcessesOnThisComputer, TerminateEndsAChildAndThenFindsItGone)
{
    const pid_t child = waitingChild();
    ASSERT_GE(child, 0);
    LocalSource source;
    const std::vector<Instance> processes = query(source, "select * from Win32_Process");
    const Instance *target = withPid(processes, "ProcessId", child);
    if (!target)
        ::kill(child, SIGKILL);
    ASSERT_NE(target, nullptr);
    target->invoke("Terminate");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(failure([&] { target->invoke("Terminate"); }), std::to_string(err::NotFound) + " Not found");
}

// Only the listed process: a pid whose start time differs names another process now and is left alone. And
// only an end is told as one: a process that ignores SIGTERM is reported, never killed outright.
TEST(ProcessesOnThisComputer, TerminateEndsOnlyTheListedProcessAndOnlyTellsAnEnd)
{
    const auto previous = std::signal(SIGTERM, SIG_IGN); // inherited: the child ignores it from its start
    const pid_t child = waitingChild();
    std::signal(SIGTERM, previous);
    ASSERT_GE(child, 0);
    LocalSource source;
    const std::vector<Instance> processes = query(source, "select * from Win32_Process");
    const Instance *target = withPid(processes, "ProcessId", child);
    if (!target)
        ::kill(child, SIGKILL);
    ASSERT_NE(target, nullptr);
    Instance reused = *target;
    reused.set("StartTime", std::to_string(startTicksOf(*target).value() + 1));
    EXPECT_EQ(failure([&] { reused.invoke("Terminate"); }), std::to_string(err::NotFound) + " Not found");
    const ProcessTerminator patient(true, {}, std::chrono::seconds(1));
    EXPECT_EQ(failure([&] { patient.invoke(*target, "Terminate"); }),
              std::to_string(err::Failed) + " The process did not end within 1 second");
    EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), 0) << "still running";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(ProcessesOnThisComputer, TerminateRefusesWhatIsNotOneProcess)
{
    LocalSource source;
    const std::vector<Instance> processes = query(source, "select * from Win32_Process");
    const Instance *self = withPid(processes, "ProcessId", ::getpid());
    ASSERT_NE(self, nullptr);
    // Never a process group, nor every process: 0 and negatives are refused before kill() sees them.
    for (const Value &handle : {Value("0"), Value("-1"), Value(""), Value("+5"), Value(" 5"), Value("5x"),
                                Value("99999999999999999999"), Value("2147483648"), Value(5), Value()}) {
        Instance copy = *self;
        copy.set("Handle", handle);
        EXPECT_NE(failure([&] { copy.invoke("Terminate"); }).find("is not a process ID"), std::string::npos);
    }
    EXPECT_EQ(failure([&] { self->invoke("Suspend"); }).find(std::to_string(err::MethodNotSupported)), 0u);
}

// As root every kill() is allowed; a child that gives up root shows the refusal on pid 1.
TEST(ProcessesOnThisComputer, TerminateOfAnotherUsersProcessIsAccessDenied)
{
    enum Outcome { Denied = 10, OtherError, NoError, CannotTest };
    LocalSource source;
    const std::vector<Instance> processes = query(source, "select * from Win32_Process");
    const Instance *self = withPid(processes, "ProcessId", ::getpid());
    ASSERT_NE(self, nullptr);
    Instance init = *self;
    init.set("Handle", "1");
    init.set("StartTime", Value()); // no start to hold pid 1 against: the refusal is the kernel's
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(CannotTest);
        if (::kill(1, 0) == 0 || errno != EPERM) // pid 1 would take the signal: never send it
            ::_exit(CannotTest);
        try {
            init.invoke("Terminate");
        } catch (const Error &e) {
            ::_exit(e.number() == err::AccessDenied && e.description() == "Access is denied." ? Denied
                                                                                              : OtherError);
        }
        ::_exit(NoError);
    }
    const int outcome = exitCodeOf(child);
    if (outcome == CannotTest)
        GTEST_SKIP() << "cannot become a user whom pid 1 refuses";
    EXPECT_EQ(outcome, Denied);
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
