#pragma once
#include "mgmt/FileDescriptor.h"
#include "mgmt/linux/ProcessSample.h"
#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/local/DescriptorBudget.h"

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <time.h>
#include <unordered_map>
#include <vector>

namespace quorvin::mgmt::linux_ {

class ProcessSampleBuilder;

// Reads the process table of one system tree as cheaply as the kernel allows: the proc directory stays open
// for the walker's life, and each process's statm and fd directory (the size of which is the count of its
// descriptors) are opened once and re-read at every walk, as is its stat while it runs (status too, opened
// each time, only while swap is in use); what cannot change without the process running is kept between
// walks. A process with one thread that has not run since its last stat, by its processor-time clock, is not
// read again, and its stat is closed until it runs: each kept file holds a page of kernel memory. Of a kernel
// thread, which has neither memory nor descriptors of its own, only the stat is read. Kept
// descriptors stay within a budget, statm and the stat of running processes first, then the fd directories;
// processes beyond it have their files opened at each walk. Processes that end while they are read, and
// those whose files are not ours to read (proc mounted with hidepid), are left out; malformed texts raise
// "Generic failure". One walk at a time: callers on several threads wait for each other.
class ProcessWalker final {
public:
    enum class Detail {
        Names,    // stat only: pid and name (for the list of processes)
        Counters, // and the memory and time counters, the processor idle time and the timestamp
    };

    enum class Handles {
        Uncounted,
        // Counted where the kernel gives the number of a process's open descriptors as the size of its fd
        // directory (Linux 6.2 on): one stat per process of a kept path descriptor, no file read. Elsewhere
        // it stays 0: listing each fd directory would about double the cost of a walk
        // (bench/process_walk_bench.cpp). A saved tree is not procfs and gets 0 too.
        Counted,
    };

    // procPath: the proc directory ("/proc", or below a saved tree's root). keptFiles: how many descriptors
    // the walker may keep open between walks; by default the raised soft limit less a reserve for the rest
    // of the program.
    ProcessWalker(std::string procPath, Handles handles, std::optional<std::size_t> keptFiles = std::nullopt);
    ~ProcessWalker();
    ProcessWalker(const ProcessWalker &) = delete;
    ProcessWalker &operator=(const ProcessWalker &) = delete;

    // The processes in ascending pid order.
    ProcessWalk walk(Detail detail);

    // Files the last walk opened; the proc directory itself, kept open, is not counted.
    std::size_t filesOpenedByLastWalk() const;
    // Processes the walker keeps something of, which are those the last walk saw.
    std::size_t knownProcesses() const;
    // Descriptors kept open between walks.
    std::size_t keptFiles() const;

private:
    // A directory of the listing: a process, as long as the same directory stands under its pid.
    struct Listed {
        std::int32_t pid = 0;
        std::uint64_t directory = 0; // inode number
    };

    struct Rest {
        std::uint64_t ranBefore = 0; // nanoseconds
        std::uint64_t userTicks = 0;
        std::uint64_t systemTicks = 0;
        char state = 0;
    };

    // What the walker keeps of one process. Its descriptors belong to the process they were opened for:
    // once it ends they read ESRCH, even after its pid is reused.
    struct Known {
        std::string name;             // at its last stat
        std::uint64_t startTicks = 0; // a different start time under the same pid is a new process
        std::uint64_t directory = 0;  // the /proc/PID the descriptors were opened under
        std::uint64_t seenInWalk = 0;
        FileDescriptor stat{-1};
        FileDescriptor statm{-1};
        FileDescriptor fdDirectory{-1}; // opened as a path only: its size is the count of open descriptors
        std::optional<clockid_t> clock; // its processor-time clock
        // What the last stat of a process with one thread said when it was not running, with the time it had
        // run, read just before: while that time stands, the thread has not been on a processor since, so
        // that stat still holds.
        std::optional<Rest> rest;
        bool oneThread = false;    // at its last stat
        bool kernelThread = false; // for its whole life
    };

    enum class Owner { System, Process };

    int procFd();
    // lastPid: what the listing may be reused for, once the walk has read it whole.
    std::vector<Listed> listProcesses(std::optional<std::uint64_t> &lastPid);
    std::optional<std::uint64_t> lastPidGiven();
    // The whole text of a file below the proc directory, valid until the next read; nothing when the
    // process it belongs to has ended (the file is gone, the read fails with ESRCH or gives nothing) or, for
    // a process's file, is not ours to read.
    std::optional<std::string_view> read(const char *relative, Owner owner);
    std::optional<std::string_view> readFrom(int fd, const char *relative, Owner owner);
    // The same through the kept descriptor, which is opened first when it is not (and kept within budget).
    std::optional<std::string_view> readKept(FileDescriptor &kept, DescriptorBudget::Kind kind,
                                             std::int32_t pid, const char *leaf);
    std::optional<ProcessStat> readStat(Known &known, std::int32_t pid);
    // The nanoseconds a process with one thread has run, from its processor-time clock: one system call and
    // no file. Only for the kernel's proc of our own pid namespace, where its pids are the clocks' pids.
    std::optional<std::uint64_t> timeRun(Known &known, std::int32_t pid);
    std::string_view readSystemFile(const char *relative);
    std::optional<std::uint64_t> handleCount(Known &known, std::int32_t pid);
    // Closes what is kept of the process.
    void release(Known &known) noexcept;
    std::optional<ProcessStat> currentStat(Known &known, const Listed &entry);
    std::optional<ProcessSample> readProcess(const Listed &entry, const ProcessSampleBuilder &builder,
                                             bool counters);

    mutable std::mutex m_mutex;
    std::string m_procPath; // ends with '/'
    Handles m_handles;
    bool m_handleCountsKnown = false; // the kernel gives them (decided when the proc directory is opened)
    std::int32_t m_selfPid = 0;       // this program's pid in that proc
    bool m_ownPidNamespace = false;   // that proc is of our own pid namespace
    std::vector<Listed> m_listed;     // the processes of the last whole walk that were read
    std::optional<std::uint64_t> m_listedLastPid; // the last pid given before that walk's listing
    std::unique_ptr<DIR, int (*)(DIR *)> m_dir;
    std::vector<char> m_buffer;
    std::unordered_map<std::int32_t, Known> m_known;
    std::uint64_t m_walks = 0;
    std::size_t m_filesOpened = 0;
    DescriptorBudget m_budget;
    bool m_procfs = false; // the proc directory is the kernel's, not a saved tree
};

} // namespace quorvin::mgmt::linux_
