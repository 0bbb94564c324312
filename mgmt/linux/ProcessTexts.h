#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// Parsers of the per-process texts of /proc and of /proc/uptime. They take the text as read, wherever it was
// read (a local file, the output of a remote command), and `file`, the name their errors give for it
// ("/proc/1234/stat"). Malformed text raises "Generic failure" naming the file and the fault.

// The fields of /proc/PID/stat the process classes use.
struct ProcessStat {
    std::int32_t pid = 0;
    std::string_view name;         // the comm, a view into the parsed text
    char state = 0;                // field 3: 'R' running or waiting to run, 'S' sleeping …
    std::uint64_t flags = 0;       // field 9: the kernel's flags of the task
    std::uint64_t userTicks = 0;   // field 14
    std::uint64_t systemTicks = 0; // field 15
    std::uint64_t threads = 0;     // field 20
    std::uint64_t startTicks = 0;  // field 22, after boot: with the pid, tells a process from a later one

    // A kernel thread has no memory of its own, and no descriptors.
    bool kernelThread() const noexcept { return (flags & KernelThreadFlag) != 0; }
    static constexpr std::uint64_t KernelThreadFlag = 0x00200000;
};

// The name lies between the first "(" and the last ")": it may hold blanks and ")" itself.
ProcessStat parseProcessStat(std::string_view text, std::string_view file);

// The first three fields of /proc/PID/statm, in pages.
struct ProcessStatm {
    std::uint64_t sizePages = 0;
    std::uint64_t residentPages = 0;
    std::uint64_t sharedPages = 0; // resident pages backed by a file or shared memory
};

ProcessStatm parseProcessStatm(std::string_view text, std::string_view file);

// The "VmSwap" line of /proc/PID/status in kilobytes; 0 when there is none (kernel threads, zombies).
std::uint64_t parseStatusSwapKb(std::string_view text, std::string_view file);

// The first field of /proc/uptime, seconds since boot with a fraction, in units of 100 ns. It runs on the
// clock the processes' times are counted on, so it serves as their timestamp.
std::uint64_t parseUptime100Ns(std::string_view text, std::string_view file);

} // namespace quorvin::mgmt::linux_
