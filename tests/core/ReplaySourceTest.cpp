#include "mgmt/replay/ReplaySource.h"
#include "mgmt/Error.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace quorvin::mgmt;
using Json = nlohmann::json;

namespace {

const char *const Recording = R"({
  "format": "quorvin-recording", "version": 1, "localComputer": "alpha",
  "computers": {
    "Alpha": {
      "select * from win32_operatingsystem": [
        [ { "Caption": "Debian", "CSDVersion": null, "NumberOfProcesses": 57, "Primary": true } ]
      ],
      "Select *  from Win32_PerfRawData_PerfOS_Processor": [
        [ { "Name": "_Total", "PercentProcessorTime": "1000" } ],
        [ { "Name": "_Total", "PercentProcessorTime": "1500" } ],
        { "error": { "number": -2147217406, "description": "Not found" } },
        [ { "Name": "_Total", "PercentProcessorTime": "2500" } ]
      ],
      "select * from win32_service": [
        [ { "Name": "ssh.service", "Started": true },
          { "Name": "it's.service", "Started": false },
          { "Name": "Spooler", "Started": true,
            "__methods": { "StopService": { "error": { "number": -2147024891, "description": "Access is denied." } } } } ]
      ],
      "select * from win32_service where name ='spooler'": [
        { "error": { "number": -2147024891, "description": "Access is denied." } }
      ]
    },
    "beta": { "error": { "number": -2147024891, "description": "Access is denied." } }
  }
})";

std::int32_t errorNumberOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

std::string idleOf(Service &service)
{
    return service.instancesOf("Win32_PerfRawData_PerfOS_Processor").at(0).get("percentprocessortime").text();
}

} // namespace

TEST(ReplaySource, ConnectsToListedAndLocalComputersOnly)
{
    auto source = ReplaySource::fromJson(Recording, "realhost");
    for (const char *moniker :
         {"winmgmts://alpha", "winmgmts://ALPHA", "winmgmts://", "winmgmts://.", "winmgmts://localhost",
          "winmgmts://RealHost", "winmgmts:{impersonationLevel=Impersonate}!\\\\alpha\\root\\cimv2"})
        EXPECT_NO_THROW(source->connect(moniker)) << moniker;
    try {
        source->connect("winmgmts://gamma");
        ADD_FAILURE();
    } catch (const Error &e) {
        EXPECT_EQ(e.number(), 462);
        EXPECT_EQ(e.description(), "The remote server machine does not exist or is unavailable");
    }
    EXPECT_EQ(errorNumberOf([&] { source->connect("winmgmts://beta"); }), err::AccessDenied);
}

TEST(ReplaySource, AnswersInTurnAndRepeatsTheLast)
{
    auto source = ReplaySource::fromJson(Recording);
    // The count belongs to the computer and the query, not to one connection.
    EXPECT_EQ(idleOf(*source->connect("winmgmts://alpha")), "1000");
    auto service = source->connect("winmgmts://alpha");
    EXPECT_EQ(idleOf(*service), "1500");
    EXPECT_EQ(errorNumberOf([&] { idleOf(*service); }), err::NotFound);
    EXPECT_EQ(idleOf(*service), "2500");
    EXPECT_EQ(idleOf(*service), "2500");
    EXPECT_EQ(service->execQuery("SELECT * FROM win32_perfrawdata_perfos_processor").at(0).get("Name").text(),
              "_Total");
}

TEST(ReplaySource, WhereNameIsAnsweredFromTheWholeClass)
{
    auto source = ReplaySource::fromJson(Recording);
    auto service = source->connect("winmgmts://alpha");
    auto ssh = service->execQuery("Select * from Win32_Service Where Name ='SSH.service'");
    ASSERT_EQ(ssh.size(), 1u);
    EXPECT_EQ(ssh[0].get("Started"), Value(true));
    EXPECT_EQ(service->execQuery("select * from win32_service where name = 'it\\'s.service'").size(), 1u);
    EXPECT_TRUE(service->execQuery("select * from win32_service where name='nothing'").empty());
    // A query with a key of its own uses it.
    EXPECT_EQ(errorNumberOf([&] { service->execQuery("Select * from Win32_Service Where Name ='spooler'"); }),
              err::AccessDenied);
}

TEST(ReplaySource, ValuesPropertiesAndMethods)
{
    auto source = ReplaySource::fromJson(Recording);
    auto service = source->connect("winmgmts://alpha");
    const auto os = service->instancesOf("win32_OperatingSystem").at(0);
    EXPECT_EQ(os.get("caption"), Value("Debian"));
    EXPECT_TRUE(os.get("CSDVersion").isNull());
    EXPECT_EQ(os.get("NumberOfProcesses"), Value(57));
    EXPECT_EQ(os.get("Primary"), Value(true));
    EXPECT_EQ(errorNumberOf([&] { os.get("Organization"); }), err::NotFound);
    EXPECT_EQ(errorNumberOf([&] { service->instancesOf("Win32_Process"); }), err::InvalidClass);
    EXPECT_EQ(errorNumberOf([&] { service->execQuery("select * from win32_process where name = 'x'"); }),
              err::InvalidClass);
    EXPECT_EQ(errorNumberOf([&] { service->execQuery("select name from win32_process"); }),
              err::InvalidQuery);

    const auto services = service->execQuery("select * from win32_service");
    EXPECT_NO_THROW(services[0].invoke("StartService"));
    EXPECT_NO_THROW(services[2].invoke("StartService"));
    EXPECT_EQ(errorNumberOf([&] { services[2].invoke("stopservice"); }), err::AccessDenied);
}

TEST(ReplaySource, RefusesFilesItCannotUse)
{
    const char *bad[] = {
        "not json",
        R"({"format": "something else", "version": 1, "computers": {}})",
        R"({"format": "quorvin-recording", "version": 2, "computers": {}})",
        R"({"format": "quorvin-recording", "version": 1})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"select * from x": []}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"select * from x": [[{"p": [1]}]]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"select * from x": [{"error": {}}]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"select * from x": [[1]]}}})",
        // Numbers no conversion may take: beyond a double, beyond 32 bits, not a process ID.
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"select * from x": [[{"p": 1e400}]]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"q": [{"error": {"number": 4294967296}}]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"q": [{"error": {"number": 18446744073709551615}}]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"q": [[{"IDprocess": 1e300}]]}}})",
        R"({"format": "quorvin-recording", "version": 1, "computers": {"a": {"q": [[{"Handle": "-4"}]]}}})",
        R"({"format": "quorvin-recording", "version": 1e309})", // found by fuzz_recording
    };
    for (const char *text : bad) {
        SCOPED_TRACE(text);
        try {
            ReplaySource::fromJson(text);
            ADD_FAILURE() << "accepted";
        } catch (const Error &e) {
            EXPECT_NE(e.description().find("recorded data set"), std::string::npos);
        }
    }
    // Not a file at all, or one that never ends: refused, not read forever.
    for (const char *path : {"/nonexistent/recording.json", "/dev/zero", "/proc"}) {
        try {
            ReplaySource::fromFile(path, {});
            ADD_FAILURE() << path;
        } catch (const Error &e) {
            EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
        }
    }
}

TEST(ReplaySource, ShippedRecordingsLoad)
{
    for (const auto &entry : std::filesystem::directory_iterator(QUORVIN_RECORDINGS_DIR)) {
        if (entry.path().extension() != ".json")
            continue;
        SCOPED_TRACE(entry.path().string());
        auto source = ReplaySource::fromFile(entry.path(), {});
        auto service = source->connect("winmgmts://");
        EXPECT_FALSE(service->instancesOf("win32_operatingsystem").empty());
        EXPECT_FALSE(service->instancesOf("Win32_PerfRawData_PerfOS_Processor").empty());
    }
}
