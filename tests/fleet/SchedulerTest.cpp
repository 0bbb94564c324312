// Who is read when, on a clock of the test's own.
#include "fleet/Scheduler.h"

#include <gtest/gtest.h>

using namespace quorvin::fleet;
using namespace std::chrono_literals;

namespace {

Scheduler::Settings withoutGrid()
{
    Scheduler::Settings settings;
    settings.slot = Scheduler::Duration::zero();
    return settings;
}

Scheduler::Time at(std::chrono::milliseconds ms)
{
    return Scheduler::Time{} + 1h + ms;
}

std::vector<Scheduler::Id> ids(const std::vector<Scheduler::Start> &starts)
{
    std::vector<Scheduler::Id> all;
    for (const Scheduler::Start &start : starts)
        all.push_back(start.id);
    return all;
}

} // namespace

// Each computer a period after it was last due, however late it started; never again while its reading is
// out, however late that is; one that answered later than a period is asked again at once.
TEST(Scheduler, AsksAPeriodAfterItWasDueAndNeverWhileOut)
{
    Scheduler s(withoutGrid());
    s.add(1, at(0ms));
    s.add(2, at(300ms));
    EXPECT_EQ(ids(s.takeDue(at(300ms))), (std::vector<Scheduler::Id>{1, 2}));
    EXPECT_TRUE(s.takeDue(at(5000ms)).empty()) << "both are out";
    EXPECT_FALSE(s.nextDue());
    s.finished(1, true, at(400ms));
    EXPECT_EQ(s.nextDue(), at(1000ms));
    EXPECT_TRUE(s.takeDue(at(999ms)).empty());
    EXPECT_EQ(ids(s.takeDue(at(1000ms))), (std::vector<Scheduler::Id>{1}));
    s.finished(2, true, at(2500ms)); // 2.2 s late
    EXPECT_EQ(ids(s.takeDue(at(2500ms))), (std::vector<Scheduler::Id>{2}));
    EXPECT_TRUE(s.isOut(2));
    EXPECT_EQ(s.outSince(2), at(2500ms));
}

// Due times fall on the slots' grid, and stay there: the computers of one slot are asked together.
TEST(Scheduler, AsksOnAGridOfSlots)
{
    Scheduler s; // slots of 250 ms
    s.add(1, at(300ms));
    s.takeDue(at(300ms));
    s.finished(1, true, at(400ms));
    EXPECT_EQ(s.nextDue(), at(1500ms));
    s.takeDue(at(1500ms));
    s.finished(1, true, at(1520ms));
    EXPECT_EQ(s.nextDue(), at(2500ms));
    s.takeDue(at(2500ms));
    s.finished(1, false, at(2600ms));
    EXPECT_EQ(s.nextDue(), at(3750ms)) << "a second's wait, on the grid";
}

// A computer that fails is tried again after 1, 2, 4 … seconds, at most a minute; an answer ends that.
TEST(Scheduler, WaitsLongerAfterEachFailure)
{
    Scheduler s(withoutGrid());
    s.add(7, at(0ms));
    std::chrono::milliseconds now = 0ms;
    for (const auto wait : {1s, 2s, 4s, 8s, 16s, 32s, 60s, 60s}) {
        ASSERT_EQ(ids(s.takeDue(at(now))), (std::vector<Scheduler::Id>{7}));
        s.finished(7, false, at(now));
        EXPECT_EQ(s.nextDue(), at(now + wait));
        now += wait;
    }
    s.takeDue(at(now));
    s.finished(7, true, at(now));
    EXPECT_EQ(s.nextDue(), at(now + 1s));
    s.takeDue(at(now + 1s));
    s.finished(7, false, at(now + 1s));
    EXPECT_EQ(s.nextDue(), at(now + 2s)) << "the waits start again at one second";
}

// Computers not known to answer are tried only a few at a time; those that answer are never held back by
// them, and a computer forgotten while its reading was out frees its place.
TEST(Scheduler, ConnectsOnlyAFewAtATime)
{
    Scheduler::Settings settings = withoutGrid();
    settings.connectingAtOnce = 2;
    Scheduler s(settings);
    s.add(1, at(0ms));
    s.takeDue(at(0ms));
    s.finished(1, true, at(10ms)); // answers from now on
    for (Scheduler::Id id = 2; id <= 5; ++id)
        s.add(id, at(0ms));
    const auto first = s.takeDue(at(20ms));
    EXPECT_EQ(ids(first), (std::vector<Scheduler::Id>{2, 3}));
    EXPECT_TRUE(first.front().connecting);
    const auto answering = s.takeDue(at(1000ms));
    ASSERT_EQ(ids(answering), (std::vector<Scheduler::Id>{1}));
    EXPECT_FALSE(answering.front().connecting);
    s.remove(2);
    EXPECT_FALSE(s.finished(2, true, at(1100ms))) << "its late reading is dropped";
    EXPECT_EQ(ids(s.takeDue(at(1100ms))), (std::vector<Scheduler::Id>{4}));
    s.finished(3, false, at(1200ms));
    EXPECT_EQ(ids(s.takeDue(at(1200ms))), (std::vector<Scheduler::Id>{5}));
}
