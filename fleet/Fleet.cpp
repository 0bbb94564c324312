#include "fleet/Fleet.h"
#include "kit/Clock.h"

#include <QPointer>

namespace quorvin::fleet {

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

Fleet::Fleet(SourceMaker makeSource, const quorvin::Clock &clock, Settings settings)
    : m_makeSource(std::move(makeSource)), m_clock(clock), m_settings(settings),
      m_model(clock, settings.thresholds), m_scheduler(settings.schedule), m_pool(settings.pool)
{
    m_dispatchTimer.setSingleShot(true);
    m_dispatchTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_dispatchTimer, &QTimer::timeout, this, &Fleet::dispatch);
    m_gatherTimer.setSingleShot(true);
    m_gatherTimer.setInterval(static_cast<int>(settings.gather.count()));
    connect(&m_gatherTimer, &QTimer::timeout, this, &Fleet::takeIn);
    m_waitingTimer.setInterval(std::max<int>(1, static_cast<int>(settings.waitingAfter.count() / 3)));
    connect(&m_waitingTimer, &QTimer::timeout, this, &Fleet::markWaiting);
    m_waitingTimer.start();
}

Fleet::~Fleet()
{
    stop();
}

bool Fleet::stop(std::optional<std::chrono::milliseconds> limit)
{
    m_stopped = true;
    m_dispatchTimer.stop();
    m_gatherTimer.stop();
    m_waitingTimer.stop();
    return m_pool.stop(limit);
}

void Fleet::watch(const QString &computer)
{
    if (m_stopped || watches(computer))
        return;
    const Scheduler::Id id = m_nextId++;
    m_computers.emplace(
        id, Computer{computer,
                     std::make_shared<ComputerReader>(computer.toStdString(), m_makeSource, m_clock), 0});
    m_model.addComputer(computer);
    m_scheduler.add(id, Clock::now());
    dispatch();
}

void Fleet::forget(const QString &computer)
{
    for (auto it = m_computers.begin(); it != m_computers.end(); ++it) {
        if (it->second.name != computer)
            continue;
        const bool out = m_scheduler.isOut(it->first);
        m_scheduler.remove(it->first);
        // Its connection is closed on a worker, where closing may wait on the network; a reading that is
        // out holds the reader until it ends there.
        if (!out)
            m_pool.post([reader = std::move(it->second.reader)]() mutable { reader.reset(); });
        m_computers.erase(it);
        m_model.removeComputer(m_model.rowOf(computer));
        dispatch();
        return;
    }
}

bool Fleet::watches(const QString &computer) const
{
    for (const auto &[id, watched] : m_computers)
        if (watched.name == computer)
            return true;
    return false;
}

void Fleet::dispatch()
{
    if (m_stopped)
        return;
    const auto now = Clock::now();
    for (const Scheduler::Start &start : m_scheduler.takeDue(now)) {
        Computer &computer = m_computers.at(start.id);
        const int n = computer.readings++;
        const bool withProcesses = n < 2 || n % m_settings.processesEvery == 0;
        m_pool.post([this, id = start.id, reader = computer.reader, withProcesses] {
            ReadOutcome outcome = reader->read(withProcesses);
            bool first = false;
            {
                const std::lock_guard lock(m_inbox.mutex);
                first = m_inbox.outcomes.empty();
                m_inbox.outcomes.emplace_back(id, std::move(outcome));
            }
            // The window is woken once for what comes back until it takes it in.
            if (first)
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (!m_gatherTimer.isActive())
                            m_gatherTimer.start();
                    },
                    Qt::QueuedConnection);
        });
    }
    if (const std::optional<Scheduler::Time> next = m_scheduler.nextDue()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
        m_dispatchTimer.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count())));
    } else {
        m_dispatchTimer.stop();
    }
}

void Fleet::takeIn()
{
    std::vector<std::pair<Scheduler::Id, ReadOutcome>> outcomes;
    {
        const std::lock_guard lock(m_inbox.mutex);
        outcomes.swap(m_inbox.outcomes);
    }
    for (auto &[id, outcome] : outcomes)
        finish(id, std::move(outcome));
    dispatch();
}

void Fleet::finish(Scheduler::Id id, ReadOutcome outcome)
{
    if (!m_scheduler.finished(id, outcome.answered, Clock::now()))
        return; // forgotten meanwhile
    ++m_readingsDone;
    const int row = m_model.rowOf(m_computers.at(id).name);
    if (outcome.answered)
        m_model.setReading(row, outcome.reading);
    else
        m_model.setFailure(row, outcome.failure, QString::fromStdString(outcome.why));
}

void Fleet::markWaiting()
{
    const auto now = Clock::now();
    for (const auto &[id, computer] : m_computers) {
        const std::optional<Scheduler::Time> since = m_scheduler.outSince(id);
        if (!since || now - *since < m_settings.waitingAfter)
            continue;
        const int row = m_model.rowOf(computer.name);
        if (m_model.stateAt(row) == FleetModel::State::Watching)
            m_model.setWaiting(
                row, m_clock.now().addMSecs(
                         -std::chrono::duration_cast<std::chrono::milliseconds>(now - *since).count()));
    }
}

} // namespace quorvin::fleet
