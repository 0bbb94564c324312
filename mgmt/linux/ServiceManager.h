#pragma once
#include <systemd/sd-bus.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// A service unit as the service manager reports it.
struct ServiceUnit {
    std::string name;          // "ssh.service"
    std::string description;   // empty for a unit that is only installed as a file
    std::string activeState;   // "active", "inactive", "failed" …; "inactive" for a unit that is not loaded
    std::string unitFileState; // "enabled", "static", "masked" …; empty for a unit without a unit file
};

// Talks to the service manager (systemd) over a bus that the caller has opened and keeps open: this
// computer's system bus, or one carried over another channel to a remote computer. Every failure raises
// mgmt::Error with the manager's own description: number err::AccessDenied for a refusal, err::NotFound for
// an unknown unit, err::Failed for anything else ("The service manager is not available: …" when nothing
// answers).
class ServiceManager final {
public:
    explicit ServiceManager(sd_bus *bus, std::chrono::microseconds callTimeout = std::chrono::seconds(5));

    // Every service the manager knows, loaded or only installed as a unit file, sorted by name; templates
    // ("name@.service") and names of units that are referred to but not installed are left out. Two calls.
    std::vector<ServiceUnit> services() const;

    // Queue a start or stop job, replacing any other job of the unit, and return without waiting for it.
    void startUnit(std::string_view name) const;
    void stopUnit(std::string_view name) const;

private:
    void queueJob(const char *method, std::string_view name) const;

    sd_bus *m_bus;
    std::chrono::microseconds m_callTimeout;
};

} // namespace quorvin::mgmt::linux_
