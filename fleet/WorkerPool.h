#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace quorvin::fleet {

// Runs jobs on a few threads of its own: at most `ready` jobs at once, unless some run past the busy mark (a
// computer that stopped answering, or one far away): those no longer count, and a queued job starts in the
// place of each, on an idle thread or a new one up to the ceiling, so that a few stalled computers cannot
// hold up the others. The thread idle last takes the next job; a thread beyond the ready ones that finds
// no work for a while ends.
class WorkerPool final {
public:
    struct Settings {
        std::size_t ready = 4;
        std::size_t ceiling = 64;
        std::chrono::milliseconds busyMark{100};
        std::chrono::milliseconds idleEnd{10000};
    };

    WorkerPool() : WorkerPool(Settings{}) {}
    explicit WorkerPool(Settings settings);
    // Stops, waiting for the jobs that run.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // Ignored once stopped. The job must not throw.
    void post(std::function<void()> job);
    // Takes no more jobs, drops those that have not started, and waits for those that run, at most `limit`:
    // false when that ran out first (the jobs go on, and their threads end after them).
    bool stop(std::optional<std::chrono::milliseconds> limit = std::nullopt);

    std::size_t threadCount() const;

private:
    struct State;
    std::shared_ptr<State> m_state; // shared with the threads, which may outlive a stop that gave up waiting
};

} // namespace quorvin::fleet
