#pragma once
#include "mgmt/linux/ProcessSample.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt {
class MethodInvoker;
}

namespace quorvin::mgmt::linux_ {

class ServiceManager;

enum class ProcessDetail {
    Names,    // pid, name and start time (the list of processes)
    Counters, // and the memory and time counters, the processors' idle time and the timestamp
};

// What a class is about to read, told before it reads anything, so that another computer can answer all of it
// in one round trip. Paths are absolute; a "*" in a file's path takes every file that matches.
struct Prefetch {
    std::vector<std::string> files;
    std::vector<std::string> birthTimes;
    std::vector<std::string> modificationTimes;
    bool processCount = false;
    bool utcOffsets = false; // at the boot time (btime of /proc/stat) and at the times above
    std::optional<ProcessDetail> processes;

    static Prefetch ofFiles(std::vector<std::string> paths)
    {
        Prefetch needs;
        needs.files = std::move(paths);
        return needs;
    }
};

using ServiceAction = std::function<void(const ServiceManager &)>;
// Runs an action with a service manager on a bus that stays open for the call.
using WithServiceManager = std::function<void(const ServiceAction &)>;

// The texts and the few figures that the Linux classes are made from: this computer's files, or what one
// command printed on another computer. The classes are the same code for both; only this seam differs.
class LinuxSystem {
public:
    virtual ~LinuxSystem() = default;

    virtual void prefetch(const Prefetch &needs) = 0;

    // The whole text of a file, or nothing when it does not exist.
    virtual std::optional<std::string> file(const std::string &path) = 0;
    // The same; a missing file raises "Generic failure" naming it.
    virtual std::string requiredFile(const std::string &path) = 0;
    // Seconds since the epoch; nothing when the path is missing or its file system keeps no such time.
    virtual std::optional<std::int64_t> birthTime(const std::string &path) = 0;
    virtual std::optional<std::int64_t> modificationTime(const std::string &path) = 0;
    // The numeric entries of /proc.
    virtual std::uint64_t processCount() = 0;

    virtual std::uint64_t clockTicksPerSecond() = 0; // the unit of the times in /proc/stat
    virtual std::uint64_t pageSize() = 0;            // the unit of /proc/PID/statm
    // Of local time from UTC, in minutes, at a moment in epoch seconds.
    virtual int utcOffsetMinutes(std::int64_t epochSeconds) = 0;

    // The processes in ascending pid order; those that ended on the way are left out.
    virtual ProcessWalk walkProcesses(ProcessDetail detail) = 0;
    // Carries out Terminate for the processes this system lists.
    virtual std::shared_ptr<const MethodInvoker> processMethods() = 0;
    // Reaches this system's service manager; the result may outlive the system (it serves the services'
    // methods).
    virtual WithServiceManager serviceManager() = 0;
};

} // namespace quorvin::mgmt::linux_
