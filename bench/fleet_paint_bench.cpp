// The fleet window's cost per second that is not the network's: painting the rows in sight once all
// computers answered (once a second), and taking the readings into the model.
#include "bench/BenchWindow.h"
#include "fleet/FleetCellDelegate.h"
#include "fleet/FleetModel.h"
#include "fleet/FleetSortProxy.h"
#include <QTableView>

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace quorvin;

constexpr int Computers = 200;

fleet::ComputerReading readingOf(int computer, int second)
{
    fleet::ComputerReading reading;
    reading.operatingSystem = "Debian GNU/Linux 12 (bookworm)";
    reading.upSeconds = 86400.0 * 3 + second;
    reading.processorPercent = (computer * 7 + second * 13) % 100 + 0.25;
    reading.memoryPercent = (computer * 3 + second) % 100 + 0.5;
    reading.freeKilobytes = 4'000'000.0 + computer * 1000 + second;
    reading.processes = 300 + (computer + second) % 50;
    reading.receivedBitsPerSecond = 1e6 * (computer % 10) + second;
    reading.sentBitsPerSecond = 2e5 * (computer % 7) + second;
    reading.topProcess = "postgres";
    reading.topProcessPercent = 12.5 + second % 10;
    return reading;
}

struct FleetTable {
    bench::StillClock clock;
    fleet::FleetModel model{clock};
    fleet::FleetSortProxy proxy;
    QTableView view;
    int second = 0;

    FleetTable()
    {
        for (int i = 0; i < Computers; ++i)
            model.addComputer(QStringLiteral("pcp://web%1.example.org").arg(i));
        proxy.setSourceModel(&model);
        view.setModel(&proxy);
        view.setItemDelegate(new fleet::FleetCellDelegate(&view));
        view.setAlternatingRowColors(true);
        view.resize(1400, 560);
        view.show();
        // Ten minutes of history in every graph, as after a while.
        for (int s = 0; s < 600; ++s)
            readAll();
    }

    void readAll()
    {
        ++second;
        for (int i = 0; i < Computers; ++i)
            model.setReading(i, readingOf(i, second));
    }
};

// The readings of all computers taken into the model.
void BM_FleetReadingsTakenIn(benchmark::State &state)
{
    FleetTable table;
    for (auto _ : state)
        table.readAll();
    state.SetItemsProcessed(state.iterations() * Computers);
}
BENCHMARK(BM_FleetReadingsTakenIn)->Unit(benchmark::kMillisecond);

// The rows in sight painted again after every computer answered.
void BM_FleetRowsPainted(benchmark::State &state)
{
    FleetTable table;
    QImage image(table.view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        table.readAll();
        state.ResumeTiming();
        QPainter painter(&image);
        table.view.viewport()->render(&painter);
    }
}
BENCHMARK(BM_FleetRowsPainted)->Unit(benchmark::kMillisecond);

} // namespace
