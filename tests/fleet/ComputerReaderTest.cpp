// One computer's row from its classes, with the pages' arithmetic, on a clock of the test's own.
#include "fleet/ComputerReader.h"
#include "FakeComputers.h"
#include "kit/Clock.h"

#include <gtest/gtest.h>

using namespace quorvin;
using namespace quorvin::fleet;
using test::FakeComputers;

namespace {

class FakeClock final : public Clock {
public:
    double monotonicSeconds() const override { return seconds; }
    QDateTime now() const override { return QDateTime::fromSecsSinceEpoch(epoch); }
    double seconds = 1000;
    qint64 epoch = 1704067200 + 93784; // a day, 2 hours, 3 minutes and 4 seconds after the fake boot
};

} // namespace

// Two readings two seconds apart give every value of the row.
TEST(ComputerReader, GivesTheRowsValuesFromTwoReadings)
{
    FakeComputers computers;
    computers.set("web1", [](FakeComputers::Computer &c) { c.load = 25; });
    FakeClock clock;
    ComputerReader reader("web1", computers.maker(), clock);
    const ReadOutcome first = reader.read(true);
    ASSERT_TRUE(first.answered) << first.why;
    EXPECT_FALSE(first.reading.processorPercent) << "one sample tells no load";
    EXPECT_FALSE(first.reading.receivedBitsPerSecond);
    clock.seconds += 2;
    const ReadOutcome second = reader.read(true);
    ASSERT_TRUE(second.answered) << second.why;
    const ComputerReading &r = second.reading;
    EXPECT_EQ(r.operatingSystem, "Fake Linux 1");
    EXPECT_EQ(r.upSeconds, 93784);
    EXPECT_EQ(r.processorPercent, 25);
    EXPECT_EQ(r.memoryPercent, 75);
    EXPECT_EQ(r.freeKilobytes, 1'000'000);
    EXPECT_EQ(r.processes, 42);
    EXPECT_EQ(r.receivedBitsPerSecond, 1000 * 8 / 2.0);
    EXPECT_EQ(r.sentBitsPerSecond, 500 * 8 / 2.0);
    EXPECT_EQ(r.topProcess, "busy");
    EXPECT_EQ(r.topProcessPercent, 25);
    // Without the processes, the busiest one read last stays.
    clock.seconds += 1;
    EXPECT_EQ(reader.read(false).reading.topProcess, "busy");
}

// Why there is no reading, or no value of one class, as the state and the tooltips say it.
TEST(ComputerReader, SaysWhyItHasNoValues)
{
    FakeComputers computers;
    FakeClock clock;
    ComputerReader reader("db1", computers.maker(), clock);
    const struct {
        FakeComputers::Behaviour behaviour;
        bool answered;
        Failure failure;
        const char *why;
    } cases[] = {
        {FakeComputers::Behaviour::Unreachable, false, Failure::Unreachable,
         "does not exist or is unavailable"},
        {FakeComputers::Behaviour::Denied, false, Failure::AccessDenied, "Access is denied"},
        {FakeComputers::Behaviour::Answer, true, Failure::Unreachable, ""},
    };
    for (const auto &c : cases) {
        computers.set("db1", [&c](FakeComputers::Computer &computer) { computer.behaviour = c.behaviour; });
        const ReadOutcome outcome = reader.read(false);
        EXPECT_EQ(outcome.answered, c.answered);
        if (!c.answered) {
            EXPECT_EQ(outcome.failure, c.failure);
            EXPECT_NE(outcome.why.find(c.why), std::string::npos) << outcome.why;
        }
    }
    computers.set("db1", [](FakeComputers::Computer &c) { c.refusesProcesses = true; });
    const ReadOutcome refused = reader.read(true);
    ASSERT_TRUE(refused.answered);
    EXPECT_TRUE(refused.reading.topProcess.empty());
    EXPECT_NE(refused.reading.topProcessWhy.find("No per-process values"), std::string::npos);
    EXPECT_EQ(refused.reading.operatingSystem, "Fake Linux 1") << "the other classes still give theirs";
}

// The boot time as the classes give it, in local time with its offset.
TEST(ComputerReader, ReadsCimDateTimes)
{
    const struct {
        const char *text;
        std::optional<std::int64_t> epoch;
    } cases[] = {
        {"20240101000000.000000+000", 1704067200},
        {"20240101010000.000000+060", 1704067200},
        {"20231231190000.000000-300", 1704067200},
        {"20240230000000.000000+000", std::nullopt}, // no such day
        {"2024010100000.000000+000", std::nullopt},
        {"20240101000000.000000*000", std::nullopt},
        {"2024010100000x.000000+000", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(epochOfCimDateTime(c.text), c.epoch) << c.text;
}
