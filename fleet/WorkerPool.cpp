#include "fleet/WorkerPool.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvin::fleet {

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

struct WorkerPool::State : std::enable_shared_from_this<State> {
    struct Worker {
        std::condition_variable wake;
        std::function<void()> job; // handed over while it waits
        std::optional<Clock::time_point> busySince;
    };

    explicit State(Settings s) : settings(s) {}

    Settings settings;
    mutable std::mutex mutex;
    std::condition_variable supervisorWake;
    std::condition_variable allEnded;
    std::deque<std::function<void()>> queue;
    std::list<Worker> workers;   // every live worker thread
    std::vector<Worker *> idle;  // waiting for a job, the one idle last at the back
    std::size_t liveThreads = 0; // workers and the supervisor
    bool stopping = false;

    void spawnWorker()
    {
        Worker &worker = workers.emplace_back();
        ++liveThreads;
        std::thread([self = shared_from_this(), &worker] { self->work(worker); }).detach();
    }

    void endThread(std::unique_lock<std::mutex> &)
    {
        if (--liveThreads == 0)
            allEnded.notify_all();
    }

    void work(Worker &self)
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!self.job && !queue.empty()) {
                self.job = std::move(queue.front());
                queue.pop_front();
            }
            if (self.job) {
                std::function<void()> job = std::move(self.job);
                self.job = nullptr;
                self.busySince = Clock::now();
                lock.unlock();
                job();
                job = nullptr; // what it holds goes here, off the caller's thread
                lock.lock();
                self.busySince.reset();
                continue;
            }
            if (stopping)
                break;
            idle.push_back(&self);
            const bool woken =
                self.wake.wait_for(lock, settings.idleEnd, [&] { return self.job || stopping; });
            if (!self.job) // not handed a job: still in the idle list
                idle.erase(std::find(idle.begin(), idle.end(), &self));
            if (!woken && workers.size() > settings.ready)
                break;
        }
        workers.remove_if([&self](const Worker &w) { return &w == &self; });
        endThread(lock);
    }

    // Adds a thread for each busy one past the mark while jobs wait and none is free.
    void supervise()
    {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (queue.empty() || !idle.empty()) {
                supervisorWake.wait(lock);
                continue;
            }
            const auto now = Clock::now();
            std::size_t stalled = 0;
            std::optional<Clock::time_point> nextMark;
            for (const Worker &worker : workers) {
                if (!worker.busySince)
                    continue;
                const auto mark = *worker.busySince + settings.busyMark;
                if (mark <= now)
                    ++stalled;
                else if (!nextMark || mark < *nextMark)
                    nextMark = mark;
            }
            const std::size_t wanted = std::min(settings.ready + stalled, settings.ceiling);
            if (workers.size() < wanted) {
                for (std::size_t n = workers.size(); n < wanted; ++n)
                    spawnWorker();
                continue;
            }
            supervisorWake.wait_until(lock, nextMark.value_or(now + settings.busyMark));
        }
        endThread(lock);
    }
};

WorkerPool::WorkerPool(Settings settings) : m_state(std::make_shared<State>(settings))
{
    const std::lock_guard lock(m_state->mutex);
    for (std::size_t n = 0; n < settings.ready; ++n)
        m_state->spawnWorker();
    ++m_state->liveThreads;
    std::thread([state = m_state] { state->supervise(); }).detach();
}

WorkerPool::~WorkerPool()
{
    stop();
}

void WorkerPool::post(std::function<void()> job)
{
    State &s = *m_state;
    const std::lock_guard lock(s.mutex);
    if (s.stopping)
        return;
    if (!s.idle.empty()) {
        State::Worker *worker = s.idle.back();
        s.idle.pop_back();
        worker->job = std::move(job);
        worker->wake.notify_one();
        return;
    }
    s.queue.push_back(std::move(job));
    s.supervisorWake.notify_one();
}

bool WorkerPool::stop(std::optional<std::chrono::milliseconds> limit)
{
    State &s = *m_state;
    std::deque<std::function<void()>> dropped;
    std::unique_lock lock(s.mutex);
    s.stopping = true;
    dropped.swap(s.queue);
    for (State::Worker *worker : s.idle)
        worker->wake.notify_one();
    s.supervisorWake.notify_all();
    const auto ended = [&s] { return s.liveThreads == 0; };
    if (!limit) {
        s.allEnded.wait(lock, ended);
        return true;
    }
    return s.allEnded.wait_for(lock, *limit, ended);
}

std::size_t WorkerPool::threadCount() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->workers.size();
}

} // namespace quorvin::fleet
