#pragma once
#include "ChildProcess.h"

#include <memory>
#include <optional>
#include <string>

namespace quorvin::mgmt::linux_::test {

// A private message bus, with the stand-in service manager on it unless asked otherwise, that the process's
// system-bus connections reach (through DBUS_SYSTEM_BUS_ADDRESS) for as long as the object lives.
class PrivateBus final {
public:
    // What is missing on this machine to start one ("dbus-daemon is not installed" …); empty when nothing is.
    static std::string missingTools();

    // Starts the bus in a new directory under the build directory, then the stand-in with the units of
    // unitsJson (see tests/infra/stand_in_service_manager.py), and waits until it owns its name. Throws
    // std::runtime_error with the programs' output when they do not come up.
    explicit PrivateBus(const std::string &unitsJson, bool withManager = true);
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;
    ~PrivateBus();

    const std::string &address() const noexcept { return m_address; }
    const std::string &directory() const noexcept { return m_directory; }
    // The bus daemon, for tests that end it under a caller.
    pid_t daemonPid() const noexcept;

private:
    // Until the bus takes connections and, when asked, the manager owns its name.
    void waitFor(ChildProcess &program, const char *what, const char *log, bool managerOwnsName);

    std::string m_directory;
    std::string m_address;
    std::optional<std::string> m_previousAddress;
    std::unique_ptr<ChildProcess> m_daemon;
    std::unique_ptr<ChildProcess> m_manager;
};

} // namespace quorvin::mgmt::linux_::test
