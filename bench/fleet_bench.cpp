// The fleet window under measurement, for bench/fleet.sh (not run by dev.sh bench): the real window over the
// computers of a list, with a probe of its event loop's lateness and a count of each row's readings.
//   fleet_bench LIST WARMUP_S WINDOW_S
// Prints "measuring" after the warm-up, then after the window one line of figures:
//   rows, rows read throughout and the longest gap between two readings of any of them, rows that stopped
//   answering, readings a second, and the longest lateness of a timer of 10 ms.
#include "app/MessageBoxDialogs.h"
#include "fleet/ComputerSources.h"
#include "fleet/Fleet.h"
#include "fleet/FleetWindow.h"
#include "kit/Clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quorvin;
using namespace quorvin::fleet;

namespace {

constexpr int ProbeMs = 10;

// The readings of each row and the event loop's lateness, over the window.
class Probe final {
public:
    explicit Probe(FleetModel &model) : m_model(model)
    {
        QObject::connect(&model, &FleetModel::dataChanged, [this](const QModelIndex &from) {
            if (!m_measuring || m_model.stateAt(from.row()) != FleetModel::State::Watching)
                return;
            Row &row = m_rows[static_cast<std::size_t>(from.row())];
            const qint64 now = m_clock.elapsed();
            row.longestGap = std::max(row.longestGap, now - row.last);
            row.last = now;
            ++row.readings;
        });
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longestLate = std::max(m_longestLate, now - m_lastTick - ProbeMs);
            m_lastTick = now;
        });
    }

    void start()
    {
        m_clock.start();
        m_rows.assign(static_cast<std::size_t>(m_model.rowCount()), Row{});
        m_measuring = true;
        m_lastTick = 0;
        m_timer.start(ProbeMs);
    }

    void report(double windowSeconds) const
    {
        const qint64 end = m_clock.elapsed();
        int throughout = 0, stopped = 0;
        qint64 longest = 0, readings = 0;
        for (const Row &row : m_rows) {
            readings += row.readings;
            const qint64 gap = std::max(row.longestGap, end - row.last);
            // A row still answering at the end, with readings all along.
            if (row.readings > 0 && end - row.last < 3000) {
                ++throughout;
                longest = std::max(longest, gap);
            } else {
                ++stopped;
            }
        }
        std::printf("rows %zu; read throughout %d, longest gap between two readings %lld ms; stopped %d; "
                    "%.1f readings/s; event loop longest lateness %lld ms\n",
                    m_rows.size(), throughout, static_cast<long long>(longest), stopped,
                    static_cast<double>(readings) / windowSeconds, static_cast<long long>(m_longestLate));
        std::fflush(stdout);
    }

private:
    struct Row {
        qint64 last = 0;
        qint64 longestGap = 0;
        int readings = 0;
    };

    FleetModel &m_model;
    QElapsedTimer m_clock;
    QTimer m_timer;
    std::vector<Row> m_rows;
    bool m_measuring = false;
    qint64 m_lastTick = 0;
    qint64 m_longestLate = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fleet_bench LIST WARMUP_S WINDOW_S\n");
        return 2;
    }
    QApplication app(argc, argv);
    const int warmup = std::atoi(argv[2]), window = std::atoi(argv[3]);
    MessageBoxDialogs dialogs;
    SystemClock clock;
    Fleet fleet(computerSources({}), clock);
    FleetWindow shown(fleet, ComputerListFile(QString::fromLocal8Bit(argv[1])), dialogs, &openInQuorvin);
    shown.show();
    shown.start();
    Probe probe(fleet.model());
    QTimer::singleShot(warmup * 1000, [&probe] {
        probe.start();
        std::printf("measuring\n");
        std::fflush(stdout);
    });
    QTimer::singleShot((warmup + window) * 1000, [&] {
        probe.report(window);
        QApplication::quit();
    });
    const int status = QApplication::exec();
    // Workers still waiting on frozen collectors are not waited for.
    fleet.stop(std::chrono::seconds(1));
    std::fflush(nullptr);
    std::_Exit(status);
}
