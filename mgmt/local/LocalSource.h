#pragma once
#include "mgmt/Source.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quorvin::mgmt {

namespace linux_ {
class LocalSystem;
}

// Where and how a LocalSource reads the system; the defaults describe this computer.
struct LocalSourceOptions {
    // The directory that holds proc/, sys/, etc/ … ("/" for this computer, a saved copy in the tests).
    std::string root = "/";
    // The computer's own name for the local check; empty reads proc/sys/kernel/hostname below the root.
    std::string hostName;
    // The offset of local time from UTC, in minutes, at a moment in epoch seconds; empty uses the time zone
    // of this process.
    std::function<int(std::int64_t)> utcOffsetMinutes;
    // The unit of the times in proc/stat; 0 asks the system (sysconf(_SC_CLK_TCK)).
    std::uint64_t clockTicksPerSecond = 0;
    // The unit of proc/PID/statm in bytes; 0 asks the system (sysconf(_SC_PAGESIZE)).
    std::uint64_t pageSize = 0;
};

// Answers from the Linux system it runs on: the operating system, the processor packages, the processors'
// time counters, and the processes with their counters. Connections to any computer but this one raise 462.
class LocalSource final : public Source {
public:
    LocalSource();
    explicit LocalSource(LocalSourceOptions options);
    ~LocalSource() override;

    std::unique_ptr<Service> connect(std::string_view moniker) override;
    void setWhileWaiting(WhileWaiting whileWaiting) override;
    // Over this computer's own root only: a saved tree's processes are none of this program's.
    std::optional<std::int64_t> thisProgramsProcessId(std::string_view moniker) override;

private:
    std::string hostName() const;

    std::shared_ptr<WhileWaiting> m_whileWaiting; // shared with the process terminator
    std::shared_ptr<linux_::LocalSystem> m_system;
    std::string m_hostName;
};

} // namespace quorvin::mgmt
