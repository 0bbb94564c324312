#include "PrivateBus.h"
#include "support/WaitUntil.h"

#include "mgmt/Error.h"
#include "mgmt/Query.h"
#include "mgmt/linux/BusHandle.h"
#include "mgmt/linux/ServiceManager.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/local/SystemBus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quorvin::mgmt::linux_::test {
namespace {

// Every unit-file state, loaded and file-only units, units the list must leave out, and awkward names.
const char *const Units = R"([
  {"id": "ssh.service", "description": "OpenBSD Secure Shell server", "active": "active", "file": "enabled"},
  {"id": "sshd.service", "loaded": false, "file": "alias"},
  {"id": "early.service", "description": "Early", "file": "enabled-runtime"},
  {"id": "cron.service", "description": "Regular background program processing", "file": "disabled"},
  {"id": "hidden.service", "description": "hidden.service", "file": "masked"},
  {"id": "hidden-rt.service", "description": "Hidden at run time", "file": "masked-runtime"},
  {"id": "dbus.service", "description": "D-Bus System Message Bus", "active": "active", "file": "static"},
  {"id": "socketed.service", "description": "Started by its socket", "active": "reloading", "file": "indirect"},
  {"id": "fstab-made.service", "description": "From fstab", "active": "active", "file": "generated"},
  {"id": "run-r1.service", "description": "A command run once", "active": "active", "file": "transient"},
  {"id": "linked.service", "description": "Linked in", "active": "failed", "file": "linked"},
  {"id": "scope-like.service", "description": "No unit file", "active": "active"},
  {"id": "nodesc.service", "description": "", "file": "static"},
  {"id": "installed-only.service", "loaded": false, "file": "enabled"},
  {"id": "getty@.service", "loaded": false, "file": "static"},
  {"id": "getty@tty1.service", "description": "Getty on tty1", "active": "active"},
  {"id": "systemd-fsck@dev-disk-by\\x2dlabel-root.service", "description": "Check root", "file": "static"},
  {"id": "it's.service", "description": "A quote in the name", "file": "disabled"},
  {"id": "auditd.service", "load": "not-found"},
  {"id": "basic.target", "description": "Basic System", "active": "active", "file": "static"},
  {"id": "demo.service", "description": "Demo", "file": "disabled"},
  {"id": "deny.service", "description": "Needs privileges", "active": "active", "file": "static", "deny": true}
])";

std::unique_ptr<Service> connectHere()
{
    static LocalSource source;
    return source.connect("winmgmts:");
}

// The number and description of the error a call raises; 0 when it raises none.
std::pair<std::int32_t, std::string> errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return {e.number(), e.description()};
    }
    return {0, {}};
}

Instance onlyService(std::string_view name)
{
    std::vector<Instance> found =
        connectHere()->execQuery("select * from Win32_Service where name = '" + quoteQueryName(name) + "'");
    if (found.size() != 1)
        throw std::runtime_error("expected one service " + std::string(name) + ", found " +
                                 std::to_string(found.size()));
    return found.front();
}

class StandInManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = PrivateBus::missingTools(); !missing.empty())
            GTEST_SKIP() << "no private bus on this machine: " << missing;
        m_bus = std::make_unique<PrivateBus>(Units);
    }

    std::unique_ptr<PrivateBus> m_bus;
};

// ---- the list

TEST_F(StandInManager, ListsEveryServiceOnceSortedByName)
{
    std::vector<std::string> names;
    for (const Instance &service : connectHere()->instancesOf("Win32_Service"))
        names.push_back(service.get("Name").text());
    const std::vector<std::string> expected = {
        "cron.service",
        "dbus.service",
        "demo.service",
        "deny.service",
        "early.service",
        "fstab-made.service",
        "getty@tty1.service",
        "hidden-rt.service",
        "hidden.service",
        "installed-only.service",
        "it's.service",
        "linked.service",
        "nodesc.service",
        "run-r1.service",
        "scope-like.service",
        "socketed.service",
        "ssh.service",
        "sshd.service",
        "systemd-fsck@dev-disk-by\\x2dlabel-root.service",
    };
    EXPECT_EQ(names, expected);
    EXPECT_EQ(connectHere()->execQuery("SELECT * FROM win32_service").size(), expected.size());
}

struct ServiceCase {
    const char *name;
    const char *caption;
    const char *startMode;
    bool started;
    const char *state;
};

TEST_F(StandInManager, MapsEachUnitsStates)
{
    const ServiceCase cases[] = {
        {"ssh.service", "OpenBSD Secure Shell server", "Auto", true, "active"},
        {"early.service", "Early", "Auto", false, "inactive"},
        {"cron.service", "Regular background program processing", "Disabled", false, "inactive"},
        {"hidden.service", "hidden.service", "Disabled", false, "inactive"},
        {"hidden-rt.service", "Hidden at run time", "Disabled", false, "inactive"},
        {"dbus.service", "D-Bus System Message Bus", "Manual", true, "active"},
        {"socketed.service", "Started by its socket", "Manual", true, "reloading"},
        {"fstab-made.service", "From fstab", "Manual", true, "active"},
        {"run-r1.service", "A command run once", "Manual", true, "active"},
        {"linked.service", "Linked in", "Manual", false, "failed"},
        {"scope-like.service", "No unit file", "Manual", true, "active"},
        {"sshd.service", "sshd.service", "Manual", false, "inactive"},
        {"nodesc.service", "nodesc.service", "Manual", false, "inactive"},
        {"installed-only.service", "installed-only.service", "Auto", false, "inactive"},
        {"getty@tty1.service", "Getty on tty1", "Manual", true, "active"},
    };
    const std::vector<Instance> services = connectHere()->instancesOf("Win32_Service");
    for (const ServiceCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto it = std::find_if(services.begin(), services.end(),
                                     [&](const Instance &s) { return s.get("Name") == Value(c.name); });
        ASSERT_NE(it, services.end());
        EXPECT_EQ(it->get("Caption"), Value(c.caption));
        EXPECT_EQ(it->get("StartMode"), Value(c.startMode));
        EXPECT_EQ(it->get("Started"), Value(c.started));
        EXPECT_EQ(it->get("State"), Value(c.state));
    }
}

// Unit names differ by case on Linux: a start or stop must reach the unit of the clicked row only.
TEST_F(StandInManager, WhereNameMatchesTheUnitExactlyAndUndoesEscapes)
{
    const struct {
        const char *query;
        const char *found; // nullptr: nothing
    } cases[] = {
        {"Select * from Win32_Service Where Name ='ssh.service'", "ssh.service"},
        {"Select * from Win32_Service Where Name ='SSH.Service'", nullptr},
        {"select * from win32_service where name = 'it\\'s.service'", "it's.service"},
        {R"(select * from Win32_Service where name='systemd-fsck@dev-disk-by\\x2dlabel-root.service')",
         "systemd-fsck@dev-disk-by\\x2dlabel-root.service"},
        // A single backslash before x is kept as it is.
        {R"(select * from Win32_Service where name='systemd-fsck@dev-disk-by\x2dlabel-root.service')",
         "systemd-fsck@dev-disk-by\\x2dlabel-root.service"},
        {"select * from Win32_Service where name='getty@.service'", nullptr},
        {"select * from Win32_Service where name='basic.target'", nullptr},
        {"select * from Win32_Service where name='nothing.service'", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.query);
        const std::vector<Instance> found = connectHere()->execQuery(c.query);
        if (!c.found) {
            EXPECT_TRUE(found.empty());
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found.front().get("Name"), Value(c.found));
    }
}

// ---- the methods

// The job runs after the call returns: read the service again until it shows the new state.
bool becomes(std::string_view name, bool started)
{
    return quorvin::test::waitUntil([&] { return onlyService(name).get("Started") == Value(started); });
}

TEST_F(StandInManager, StartAndStopAreSeenInTheNextQueries)
{
    const Instance demo = onlyService("demo.service");
    ASSERT_EQ(demo.get("Started"), Value(false));
    demo.invoke("StartService");
    EXPECT_TRUE(becomes("demo.service", true));
    demo.invoke("stopservice");
    EXPECT_TRUE(becomes("demo.service", false));

    // A unit only installed as a file starts as well.
    onlyService("installed-only.service").invoke("StartService");
    EXPECT_TRUE(becomes("installed-only.service", true));
}

TEST_F(StandInManager, RefusalsCarryTheManagersDescriptions)
{
    Instance unknown = onlyService("demo.service");
    unknown.set("Name", "nosuch.service");
    Instance nameless = onlyService("demo.service");
    nameless.set("Name", 7);
    Instance notText = onlyService("demo.service");
    notText.set("Name", "\xff\xfe.service");
    Instance empty = onlyService("demo.service");
    empty.set("Name", "");

    const struct {
        const char *what;
        Instance service;
        const char *method;
        std::int32_t number;
        const char *description;
    } cases[] = {
        {"denied start", onlyService("deny.service"), "StartService", err::AccessDenied, "Access denied"},
        {"denied stop", onlyService("deny.service"), "StopService", err::AccessDenied, "Access denied"},
        {"no such unit", unknown, "StartService", err::NotFound, "Unit nosuch.service not found."},
        {"masked", onlyService("hidden.service"), "StartService", err::Failed,
         "Unit hidden.service is masked."},
        {"no name", nameless, "StartService", err::Failed,
         "The instance has no service name; nothing was started or stopped."},
        {"not text", notText, "StartService", err::Failed, "The request cannot be sent: Invalid argument."},
        {"empty name", empty, "StopService", err::Failed,
         "The service name \"\" is not a unit name; nothing was started or stopped."},
        {"other method", onlyService("demo.service"), "PauseService", err::MethodNotSupported,
         "Object doesn't support this property or method"},
    };
    for (const auto &c : cases) {
        const auto [number, description] = errorOf([&] { c.service.invoke(c.method); });
        EXPECT_EQ(number, c.number) << c.what;
        EXPECT_EQ(description, c.description) << c.what;
    }
}

// ---- a bus handed over by the caller

// What a remote computer's connection does with the bus it opened itself.
void expectManagerOn(sd_bus *bus)
{
    const ServiceManager manager(bus);
    const std::vector<ServiceUnit> units = manager.services();
    ASSERT_FALSE(units.empty());
    EXPECT_EQ(units.front().name, "cron.service");
    EXPECT_EQ(units.front().unitFileState, "disabled");
    EXPECT_NO_THROW(manager.startUnit("demo.service"));
    EXPECT_EQ(errorOf([&] { manager.stopUnit("nosuch.service"); }).first, err::NotFound);

    // The caller's bus went away: the manager cannot be reached.
    sd_bus_close(bus);
    const auto [number, description] = errorOf([&] { manager.services(); });
    EXPECT_EQ(number, err::Failed);
    EXPECT_TRUE(description.starts_with("The service manager is not available: ")) << description;
}

TEST_F(StandInManager, WorksOnABusOpenedByAddress)
{
    sd_bus *bus = nullptr;
    ASSERT_GE(sd_bus_new(&bus), 0);
    const BusPtr owner(bus);
    ASSERT_GE(sd_bus_set_address(bus, m_bus->address().c_str()), 0);
    ASSERT_GE(sd_bus_set_bus_client(bus, 1), 0);
    ASSERT_GE(sd_bus_start(bus), 0);
    expectManagerOn(bus);
}

// As over an SSH channel: the bus's messages go through a bridge program on a stream the caller holds.
TEST_F(StandInManager, WorksOnABusOverABridgedStream)
{
    if (!programExists("systemd-stdio-bridge"))
        GTEST_SKIP() << "systemd-stdio-bridge is not installed (package systemd)";
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    const std::string far = std::to_string(ends[1]);
    ChildProcess bridge(
        {"sh", "-c", "exec systemd-stdio-bridge --bus-path=" + m_bus->address() + " <&" + far + " >&" + far},
        {}, m_bus->directory() + "/bridge.log");
    ::close(ends[1]);

    sd_bus *bus = nullptr;
    ASSERT_GE(sd_bus_new(&bus), 0);
    const BusPtr owner(bus);
    ASSERT_GE(sd_bus_set_fd(bus, ends[0], ends[0]), 0);
    ASSERT_GE(sd_bus_set_bus_client(bus, 1), 0);
    ASSERT_GE(sd_bus_start(bus), 0);
    expectManagerOn(bus);
}

// ---- no service manager

class EnvironmentVariable final {
public:
    EnvironmentVariable(const char *name, const std::string &value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvironmentVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

void expectNotAvailable(const std::string &reason)
{
    const std::unique_ptr<Service> service = connectHere();
    const std::function<void()> calls[] = {
        [&] { service->instancesOf("Win32_Service"); },
        [&] { service->execQuery("select * from Win32_Service where name = 'ssh.service'"); },
    };
    for (const auto &call : calls) {
        const auto [number, description] = errorOf(call);
        EXPECT_EQ(number, err::Failed);
        EXPECT_EQ(description, "The service manager is not available: " + reason);
    }
}

TEST(NoServiceManager, WithoutABusSaysWhy)
{
    const EnvironmentVariable address("DBUS_SYSTEM_BUS_ADDRESS",
                                      "unix:path=" QUORVIN_PRIVATE_BUS_DIR "/no-such-directory/bus");
    expectNotAvailable("cannot connect to the system bus (No such file or directory).");
}

TEST(NoServiceManager, WithNobodyOwningItsNameSaysWhy)
{
    if (const std::string missing = PrivateBus::missingTools(); !missing.empty())
        GTEST_SKIP() << "no private bus on this machine: " << missing;
    const PrivateBus empty("", false);
    expectNotAvailable("The name org.freedesktop.systemd1 was not provided by any .service files");
}

TEST(NoServiceManager, SilentBusGivesUpAfterTheTimeout)
{
    // A socket that takes connections and never answers: the greeting must not be awaited for sd-bus's 90 s.
    const std::string path = QUORVIN_PRIVATE_BUS_DIR "/silent.socket";
    std::filesystem::create_directories(QUORVIN_PRIVATE_BUS_DIR);
    std::filesystem::remove(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    const EnvironmentVariable bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + path);

    const auto [number, description] = errorOf([] { openSystemBus(std::chrono::milliseconds(200)); });
    EXPECT_EQ(number, err::Failed);
    EXPECT_EQ(description, "The service manager is not available: the system bus does not answer.");
    ::close(listener);
    std::filesystem::remove(path);
}

TEST(NoServiceManager, SavedSystemTreeHasNone)
{
    LocalSourceOptions options;
    options.root = QUORVIN_FIXTURES_DIR "/linux/laptop-2core";
    LocalSource saved(std::move(options));
    const auto [number, description] =
        errorOf([&] { saved.connect("winmgmts:")->instancesOf("Win32_Service"); });
    EXPECT_EQ(number, err::Failed);
    EXPECT_EQ(description, "The service manager is not available: a saved system tree has none.");
}

// The bus daemon ends while a call waits for the manager: the call reports it at once instead of waiting
// out its time limit, which would say the connection timed out.
TEST(BusEnded, DuringAListingOrAStartIsReported)
{
    if (const std::string missing = PrivateBus::missingTools(); !missing.empty())
        GTEST_SKIP() << "no private bus on this machine: " << missing;
    constexpr auto CallLimit = std::chrono::seconds(25);
    const std::pair<const char *, std::function<void(const ServiceManager &)>> calls[] = {
        {R"([{"id": "stuck.service", "stall": true}])", [](const ServiceManager &m) { m.services(); }},
        {R"([{"id": "stuck.service", "stall": true}, {"id": "other.service"}])",
         [](const ServiceManager &m) { m.startUnit("stuck.service"); }},
    };
    for (const auto &[units, call] : calls) {
        SCOPED_TRACE(units);
        PrivateBus bus(units);
        const BusPtr connection = openSystemBus(CallLimit);
        const ServiceManager manager(connection.get(), CallLimit);
        std::pair<std::int32_t, std::string> error;
        std::thread caller([&] { error = errorOf([&] { call(manager); }); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(bus.daemonPid(), SIGKILL);
        caller.join();
        EXPECT_EQ(error.first, err::Failed);
        EXPECT_FALSE(error.second.empty());
        EXPECT_EQ(error.second.find("timed out"), std::string::npos) << error.second;
    }
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
