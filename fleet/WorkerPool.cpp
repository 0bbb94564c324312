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

    // Workers running a job that has not yet run past the busy mark.
    std::size_t running(Clock::time_point now) const
    {
        std::size_t count = 0;
        for (const Worker &worker : workers)
            count += worker.busySince && now - *worker.busySince < settings.busyMark ? 1 : 0;
        return count;
    }

    // Starts queued jobs while fewer than the ready number run: on the idle worker idle last, else on a new
    // one up to the ceiling.
    void startQueued()
    {
        const auto now = Clock::now();
        std::size_t runningNow = running(now);
        while (!queue.empty() && runningNow < settings.ready) {
            Worker *worker = nullptr;
            if (!idle.empty()) {
                worker = idle.back();
                idle.pop_back();
            } else if (workers.size() < settings.ceiling) {
                worker = &spawnWorker();
            } else {
                return;
            }
            worker->job = std::move(queue.front());
            worker->busySince = now; // counts as running from now on
            queue.pop_front();
            worker->wake.notify_one();
            ++runningNow;
        }
    }

    Worker &spawnWorker()
    {
        Worker &worker = workers.emplace_back();
        ++liveThreads;
        std::thread([self = shared_from_this(), &worker] { self->work(worker); }).detach();
        return worker;
    }

    void endThread()
    {
        if (--liveThreads == 0)
            allEnded.notify_all();
    }

    void work(Worker &self)
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (self.job) {
                std::function<void()> job = std::move(self.job);
                self.job = nullptr;
                self.busySince = Clock::now();
                lock.unlock();
                job();
                job = nullptr; // what it holds goes here, off the caller's thread
                lock.lock();
                self.busySince.reset();
                if (!queue.empty() && running(Clock::now()) < settings.ready) {
                    self.job = std::move(queue.front());
                    queue.pop_front();
                    continue;
                }
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
        endThread();
    }

    // Starts queued jobs in place of those that run past the busy mark.
    void supervise()
    {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (queue.empty()) {
                supervisorWake.wait(lock);
                continue;
            }
            startQueued();
            // Until the next job runs past the mark, or a mark's time to look again.
            const auto now = Clock::now();
            auto until = now + settings.busyMark;
            for (const Worker &worker : workers)
                if (worker.busySince && *worker.busySince + settings.busyMark > now)
                    until = std::min(until, *worker.busySince + settings.busyMark);
            supervisorWake.wait_until(lock, until);
        }
        endThread();
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
    const bool wasEmpty = s.queue.empty();
    s.queue.push_back(std::move(job));
    s.startQueued();
    // The supervisor watches a queue that is not empty; woken once, when it fills.
    if (wasEmpty && !s.queue.empty())
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
