#include "PrivateBus.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>

namespace quorvin::mgmt::linux_::test {

namespace {

constexpr const char *Python = "/usr/bin/python3"; // Debian's: the one with python3-dbus and python3-gi
constexpr auto StartLimit = std::chrono::seconds(60);
constexpr const char *AddressVariable = "DBUS_SYSTEM_BUS_ADDRESS";

std::string newDirectory()
{
    std::string base = QUORVIN_PRIVATE_BUS_DIR;
    // A socket path holds at most 107 bytes.
    if (base.size() > 80)
        base = std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(base);
    std::string pattern = base + "/bus-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a directory under " + base);
    return pattern;
}

// Anyone may own and call anything; no service directories, so that a name nobody owns is not activated.
std::string busConfig(const std::string &address)
{
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>)" +
           address + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
}

// Nothing when the bus does not take connections yet, else whether the manager's name has an owner.
std::optional<bool> managerOnBus(const std::string &address)
{
    sd_bus *bus = nullptr;
    std::optional<bool> owned;
    if (sd_bus_new(&bus) >= 0 && sd_bus_set_address(bus, address.c_str()) >= 0 &&
        sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0) {
        sd_bus_message *reply = nullptr;
        int has = 0;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", nullptr, &reply, "s", "org.freedesktop.systemd1") >= 0 &&
            sd_bus_message_read(reply, "b", &has) >= 0)
            owned = has != 0;
        sd_bus_message_unref(reply);
    }
    sd_bus_flush_close_unref(bus);
    return owned;
}

} // namespace

std::string PrivateBus::missingTools()
{
    static const std::string missing = [] {
        if (!programExists("dbus-daemon"))
            return std::string("dbus-daemon is not installed (package dbus)");
        if (!programExists(Python))
            return std::string(Python) + " is not installed";
        ChildProcess probe({Python, "-c", "import dbus, dbus.mainloop.glib; from gi.repository import GLib"},
                           {}, "/dev/null");
        if (probe.waitFor(StartLimit).value_or(1) != 0)
            return std::string(Python) + " cannot import dbus and gi (packages python3-dbus, python3-gi)";
        return std::string();
    }();
    return missing;
}

PrivateBus::PrivateBus(const std::string &unitsJson, bool withManager) : m_directory(newDirectory())
{
    try {
        m_address = "unix:path=" + m_directory + "/bus";
        const std::string config = m_directory + "/bus.conf";
        std::ofstream(config) << busConfig(m_address);
        m_daemon = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--nofork", "--config-file=" + config},
            std::vector<std::string>{}, m_directory + "/dbus.log");
        waitFor(*m_daemon, "dbus-daemon", "dbus.log", false);
        if (withManager) {
            const std::string unitsFile = m_directory + "/units.json";
            std::ofstream(unitsFile) << unitsJson;
            m_manager = std::make_unique<ChildProcess>(
                std::vector<std::string>{Python, QUORVIN_STAND_IN_SERVICE_MANAGER, unitsFile},
                std::vector<std::string>{std::string(AddressVariable) + "=" + m_address},
                m_directory + "/manager.log");
            waitFor(*m_manager, "the stand-in service manager", "manager.log", true);
        }
    } catch (...) {
        m_manager.reset();
        m_daemon.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
        throw;
    }
    if (const char *previous = std::getenv(AddressVariable))
        m_previousAddress = previous;
    ::setenv(AddressVariable, m_address.c_str(), 1);
}

void PrivateBus::waitFor(ChildProcess &program, const char *what, const char *log, bool managerOwnsName)
{
    const auto end = std::chrono::steady_clock::now() + StartLimit;
    for (;;) {
        const std::optional<bool> owned = managerOnBus(m_address);
        if (owned && (*owned || !managerOwnsName))
            return;
        if (program.poll() || std::chrono::steady_clock::now() > end)
            throw std::runtime_error(std::string(what) +
                                     " did not start: " + fileText(m_directory + "/" + log));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

PrivateBus::~PrivateBus()
{
    if (m_previousAddress)
        ::setenv(AddressVariable, m_previousAddress->c_str(), 1);
    else
        ::unsetenv(AddressVariable);
    m_manager.reset();
    m_daemon.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

pid_t PrivateBus::daemonPid() const noexcept
{
    return m_daemon->pid();
}

} // namespace quorvin::mgmt::linux_::test
