// Once the curve scrolls, every sample clears and redraws the whole visible history.
#include "kit/LineCanvas.h"
#include "pages/processor/UtilizationGraph.h"

#include <benchmark/benchmark.h>
#include <vector>

using namespace quorvin;

namespace {
// Keeps the lines as the window's surface does, so that the cost of retaining them is counted.
class RetainingCanvas final : public LineCanvas {
public:
    void clear() override { m_lines.clear(); }
    void drawLine(QPointF from, QPointF to) override { m_lines.emplace_back(from, to); }

private:
    std::vector<std::pair<QPointF, QPointF>> m_lines;
};
} // namespace

static void AddGraphSampleWhileScrolling(benchmark::State &state)
{
    RetainingCanvas canvas;
    std::int16_t points = static_cast<std::int16_t>(state.range(0));
    UtilizationGraph graph(
        canvas, [] { return QRectF(4080, 1200, 5415, 3375); }, points, [](bool) {});
    graph.RestartGraph();
    for (int i = 0; i < 1000; ++i) // full history, pen past the scroll threshold
        graph.AddGraphSample(i % 100);
    int i = 0;
    for (auto _ : state)
        graph.AddGraphSample(++i % 100);
}
BENCHMARK(AddGraphSampleWhileScrolling)->Arg(100)->Arg(909);
