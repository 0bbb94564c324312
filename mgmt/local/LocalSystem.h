#pragma once
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/local/SystemFiles.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace quorvin::mgmt::linux_ {

class ProcessWalker;

// The Linux classes' seam over a system tree's files: this computer's ("/"), or a saved copy in the tests.
// Reads when asked; the prefetch is not needed here.
class LocalSystem final : public LinuxSystem {
public:
    struct Clock {
        std::uint64_t ticksPerSecond = 100;                // the unit of the times in /proc/stat
        std::uint64_t pageSize = 4096;                     // the unit of /proc/PID/statm
        std::function<int(std::int64_t)> utcOffsetMinutes; // of local time at a moment (epoch seconds)
    };

    // Shared by all connections of one source, so that what the walker keeps about the processes outlives
    // them.
    LocalSystem(SystemFiles files, Clock clock, std::shared_ptr<ProcessWalker> processes,
                std::shared_ptr<const MethodInvoker> processMethods);
    ~LocalSystem() override;

    void prefetch(const Prefetch &) override {}
    std::optional<std::string> file(const std::string &path) override;
    std::string requiredFile(const std::string &path) override;
    std::optional<std::int64_t> birthTime(const std::string &path) override;
    std::optional<std::int64_t> modificationTime(const std::string &path) override;
    std::uint64_t processCount() override;
    std::uint64_t clockTicksPerSecond() override { return m_clock.ticksPerSecond; }
    std::uint64_t pageSize() override { return m_clock.pageSize; }
    int utcOffsetMinutes(std::int64_t epochSeconds) override;
    ProcessWalk walkProcesses(ProcessDetail detail) override;
    std::shared_ptr<const MethodInvoker> processMethods() override { return m_processMethods; }
    // This computer's system bus, opened for each call; a saved tree has no service manager.
    WithServiceManager serviceManager() override;

    const SystemFiles &files() const noexcept { return m_files; }
    // The tree is this computer's own, not a saved copy.
    bool thisComputer() const { return m_files.fullPath("") == "/"; }

private:
    SystemFiles m_files;
    Clock m_clock;
    std::shared_ptr<ProcessWalker> m_processes;
    std::shared_ptr<const MethodInvoker> m_processMethods;
};

} // namespace quorvin::mgmt::linux_
