#include "Fixtures.h"

#include "mgmt/Error.h"
#include "mgmt/local/LocalSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quorvin::mgmt::test {
namespace {

using linux_::test::fixturePath;

LocalSource sourceFor(std::string_view fixture, std::string hostName = {})
{
    LocalSourceOptions options;
    options.root = fixturePath(fixture);
    options.hostName = std::move(hostName);
    options.utcOffsetMinutes = [](std::int64_t) { return 60; };
    options.clockTicksPerSecond = 100;
    return LocalSource(std::move(options));
}

std::int32_t errorNumber(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

bool isCimDateTime(const Value &value)
{
    static const std::regex form(R"(\d{14}\.\d{6}[+-]\d{3})");
    return value.isText() && std::regex_match(value.text(), form);
}

// ---- the operating system of each saved system ------------------------------------------------------------

struct OsCase {
    std::string root;
    std::string caption;
    std::string kernel;
    std::string freePhysical;
    std::string freeVirtual;
    std::string total;
    double processes;
    std::string serialNumber;
    std::string lastBoot; // with the +060 offset the tests use
};

std::ostream &operator<<(std::ostream &out, const OsCase &c)
{
    return out << c.root;
}

class SavedOperatingSystem : public ::testing::TestWithParam<OsCase> {};

TEST_P(SavedOperatingSystem, HasOneInstanceWithTheSystemsFacts)
{
    const OsCase &c = GetParam();
    LocalSource source = sourceFor(c.root);
    const std::vector<Instance> instances = source.connect("winmgmts:")->instancesOf("Win32_OperatingSystem");
    ASSERT_EQ(instances.size(), 1u);
    const Instance &os = instances.front();
    EXPECT_EQ(os.get("Caption"), Value(c.caption));
    EXPECT_EQ(os.get("CSDVersion"), Value(c.kernel));
    EXPECT_EQ(os.get("FreePhysicalMemory"), Value(c.freePhysical));
    EXPECT_EQ(os.get("FreeVirtualMemory"), Value(c.freeVirtual));
    EXPECT_EQ(os.get("TotalVisibleMemorySize"), Value(c.total));
    EXPECT_EQ(os.get("NumberOfProcesses"), Value(c.processes));
    EXPECT_EQ(os.get("Organization"), Value(""));
    EXPECT_EQ(os.get("SerialNumber"), Value(c.serialNumber));
    EXPECT_EQ(os.get("LastBootupTime"), Value(c.lastBoot));
    // The fixture directory's own birth or change time stands in for the installation.
    EXPECT_TRUE(isCimDateTime(os.get("InstallDate")));
    EXPECT_TRUE(os.get("InstallDate").text().ends_with("+060"));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SavedOperatingSystem,
    ::testing::Values(OsCase{"laptop-2core", "Debian GNU/Linux 12 (bookworm)", "Linux 6.1.0-18-amd64",
                             "5432100", "7522100", "7950000", 5, "5e8a2c4f9b1d4e7a8c3f6b2d1a0e9f87",
                             "20240301100000.000000+060"},
                      OsCase{"server-64core-2socket", "Ubuntu 22.04.4 LTS", "Linux 5.15.0-97-generic",
                             "245112320", "253500924", "263855104", 7, "a3f19c0d77e24b6e9d5c1f0b8e2a4c61",
                             "20240201010000.000000+060"},
                      // os-release only under /usr/lib, no swap, no machine ID
                      OsCase{"container-noswap", "Alpine Linux v3.19", "Linux 6.6.12-linuxkit", "3201440",
                             "3201440", "4024184", 2, "", "20240401010000.000000+060"},
                      // no PRETTY_NAME anywhere, a machine ID with blanks around it
                      OsCase{"vm-1cpu-bare", "Linux", "Linux 4.19.0-26-cloud-amd64", "700000", "1700000",
                             "1004000", 1, "0f1e2d3c4b5a69788796a5b4c3d2e1f0", "20000101010000.000000+060"}),
    [](const auto &test) {
        std::string name = test.param.root;
        std::erase(name, '-');
        return name;
    });

// ---- class dispatch and queries
// ----------------------------------------------------------------------------

TEST(LocalSource, FindsClassesWithoutRegardToCase)
{
    LocalSource source = sourceFor("server-64core-2socket");
    const std::unique_ptr<Service> service = source.connect("winmgmts:");
    const struct {
        const char *className;
        std::size_t count;
    } cases[] = {
        {"Win32_OperatingSystem", 1},
        {"win32_operatingsystem", 1},
        {"Win32_Processor", 2},
        {"WIN32_PROCESSOR", 2},
        {"Win32_PerfRawData_PerfOS_Processor", 65},
        {"win32_perfrawdata_perfos_processor", 65},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(service->instancesOf(c.className).size(), c.count) << c.className;
        EXPECT_EQ(service->execQuery(std::string("select * from ") + c.className).size(), c.count)
            << c.className;
        EXPECT_EQ(service->execQuery(std::string("SELECT * FROM ") + c.className).size(), c.count)
            << c.className;
    }
}

TEST(LocalSource, ProcessorPackagesOfEachSavedSystem)
{
    const struct {
        const char *root;
        std::vector<std::tuple<std::string, std::string, double>>
            packages; // DeviceID, Name, logical processors
    } cases[] = {
        {"laptop-2core", {{"CPU0", "Intel(R) Core(TM) i3-7100U CPU @ 2.40GHz", 2}}},
        {"server-64core-2socket",
         {{"CPU0", "AMD EPYC 7302 16-Core Processor", 32}, {"CPU1", "AMD EPYC 7302 16-Core Processor", 32}}},
        {"container-noswap", {{"CPU0", "Processor", 4}}},
        {"vm-1cpu-bare", {{"CPU0", "Intel Xeon Processor (Skylake, IBRS)", 1}}},
    };
    for (const auto &c : cases) {
        LocalSource source = sourceFor(c.root);
        const std::vector<Instance> instances = source.connect("winmgmts:")->instancesOf("Win32_Processor");
        ASSERT_EQ(instances.size(), c.packages.size()) << c.root;
        for (std::size_t i = 0; i < instances.size(); ++i) {
            const auto &[deviceId, name, logical] = c.packages[i];
            EXPECT_EQ(instances[i].get("DeviceID"), Value(deviceId)) << c.root;
            EXPECT_EQ(instances[i].get("Name"), Value(name)) << c.root;
            EXPECT_EQ(instances[i].get("NumberOfLogicalProcessors"), Value(logical)) << c.root;
        }
    }
}

TEST(LocalSource, ProcessorTimesOfTheLaptop)
{
    LocalSource source = sourceFor("laptop-2core");
    const std::vector<Instance> instances =
        source.connect("winmgmts:")->instancesOf("Win32_PerfRawData_PerfOS_Processor");
    ASSERT_EQ(instances.size(), 3u);
    // cpu0: idle 24900 + iowait 28 ticks; all but guest 28468 ticks. cpu: idle 53804, busy 7136, over 2.
    const struct {
        const char *name;
        const char *idle;
        const char *timestamp;
    } expected[] = {
        {"0", "2492800000", "2846800000"},
        {"1", "2887600000", "3247200000"},
        {"_Total", "2690200000", "3047000000"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(instances[i].get("Name"), Value(expected[i].name));
        EXPECT_EQ(instances[i].get("PercentProcessorTime"), Value(expected[i].idle)) << expected[i].name;
        EXPECT_EQ(instances[i].get("Timestamp_Sys100NS"), Value(expected[i].timestamp)) << expected[i].name;
    }
}

TEST(LocalSource, WhereNameFiltersWithoutRegardToCase)
{
    LocalSource source = sourceFor("server-64core-2socket");
    const std::unique_ptr<Service> service = source.connect("winmgmts:");
    const struct {
        const char *query;
        std::size_t count;
        const char *firstName;
    } cases[] = {
        {"select * from Win32_PerfRawData_PerfOS_Processor where name = '_total'", 1, "_Total"},
        {"select * from Win32_PerfRawData_PerfOS_Processor where Name='63'", 1, "63"},
        {"select * from Win32_PerfRawData_PerfOS_Processor where name = '64'", 0, nullptr},
        {"select * from win32_processor where NAME = 'amd epyc 7302 16-core processor'", 2,
         "AMD EPYC 7302 16-Core Processor"},
        {"select * from Win32_OperatingSystem where name = 'anything'", 0, nullptr}, // it has no Name
    };
    for (const auto &c : cases) {
        const std::vector<Instance> instances = service->execQuery(c.query);
        ASSERT_EQ(instances.size(), c.count) << c.query;
        if (c.firstName) {
            EXPECT_EQ(instances.front().get("Name"), Value(c.firstName)) << c.query;
        }
    }
}

TEST(LocalSource, RaisesTheServicesErrors)
{
    LocalSource source = sourceFor("laptop-2core");
    const std::unique_ptr<Service> service = source.connect("winmgmts:");
    const struct {
        const char *what;
        std::function<void()> call;
        std::int32_t number;
    } cases[] = {
        {"unknown class", [&] { service->instancesOf("Win32_Printer"); }, err::InvalidClass},
        {"unknown class queried", [&] { service->execQuery("select * from Win32_Nothing"); },
         err::InvalidClass},
        {"empty class", [&] { service->instancesOf(""); }, err::InvalidClass},
        {"unknown class with filter", [&] { service->execQuery("select * from X where name = 'a'"); },
         err::InvalidClass},
        {"not select *", [&] { service->execQuery("select Name from Win32_Processor"); }, err::InvalidQuery},
        {"open quote", [&] { service->execQuery("select * from Win32_Processor where name = 'a"); },
         err::InvalidQuery},
        {"not a moniker", [&] { source.connect("wmi:"); }, err::InvalidSyntax},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorNumber(c.call), c.number) << c.what;
}

TEST(LocalSource, ConnectsOnlyToThisComputer)
{
    LocalSource fromFile = sourceFor("laptop-2core"); // host name "lapwing" from proc/sys/kernel/hostname
    LocalSource injected = sourceFor("laptop-2core", "Desk-01");
    const struct {
        LocalSource *source;
        const char *moniker;
        std::int32_t number; // 0: connects
    } cases[] = {
        {&fromFile, "winmgmts:", 0},
        {&fromFile, "winmgmts://.", 0},
        {&fromFile, "winmgmts://localhost", 0},
        {&fromFile, "winmgmts://LocalHost", 0},
        {&fromFile, "winmgmts://LAPWING", 0},
        {&fromFile, "winmgmts:{impersonationLevel=impersonate}!\\\\Lapwing\\root\\cimv2", 0},
        {&fromFile, "winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2", 0},
        {&fromFile, "winmgmts://db-east-07", err::RemoteServerUnavailable},
        {&fromFile, "winmgmts:{impersonationLevel=impersonate}!\\\\far\\root\\cimv2",
         err::RemoteServerUnavailable},
        {&injected, "winmgmts://desk-01", 0},
        {&injected, "winmgmts://localhost", 0},
        {&injected, "winmgmts://lapwing", err::RemoteServerUnavailable},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorNumber([&] { c.source->connect(c.moniker); }), c.number) << c.moniker;
}

TEST(LocalSource, DamagedSystemFilesGiveClearErrors)
{
    LocalSource broken = sourceFor("broken");
    LocalSource missing = sourceFor("no-such-root");
    const std::unique_ptr<Service> brokenService = broken.connect("winmgmts:");
    const std::unique_ptr<Service> missingService = missing.connect("winmgmts:");
    const struct {
        Service *service;
        const char *className;
        std::vector<std::string> fragments;
    } cases[] = {
        {brokenService.get(), "Win32_PerfRawData_PerfOS_Processor", {"/proc/stat", "truncated"}},
        {brokenService.get(), "Win32_OperatingSystem", {"/proc/meminfo", "cannot be read"}},
        {missingService.get(), "Win32_Processor", {"no-such-root/proc/cpuinfo", "cannot be read"}},
    };
    for (const auto &c : cases) {
        try {
            c.service->instancesOf(c.className);
            ADD_FAILURE() << "no error for " << c.className;
        } catch (const Error &e) {
            EXPECT_EQ(e.number(), err::Failed);
            for (const std::string &fragment : c.fragments)
                EXPECT_NE(e.description().find(fragment), std::string::npos) << e.description();
        }
    }
    // What is intact still answers.
    EXPECT_EQ(brokenService->instancesOf("Win32_Processor").size(), 1u);
}

// What stands in a system file's place is never waited on nor read without end: a FIFO without a writer, or
// the endless /dev/zero, gives a clear error at once.
TEST(LocalSource, AFifoOrADeviceInPlaceOfASystemFileGivesAClearError)
{
    const struct {
        const char *tree, *file;
        bool fifo; // else a link to /dev/zero
        const char *className, *fragment;
    } cases[] = {
        {"laptop-2core", "etc/os-release", true, "Win32_OperatingSystem", "is not a regular file"},
        {"laptop-2core", "etc/machine-id", false, "Win32_OperatingSystem", "is not a regular file"},
        {"laptop-2core", "proc/cpuinfo", false, "Win32_Processor", "is not a regular file"},
        {"processes", "proc/meminfo", true, "Win32_PerfRawData_PerfProc_Process", "cannot be read"},
        {"processes", "proc/uptime", false, "Win32_PerfRawData_PerfProc_Process", "is larger than 16 MiB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        linux_::test::TreeCopy tree(c.tree);
        const std::string path = tree.root() + "/" + c.file;
        std::filesystem::remove(path);
        ASSERT_EQ(c.fifo ? ::mkfifo(path.c_str(), 0600) : ::symlink("/dev/zero", path.c_str()), 0);
        LocalSourceOptions options;
        options.root = tree.root();
        LocalSource source(std::move(options));
        try {
            source.connect("winmgmts:")->instancesOf(c.className);
            ADD_FAILURE() << "no error";
        } catch (const Error &e) {
            EXPECT_EQ(e.number(), err::Failed);
            EXPECT_NE(e.description().find(c.file), std::string::npos) << e.description();
            EXPECT_NE(e.description().find(c.fragment), std::string::npos) << e.description();
        }
    }
}

// ---- this computer ---------------------------------------------------------------------------------------

TEST(LocalSourceOnThisComputer, DescribesTheSystemAndItsLoad)
{
    LocalSource source;
    const std::unique_ptr<Service> service = source.connect("winmgmts:");

    const std::vector<Instance> os = service->instancesOf("Win32_OperatingSystem");
    ASSERT_EQ(os.size(), 1u);
    EXPECT_FALSE(os.front().get("Caption").text().empty());
    EXPECT_TRUE(isCimDateTime(os.front().get("LastBootupTime")));
    EXPECT_GE(os.front().get("NumberOfProcesses").number(), 1.0);

    const auto total = [&] {
        return service->execQuery("select * from Win32_PerfRawData_PerfOS_Processor where name = '_Total'");
    };
    const std::vector<Instance> first = total();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<Instance> second = total();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    const auto number = [](const Instance &i, const char *p) { return std::stod(i.get(p).text()); };
    const double idle = number(second[0], "PercentProcessorTime") - number(first[0], "PercentProcessorTime");
    const double time = number(second[0], "Timestamp_Sys100NS") - number(first[0], "Timestamp_Sys100NS");
    ASSERT_GE(time, 0.0);
    if (time == 0.0)
        GTEST_SKIP() << "no clock tick between the two samples";
    const double load = (1.0 - idle / time) * 100.0;
    EXPECT_GE(load, 0.0);
    EXPECT_LE(load, 100.0);
}

} // namespace
} // namespace quorvin::mgmt::test
