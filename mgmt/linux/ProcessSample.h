#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvin::mgmt::linux_ {

// What one process's files said at one walk, in the units of the files: ticks, pages and kilobytes.
struct ProcessSample {
    std::int32_t pid = 0;
    std::string name;             // the comm
    std::uint64_t startTicks = 0; // field 22 of stat: with the pid, names this process and no later one
    std::uint64_t cpuTicks = 0;   // utime + stime
    std::uint64_t residentPages = 0;
    std::uint64_t sharedPages = 0; // the file-backed and shared part of the resident pages
    std::uint64_t swappedKb = 0;   // 0 when the walk did not look (no swap in use)
    std::uint64_t threads = 0;
    std::uint64_t handles = 0; // open file descriptors; 0 when the walk does not count them
};

// One walk of the process table: the processes in the order of the walk, and the machine's figures read with
// them.
struct ProcessWalk {
    std::vector<ProcessSample> processes;
    std::uint64_t idleTicks = 0;      // idle + iowait of the aggregate "cpu" line of /proc/stat
    std::size_t processorCount = 0;   // its "cpuN" lines
    std::uint64_t timestamp100Ns = 0; // /proc/uptime, read once for the whole walk
};

} // namespace quorvin::mgmt::linux_
