// Win32_Service against systemd itself, booted in a container from a root file system built for the purpose.
#include "ChildProcess.h"
#include "support/WaitUntil.h"

#include "mgmt/Error.h"
#include "mgmt/Query.h"
#include "mgmt/linux/BusHandle.h"
#include "mgmt/local/LocalSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

namespace quorvin::mgmt::linux_::test {
namespace {

using Clock = std::chrono::steady_clock;

const std::string RootFs = QUORVIN_ROOTFS_DIR;

std::string lastLines(const std::string &text, std::size_t count = 15)
{
    std::size_t start = text.size();
    for (std::size_t n = 0; n <= count && start > 0; ++n)
        start = text.rfind('\n', start - 1);
    return text.substr(start == std::string::npos ? 0 : start);
}

// The container's first process: the one child of systemd-nspawn.
pid_t childOf(pid_t parent)
{
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string stat = fileText(entry.path().string() + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %*c %d", &ppid) == 1 && ppid == parent)
            return std::stoi(name);
    }
    return 0;
}

// "running" or "degraded" once the container has booted; empty while its bus does not answer.
std::string systemState(const std::string &address)
{
    sd_bus *raw = nullptr;
    if (sd_bus_new(&raw) < 0)
        return {};
    const BusPtr bus(raw);
    char *state = nullptr;
    if (sd_bus_set_address(raw, address.c_str()) < 0 || sd_bus_set_bus_client(raw, 1) < 0 ||
        sd_bus_start(raw) < 0 ||
        sd_bus_get_property_string(raw, "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                                   "org.freedesktop.systemd1.Manager", "SystemState", nullptr, &state) < 0)
        return {};
    std::string result = state;
    std::free(state);
    return result;
}

class RealSystemd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_whySkipped = boot();
        if (!s_whySkipped.empty())
            s_container.reset();
    }

    static void TearDownTestSuite()
    {
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        if (s_container) // SIGTERM makes systemd-nspawn power the container off
            s_container->stop(std::chrono::seconds(15));
        s_container.reset();
    }

    void SetUp() override
    {
        if (!s_whySkipped.empty())
            GTEST_SKIP() << s_whySkipped;
    }

    static std::string boot()
    {
        if (::geteuid() != 0)
            return "booting a container needs root";
        for (const char *program : {"debootstrap", "systemd-nspawn"})
            if (!programExists(program))
                return std::string(program) + " is not installed (apt-get install --no-install-recommends "
                                              "debootstrap systemd-container)";
        std::filesystem::create_directories(std::filesystem::path(RootFs).parent_path());
        const std::string buildLog = RootFs + ".log";
        std::filesystem::remove(buildLog);
        ChildProcess build({"bash", QUORVIN_MAKE_ROOTFS, RootFs}, {}, buildLog);
        if (build.waitFor(std::chrono::seconds(420)).value_or(-1) != 0)
            return "the container's root file system could not be built:\n" + lastLines(fileText(buildLog));

        const std::string bootLog = RootFs + ".boot.log";
        std::filesystem::remove(bootLog);
        s_container = std::make_unique<ChildProcess>(
            std::vector<std::string>{"systemd-nspawn", "-D", RootFs, "--boot", "--register=no", "--keep-unit",
                                     "--private-network", "-M", "quorvin-svc", "--console=pipe"},
            std::vector<std::string>{}, bootLog);
        const auto end = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < end && !s_container->poll()) {
            if (const pid_t init = childOf(s_container->pid())) {
                const std::string address =
                    "unix:path=/proc/" + std::to_string(init) + "/root/run/dbus/system_bus_socket";
                const std::string state = systemState(address);
                if (state == "running" || state == "degraded") {
                    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
                    return {};
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "the container did not boot:\n" + lastLines(fileText(bootLog));
    }

    static inline std::string s_whySkipped;
    static inline std::unique_ptr<ChildProcess> s_container;
};

std::unique_ptr<Service> connectHere()
{
    static LocalSource source;
    return source.connect("winmgmts:");
}

Instance service(std::string_view name)
{
    std::vector<Instance> found =
        connectHere()->execQuery("select * from Win32_Service where name = '" + quoteQueryName(name) + "'");
    if (found.size() != 1)
        throw std::runtime_error("expected one service " + std::string(name));
    return found.front();
}

bool becomes(std::string_view name, bool started)
{
    return quorvin::test::waitUntil([&] { return service(name).get("Started") == Value(started); });
}

TEST_F(RealSystemd, ListsTheContainersServices)
{
    const std::vector<Instance> services = connectHere()->instancesOf("Win32_Service");
    std::vector<std::string> names;
    for (const Instance &s : services)
        names.push_back(s.get("Name").text());
    EXPECT_GT(names.size(), 20u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    for (const std::string &name : names) {
        EXPECT_TRUE(name.ends_with(".service")) << name;
        EXPECT_FALSE(name.ends_with("@.service")) << name;
    }

    const struct {
        const char *name;
        const char *startMode;
        bool started;
    } cases[] = {
        {"quorvin-enabled.service", "Auto", true},
        {"quorvin-demo.service", "Manual", false},
        {"quorvin-masked.service", "Disabled", false},
        {"systemd-journald.service", "Manual", true},
        {"dbus.service", "Manual", true},
    };
    for (const auto &c : cases) {
        const Instance s = service(c.name);
        EXPECT_EQ(s.get("StartMode"), Value(c.startMode)) << c.name;
        EXPECT_EQ(s.get("Started"), Value(c.started)) << c.name;
    }
    EXPECT_EQ(service("quorvin-enabled.service").get("Caption"), Value("Quorvin enabled service"));
}

TEST_F(RealSystemd, StartsAndStopsAService)
{
    service("quorvin-demo.service").invoke("StartService");
    ASSERT_TRUE(becomes("quorvin-demo.service", true));
    const Instance running = service("quorvin-demo.service");
    EXPECT_EQ(running.get("Caption"), Value("Quorvin demo service"));
    EXPECT_EQ(running.get("State"), Value("active"));
    running.invoke("StopService");
    EXPECT_TRUE(becomes("quorvin-demo.service", false));
}

TEST_F(RealSystemd, RefusalsCarrySystemdsDescriptions)
{
    Instance unknown = service("quorvin-demo.service");
    unknown.set("Name", "nosuch.service");
    const struct {
        Instance target;
        std::int32_t number;
        const char *description;
    } cases[] = {
        {unknown, err::NotFound, "Unit nosuch.service not found."},
        {service("quorvin-masked.service"), err::Failed, "Unit quorvin-masked.service is masked."},
    };
    for (const auto &c : cases) {
        try {
            c.target.invoke("StartService");
            ADD_FAILURE() << c.description << ": no error";
        } catch (const Error &e) {
            EXPECT_EQ(e.number(), c.number) << c.description;
            EXPECT_EQ(e.description(), c.description);
        }
    }
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
