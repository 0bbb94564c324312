// The thread every PMAPI call of a collector runs on, and the caller's bounded wait.
#include "mgmt/pcp/CollectorThread.h"
#include "mgmt/Error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

using namespace quorvin;
using namespace quorvin::mgmt::pcp;

namespace {
constexpr auto Generous = std::chrono::seconds(60);
} // namespace

TEST(CollectorThread, RunsJobsOffTheCallersThreadAndPassesOnWhatTheyRaise)
{
    CollectorThread thread;
    std::thread::id ranOn;
    EXPECT_TRUE(thread.run([&](auto &) { ranOn = std::this_thread::get_id(); }, Generous, {}));
    EXPECT_TRUE(ranOn != std::this_thread::get_id());
    try {
        thread.run([](auto &) { throw mgmt::Error(mgmt::err::Failed, "lost"); }, Generous, {});
        FAIL() << "nothing raised";
    } catch (const mgmt::Error &error) {
        EXPECT_EQ(error.description(), "lost");
    }
}

// A call that blocks past the limit leaves the caller, who kept its window painted meanwhile; the next job
// runs once the blocked one has ended, and a thread destroyed while blocked ends on its own afterwards.
TEST(CollectorThread, GivesUpOnABlockedCallAndRunsTheNextJobAfterIt)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int waits = 0;
    {
        CollectorThread thread;
        EXPECT_FALSE(thread.run([released](auto &) { released.wait(); }, std::chrono::milliseconds(300),
                                [&] { ++waits; }));
        EXPECT_GT(waits, 0);
        release.set_value();
        bool ran = false;
        EXPECT_TRUE(thread.run([&](auto &) { ran = true; }, Generous, {}));
        EXPECT_TRUE(ran);

        std::promise<void> second;
        std::shared_future<void> secondReleased = second.get_future().share();
        EXPECT_FALSE(thread.run([secondReleased](auto &) { secondReleased.wait(); },
                                std::chrono::milliseconds(100), {}));
        second.set_value(); // the thread is destroyed with the job still running, or just ended
    }
}
