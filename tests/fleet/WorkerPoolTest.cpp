// The pool of workers: stalled jobs do not hold up the others, and the threads stay bounded.
#include "fleet/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace quorvin::fleet;
using namespace std::chrono_literals;

namespace {

// Jobs that wait until the test lets them go.
class Gate {
public:
    std::function<void()> job()
    {
        return [this] {
            std::unique_lock lock(m_mutex);
            ++m_waiting;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
        };
    }
    void open()
    {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Waits (bounded) until `count` jobs wait here.
    bool waitForWaiting(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 30s, [&] { return m_waiting >= count; });
    }
    int waiting()
    {
        const std::lock_guard lock(m_mutex);
        return m_waiting;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_waiting = 0;
    bool m_open = false;
};

bool eventually(const std::function<bool()> &condition)
{
    for (int i = 0; i < 3000 && !condition(); ++i)
        std::this_thread::sleep_for(10ms);
    return condition();
}

} // namespace

// With every ready thread held by a job that does not end, the jobs posted after it still run.
TEST(WorkerPool, RunsOtherJobsBesideStalledOnes)
{
    WorkerPool::Settings settings;
    settings.ready = 1;
    settings.busyMark = 10ms;
    WorkerPool pool(settings);
    Gate stalled;
    pool.post(stalled.job());
    pool.post(stalled.job());
    std::atomic<int> done = 0;
    for (int i = 0; i < 5; ++i)
        pool.post([&done] { ++done; });
    EXPECT_TRUE(eventually([&] { return done == 5; }));
    EXPECT_TRUE(stalled.waitForWaiting(2));
    EXPECT_FALSE(pool.stop(10ms)) << "the stalled jobs still run";
    stalled.open();
    EXPECT_TRUE(pool.stop());
}

// However many jobs stall, no more threads than the ceiling run them.
TEST(WorkerPool, NeverRunsMoreThreadsThanItsCeiling)
{
    WorkerPool::Settings settings;
    settings.ready = 1;
    settings.ceiling = 3;
    settings.busyMark = 5ms;
    WorkerPool pool(settings);
    Gate stalled;
    for (int i = 0; i < 6; ++i)
        pool.post(stalled.job());
    ASSERT_TRUE(stalled.waitForWaiting(3));
    std::this_thread::sleep_for(50ms); // ten busy marks: time to add threads if it would
    EXPECT_EQ(stalled.waiting(), 3);
    EXPECT_LE(pool.threadCount(), 3u);
    stalled.open();
    EXPECT_TRUE(stalled.waitForWaiting(6)) << "the rest ran once the first ended";
}
