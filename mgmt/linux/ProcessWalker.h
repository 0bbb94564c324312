#pragma once
#include "mgmt/linux/ProcessSample.h"

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvin::mgmt::linux_ {

// Reads the process table of one system tree as cheaply as the kernel allows: the proc directory stays open
// for the walker's life, each process costs two small reads (stat and statm; status too only while swap is
// in use) and whatever never changes for a process is kept between walks. Processes that end while they are
// read are left out; malformed texts raise "Generic failure". One walk at a time: callers on several threads
// wait for each other.
class ProcessWalker final {
public:
    enum class Detail {
        Names,    // stat only: pid and name (for the list of processes)
        Counters, // and the memory and time counters, the processor idle time and the timestamp
    };

    enum class Handles {
        Uncounted,
        // Counted where the kernel gives the number of a process's open descriptors as the size of its fd
        // directory (Linux 6.2 on): one stat per process, no file opened. Elsewhere it stays 0: listing each
        // fd directory would about double the cost of a walk (bench/process_walk_bench.cpp). A saved tree is
        // not procfs and gets 0 too.
        Counted,
    };

    // procPath: the proc directory ("/proc", or below a saved tree's root).
    explicit ProcessWalker(std::string procPath, Handles handles);
    ~ProcessWalker();
    ProcessWalker(const ProcessWalker &) = delete;
    ProcessWalker &operator=(const ProcessWalker &) = delete;

    // The processes in ascending pid order.
    ProcessWalk walk(Detail detail);

    // Files the last walk opened; the proc directory itself, kept open, is not counted.
    std::size_t filesOpenedByLastWalk() const;
    // Processes whose name the walker keeps, which are those the last walk saw.
    std::size_t knownProcesses() const;

private:
    struct Known {
        std::string name;
        std::uint64_t startTicks = 0; // a different start time under the same pid is a new process
        std::uint64_t seenInWalk = 0;
    };

    int procFd();
    std::vector<std::int32_t> listPids();
    // The whole text of a file below the proc directory, valid until the next read; nothing when the
    // process it belongs to has ended (the file is gone, the read fails with ESRCH or gives nothing).
    std::optional<std::string_view> read(const char *relative);
    std::string_view readSystemFile(const char *relative);
    std::optional<std::uint64_t> handleCount(const char *relative);
    const std::string &knownName(std::int32_t pid, std::string_view name, std::uint64_t startTicks);

    mutable std::mutex m_mutex;
    std::string m_procPath; // ends with '/'
    Handles m_handles;
    bool m_handleCountsKnown = false; // the kernel gives them (decided when the proc directory is opened)
    std::unique_ptr<DIR, int (*)(DIR *)> m_dir;
    std::vector<char> m_buffer;
    std::unordered_map<std::int32_t, Known> m_known;
    std::uint64_t m_walks = 0;
    std::size_t m_filesOpened = 0;
};

} // namespace quorvin::mgmt::linux_
