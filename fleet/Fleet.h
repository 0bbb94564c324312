#pragma once
#include "fleet/ComputerReader.h"
#include "fleet/FleetModel.h"
#include "fleet/Scheduler.h"
#include "fleet/WorkerPool.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace quorvin {
class Clock;
}

namespace quorvin::fleet {

// The watch of many computers, each read off this thread on its own schedule by a pool of workers: a
// computer whose reading is out is not asked again until it comes back, one that fails is tried again after
// a growing wait, and each reading changes only its own row. Nothing here waits on a computer.
class Fleet final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        Scheduler::Settings schedule;
        WorkerPool::Settings pool;
        MarkThresholds thresholds;
        int processesEvery = 5; // read the processes at the first two readings, then every this many
        std::chrono::milliseconds waitingAfter{3000}; // a reading out this long marks its row as waiting
        // Readings that come back are taken in together after this long, so that the window wakes and
        // paints a few times a second, not once for each computer.
        std::chrono::milliseconds gather{50};
    };

    Fleet(SourceMaker makeSource, const Clock &clock, Settings settings);
    Fleet(SourceMaker makeSource, const Clock &clock) : Fleet(std::move(makeSource), clock, Settings{}) {}
    // Waits for the readings that are out.
    ~Fleet() override;

    // A computer already watched is left as it is.
    void watch(const QString &computer);
    void forget(const QString &computer);
    bool watches(const QString &computer) const;

    // Stops reading: waits at most `limit` for the readings that are out; false when some are still out.
    bool stop(std::optional<std::chrono::milliseconds> limit = std::nullopt);

    FleetModel &model() noexcept { return m_model; }
    // Readings that came back, for tests and the benchmark.
    std::uint64_t readingsDone() const noexcept { return m_readingsDone; }

private:
    struct Computer {
        QString name;
        std::shared_ptr<ComputerReader> reader;
        int readings = 0;
    };
    // The readings that came back and are not yet taken in, filled by the workers.
    struct Inbox {
        std::mutex mutex;
        std::vector<std::pair<Scheduler::Id, ReadOutcome>> outcomes;
    };

    void dispatch();
    void takeIn();
    void finish(Scheduler::Id id, ReadOutcome outcome);
    void markWaiting();

    SourceMaker m_makeSource;
    const Clock &m_clock;
    Settings m_settings;
    FleetModel m_model;
    Scheduler m_scheduler;
    std::unordered_map<Scheduler::Id, Computer> m_computers;
    Scheduler::Id m_nextId = 1;
    Inbox m_inbox;
    QTimer m_dispatchTimer; // at the next computer due
    QTimer m_gatherTimer;   // takes in what came back meanwhile
    QTimer m_waitingTimer;  // marks readings out too long
    std::uint64_t m_readingsDone = 0;
    bool m_stopped = false;
    WorkerPool m_pool; // last: stopped before the rest goes
};

} // namespace quorvin::fleet
