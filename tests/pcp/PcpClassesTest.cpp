// The translation from a collector's metric values to the classes' instances, from a saved fetch.
#include "mgmt/pcp/PcpClasses.h"
#include "SampleText.h"
#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/linux/CimDateTime.h"
#include "mgmt/pcp/PcpService.h"
#include "mgmt/pcp/PcpSource.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace quorvin;
using namespace quorvin::mgmt;
using namespace quorvin::mgmt::pcp;

namespace {

Sample saved()
{
    return test::loadSample(QUORVIN_PCP_FIXTURES "/qvpcp1.sample");
}

const Instance *named(const std::vector<Instance> &instances, std::string_view name)
{
    for (const Instance &instance : instances)
        if (const Value *value = instance.find(prop::Name); value && value->isText() && value->text() == name)
            return &instance;
    return nullptr;
}

std::string text(const Value &value)
{
    return value.isNull() ? "(null)" : toText(value);
}

// The error a class raises from a sample, as "NUMBER DESCRIPTION".
std::string failure(const Sample &sample, std::string_view className)
{
    try {
        pcpInstancesOf(sample, className);
    } catch (const Error &error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

// Every property in the Linux backends' units, so that the pages' arithmetic is the same.
TEST(PcpClasses, GiveTheLinuxBackendsPropertiesAndUnits)
{
    const Sample sample = saved();
    const std::string boot = linux_::formatCimDateTime(1765170000, linux_::localUtcOffsetMinutes(1765170000));
    const struct {
        std::string_view className;
        const char *instance; // nullptr: the only one
        std::string_view property;
        std::string expected;
    } cases[] = {
        {cls::OperatingSystem, nullptr, prop::Caption, "Debian 12.8"},
        {cls::OperatingSystem, nullptr, prop::CSDVersion, "Linux 6.1.0-28-amd64"},
        {cls::OperatingSystem, nullptr, prop::FreePhysicalMemory, "2048000"},
        {cls::OperatingSystem, nullptr, prop::TotalVisibleMemorySize, "4096000"},
        // Available memory and free swap (bytes), in kilobytes.
        {cls::OperatingSystem, nullptr, prop::FreeVirtualMemory, "2049024"},
        {cls::OperatingSystem, nullptr, prop::NumberOfProcesses, "3"},
        {cls::OperatingSystem, nullptr, prop::LastBootupTime, boot},
        {cls::OperatingSystem, nullptr, prop::InstallDate, "(null)"},
        {cls::OperatingSystem, nullptr, prop::SerialNumber, ""},
        {cls::Processor, nullptr, prop::Name, "Intel(R) Xeon(R) Processor"},
        {cls::Processor, nullptr, prop::NumberOfLogicalProcessors, "2"},
        // Idle + wait and all accounted time, milliseconds in 100 ns; "_Total" per processor.
        {cls::ProcessorCounters, "0", prop::PercentProcessorTime, "36000000"},
        {cls::ProcessorCounters, "0", prop::Timestamp, "45200000"},
        {cls::ProcessorCounters, "_Total", prop::PercentProcessorTime, "36500000"},
        {cls::ProcessorCounters, "_Total", prop::Timestamp, "44150000"},
        // Resident kilobytes in bytes; private = resident - shared, plus swapped; times in 100 ns; the
        // sample's time since boot in 100 ns; the start in clock ticks (100 a second).
        {cls::ProcessCounters, "sh", prop::WorkingSet, "1048576"},
        {cls::ProcessCounters, "sh", prop::PageFileBytes, "126976"},
        {cls::ProcessCounters, "sh", prop::PercentProcessorTime, "300000"},
        {cls::ProcessCounters, "sh", prop::Timestamp, "12005000000"},
        {cls::ProcessCounters, "sh", prop::StartTime, "12"},
        {cls::ProcessCounters, "sh", prop::HandleCount, "5"},
        {cls::ProcessCounters, "qvidle", prop::PageFileBytes, "118784"},
        {cls::ProcessCounters, "qvidle", prop::HandleCount, "0"}, // not given (another user's, over local:)
        {cls::ProcessCounters, "Idle", prop::PercentProcessorTime, "73000000"},
        {cls::ProcessCounters, "Idle", prop::ThreadCount, "2"},
        {cls::ProcessCounters, "_Total", prop::WorkingSet, "1867776"},
        {cls::Process, "qvidle", prop::Handle, "7"},
        {cls::Process, "qvidle", prop::StartTime, "35"},
        {cls::Process, "qvgone", prop::ProcessId, "9"},
        // Megabytes per second back to the kernel's megabits, in bits per second; none for loopback.
        {cls::NetworkInterface, "p_qvpcp1_r", prop::CurrentBandWidth, "10000000000"},
        {cls::NetworkInterface, "p_qvpcp1_r", prop::BytesReceived, "52000"},
        {cls::NetworkInterface, "p_qvpcp1_r", prop::PacketsSent, "450"},
        {cls::NetworkInterface, "lo", prop::CurrentBandWidth, "0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.className) + " " + (c.instance ? c.instance : "") + " " +
                     std::string(c.property));
        const std::vector<Instance> instances = pcpInstancesOf(sample, c.className);
        const Instance *instance = c.instance ? named(instances, c.instance) : &instances.at(0);
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(text(instance->get(c.property)), c.expected);
    }
}

// The fetch's list of processes is the truth: one that ended while the collector read it has no counters
// and is left out of them, and the instances come in ascending process ID order.
TEST(PcpClasses, ListTheProcessesOfTheFetchInIdOrder)
{
    const Sample sample = saved();
    std::vector<std::string> names;
    for (const Instance &instance : pcpInstancesOf(sample, cls::ProcessCounters))
        names.push_back(text(instance.get(prop::Name)));
    EXPECT_EQ(names, (std::vector<std::string>{"Idle", "sh", "qvidle", "_Total"}));
    EXPECT_EQ(pcpInstancesOf(sample, cls::Process).size(), 3u);
}

// Values from a collector are input like any other: what cannot be used raises a clear error naming the
// collector or the archive and the metric, never an abort.
TEST(PcpClasses, RefuseValuesTheyCannotUse)
{
    using Change = std::function<void(Sample &)>;
    const auto value = [](const char *metric, Atom atom) {
        return [=](Sample &s) { s.metrics[metric].values.at(0).value = atom; };
    };
    const auto gap = [](const char *metric, Gap kind, const char *why) {
        return [=](Sample &s) { s.metrics[metric] = MetricValues{kind, why, {}}; };
    };
    const struct {
        const char *what;
        Change change;
        std::string_view className;
        std::string expected; // the start of "NUMBER DESCRIPTION", or a part of it after "…"
    } cases[] = {
        {"a metric the collector does not have", gap("proc.psinfo.threads", Gap::Unknown, ""),
         cls::ProcessCounters,
         "-2147217407 The PCP collector pcp://qvpcp1 does not have the metric proc.psinfo.threads, which "
         "Quorvin reads for Win32_PerfRawData_PerfProc_Process."},
        {"a metric an archive did not log",
         [](Sample &s) {
             s.archive = true;
             s.source = "/var/log/pcp/pmlogger/web1/20261207";
             s.metrics["swap.free"] = MetricValues{Gap::Unknown, "", {}};
         },
         cls::OperatingSystem,
         "-2147217407 The PCP archive /var/log/pcp/pmlogger/web1/20261207 did not log the metric swap.free"},
        {"per-process values refused",
         gap("proc.psinfo.cmd", Gap::Refused, "No permission to perform requested operation"), cls::Process,
         "-2147024891 Access is denied. The PCP collector pcp://qvpcp1 gives no per-process values to this "
         "connection (No permission to perform requested operation)"},
        {"a counter below zero", value("kernel.all.cpu.idle", std::int64_t{-5}), cls::ProcessorCounters,
         "-2147217407 The PCP collector pcp://qvpcp1 gave a value out of range for the metric "
         "kernel.all.cpu.idle: -5."},
        {"a memory size that is not a number",
         value("proc.memory.rss", std::numeric_limits<double>::quiet_NaN()), cls::ProcessCounters,
         "…out of range for the metric proc.memory.rss"},
        {"a working set too large to count", value("proc.memory.rss", std::uint64_t{1} << 60),
         cls::ProcessCounters, "-2147217407 The working set of the process \"sh\" is too large to count."},
        {"a boot after the sample", value("kernel.all.boottime", std::uint64_t{1765171300}),
         cls::ProcessCounters, "…out of range for the metric kernel.all.boottime"},
        {"a text where a count belongs", value("proc.nprocs", std::string("many")), cls::OperatingSystem,
         "…of another type than expected for the metric proc.nprocs."},
        {"a speed beyond any link", value("network.interface.speed", 1e300), cls::NetworkInterface,
         "…out of range for the metric network.interface.speed"},
        {"a processor that is not named cpuN",
         [](Sample &s) { s.metrics["kernel.percpu.cpu.idle"].values.at(1).name = "node0"; },
         cls::ProcessorCounters, "…named a processor of the metric kernel.percpu.cpu.idle \"node0\""},
        {"a single value missing", [](Sample &s) { s.metrics["hinv.ncpu"].values.clear(); }, cls::Processor,
         "-2147217407 The PCP collector pcp://qvpcp1 gave no value of the metric hinv.ncpu."},
        {"no processors", value("hinv.ncpu", std::uint64_t{0}), cls::Processor, "…out of range"},
        {"a metric the agent failed",
         gap("mem.util.available", Gap::Failed, "Resource temporarily unavailable"), cls::OperatingSystem,
         "-2147217407 The PCP collector pcp://qvpcp1 could not give the metric mem.util.available: Resource "
         "temporarily unavailable."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Sample sample = saved();
        c.change(sample);
        const std::string said = failure(sample, c.className);
        if (c.expected.starts_with("…"))
            EXPECT_NE(said.find(c.expected.substr(std::string_view("…").size())), std::string::npos) << said;
        else
            EXPECT_EQ(said.rfind(c.expected, 0), 0u) << said;
    }
}

// Several classes from one fetch of all their metrics; a class whose values are refused gives its own error.
TEST(PcpClasses, OfSeveralClassesComeFromOneFetch)
{
    int fetches = 0;
    PcpService service([&fetches](std::span<const MetricNeed> needs) {
        ++fetches;
        Sample sample = saved();
        for (const MetricNeed &need : needs)
            EXPECT_TRUE(sample.metrics.count(std::string(need.name))) << need.name;
        sample.metrics["proc.psinfo.cmd"] = MetricValues{Gap::Refused, "No permission", {}};
        return sample;
    });
    const std::string_view classes[] = {cls::OperatingSystem, cls::ProcessCounters, cls::NetworkInterface};
    const std::vector<ClassAnswer> answers = service.instancesOfEach(classes);
    EXPECT_EQ(fetches, 1);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(text(answers[0].instances.at(0).get(prop::Caption)), "Debian 12.8");
    ASSERT_TRUE(answers[1].error);
    EXPECT_EQ(answers[1].error->number(), err::AccessDenied);
    EXPECT_FALSE(answers[2].error);
    EXPECT_FALSE(answers[2].instances.empty());
}

// The processors' total alone is made of the whole machine's metrics, the same as among all processors.
TEST(PcpClasses, TheProcessorsTotalAloneNeedsNoProcessorsOwnCounters)
{
    PcpService service([](std::span<const MetricNeed> needs) {
        for (const MetricNeed &need : needs)
            EXPECT_FALSE(need.name.starts_with("kernel.percpu.")) << need.name;
        return saved();
    });
    const std::string_view asks[] = {
        "select * from Win32_PerfRawData_PerfOS_Processor where name = '_total'"};
    const std::vector<ClassAnswer> answers = service.instancesOfEach(asks);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_FALSE(answers[0].error) << answers[0].error->what();
    ASSERT_EQ(answers[0].instances.size(), 1u);
    const std::vector<Instance> all = pcpInstancesOf(saved(), cls::ProcessorCounters);
    const Instance *total = named(all, "_Total");
    ASSERT_TRUE(total);
    for (const std::string_view property : {prop::Name, prop::PercentProcessorTime, prop::Timestamp})
        EXPECT_EQ(text(answers[0].instances[0].get(property)), text(total->get(property))) << property;
}

// PCP only reads: the services are not there, and ending a process is refused with a pointer to SSH.
TEST(PcpClasses, SayWhatPcpCannotDo)
{
    try {
        metricsOf(cls::Service);
        FAIL() << "services answered";
    } catch (const Error &error) {
        EXPECT_NE(error.description().find("Performance Co-Pilot has no metrics of services"),
                  std::string::npos);
        EXPECT_NE(error.description().find("SSH name"), std::string::npos);
    }
    const std::vector<Instance> processes = pcpInstancesOf(saved(), cls::Process);
    try {
        processes.at(0).invoke(method::Terminate);
        FAIL() << "Terminate was carried out";
    } catch (const Error &error) {
        EXPECT_EQ(error.number(), err::AccessDenied);
        EXPECT_EQ(
            error.description(),
            "Quorvin only reads through Performance Co-Pilot, so Terminate cannot act on the PCP collector "
            "pcp://qvpcp1. Watch the computer by its SSH name to act on it.");
    }
    EXPECT_THROW(metricsOf("Win32_Nothing"), Error);
}

TEST(PcpSource, TakesPcpsOwnHostAddressFromTheName)
{
    const struct {
        const char *name;
        std::optional<std::string> address;
    } cases[] = {
        {"pcp://web1", "web1"},
        {"PCP://WEB1:44321", "web1:44321"},
        {"PCP://LOCAL:", "local:"},
        {"pcp://web1?username=Ann&method=plain", "web1?username=Ann&method=plain"},
        {"pcp://", std::nullopt},
        {"pcp://web 1", std::nullopt},
        {"pcp://web1;reboot", "web1;reboot"}, // handed to PCP as it is, never to a shell
        {"pcp://web\"1", std::nullopt},
        {"web1", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hostAddressOf(c.name), c.address);
    }
}
