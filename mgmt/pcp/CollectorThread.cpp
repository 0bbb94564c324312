#include "mgmt/pcp/CollectorThread.h"
#include "mgmt/pcp/PcpConnection.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace quorvin::mgmt::pcp {

namespace {
constexpr auto Slice = std::chrono::milliseconds(100);

struct Task {
    CollectorThread::Job job;
    bool done = false;
    std::exception_ptr error;
};
} // namespace

struct CollectorThread::State {
    std::mutex mutex;
    std::condition_variable wake;     // the thread: a task, or the end
    std::condition_variable finished; // the caller: a task done
    std::shared_ptr<Task> pending;
    bool busy = false;
    bool stop = false;
    std::unique_ptr<PcpConnection> connection; // only ever touched on the thread
    std::thread thread;

    void loop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || pending; });
            if (stop)
                break;
            const std::shared_ptr<Task> task = std::move(pending);
            busy = true;
            lock.unlock();
            try {
                task->job(connection);
            } catch (...) {
                task->error = std::current_exception();
            }
            lock.lock();
            busy = false;
            task->done = true;
            finished.notify_all();
        }
        lock.unlock();
        connection.reset();
    }
};

CollectorThread::CollectorThread() : m_state(std::make_shared<State>())
{
    // The thread holds the state, so that a thread left blocked in a call outlives this object safely.
    m_state->thread = std::thread([state = m_state] { state->loop(); });
}

CollectorThread::~CollectorThread()
{
    bool blocked = false;
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
        m_state->pending.reset();
        blocked = m_state->busy;
    }
    m_state->wake.notify_all();
    if (blocked)
        m_state->thread.detach();
    else
        m_state->thread.join();
}

bool CollectorThread::run(Job job, std::chrono::milliseconds limit, const WhileWaiting &whileWaiting)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto task = std::make_shared<Task>();
    task->job = std::move(job);
    // Waits in slices until the condition holds; false when the deadline came first.
    const auto waitFor = [&](std::unique_lock<std::mutex> &lock, std::condition_variable &signal,
                             const std::function<bool()> &condition) {
        while (!condition()) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline)
                return false;
            signal.wait_for(lock, std::min<std::chrono::steady_clock::duration>(Slice, deadline - now));
            if (!condition() && whileWaiting) {
                lock.unlock();
                whileWaiting();
                lock.lock();
            }
        }
        return true;
    };
    std::unique_lock lock(m_state->mutex);
    if (!waitFor(lock, m_state->finished, [this] { return !m_state->busy && !m_state->pending; }))
        return false;
    m_state->pending = task;
    m_state->wake.notify_all();
    if (!waitFor(lock, m_state->finished, [&task] { return task->done; }))
        return false;
    lock.unlock();
    if (task->error)
        std::rethrow_exception(task->error);
    return true;
}

} // namespace quorvin::mgmt::pcp
