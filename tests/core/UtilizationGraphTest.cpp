#include "pages/processor/UtilizationGraph.h"
#include "mgmt/Error.h"
#include "support/RecordingCanvas.h"

#include <gtest/gtest.h>

using namespace quorvin;
using quorvin::test::RecordingCanvas;

namespace {

// The graph over the designed label: Left 4080, Top 1200, Width 5415, Height 3375.
struct GraphFixture : ::testing::Test {
    RecordingCanvas canvas;
    std::int16_t points = 100;
    std::vector<bool> pollSwitches;
    UtilizationGraph graph{canvas, [] { return QRectF(4080, 1200, 5415, 3375); }, points,
                           [this](bool on) { pollSwitches.push_back(on); }};

    void add(int samples, double percent = 50)
    {
        for (int i = 0; i < samples; ++i)
            graph.AddGraphSample(percent);
    }
};

} // namespace

TEST_F(GraphFixture, GeometryOfTheDesignedLabel)
{
    EXPECT_DOUBLE_EQ(graph.step(), 54.15);
    EXPECT_DOUBLE_EQ(graph.yOf(0), 4555);
    EXPECT_DOUBLE_EQ(graph.yOf(100), 1200);
    EXPECT_DOUBLE_EQ(graph.yOf(50), 1200 + 3355 / 2.0);
    EXPECT_DOUBLE_EQ(graph.scrollThreshold(), 8545.5);

    graph.RestartGraph();
    EXPECT_EQ(canvas.clears, 1);
    graph.AddGraphSample(0);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].p1(), QPointF(4080, 4565));
    EXPECT_NEAR(canvas.lines[0].p2().x(), 4134.15, 1e-3);
    EXPECT_NEAR(canvas.lines[0].p2().y(), 4555, 1e-3);
    EXPECT_NEAR(graph.entry(1).backX, -54.15, 1e-9);
    EXPECT_DOUBLE_EQ(graph.entry(1).backY, 10);
}

TEST_F(GraphFixture, ScrollsFromThe83rdSampleAfterARestart)
{
    graph.RestartGraph();
    add(82);
    EXPECT_EQ(canvas.clears, 1);
    EXPECT_EQ(canvas.lines.size(), 82u);
    add(1);
    EXPECT_EQ(canvas.clears, 2) << "the 83rd sample redraws one step left";
    EXPECT_NEAR(graph.GraphPenX(), 4080 + 82 * 54.15, 1e-6);
    const double newest = graph.GraphPenX();
    for (int i = 0; i < 40; ++i) {
        graph.AddGraphSample(i % 2 ? 90 : 10);
        EXPECT_NEAR(graph.GraphPenX(), newest, 1e-6) << "the newest point stays put while the curve scrolls";
    }
    for (const QLineF &line : canvas.lines) {
        EXPECT_GE(std::min(line.x1(), line.x2()), 4080 - 1e-3) << "nothing is drawn left of the label";
        EXPECT_LE(std::max(line.x1(), line.x2()), 8545.5);
    }
}

TEST_F(GraphFixture, HistoryBeforeARestartIsNotDrawn)
{
    graph.RestartGraph();
    add(30, 80);
    graph.RestartGraph();
    add(83, 20);
    for (const QLineF &line : canvas.lines)
        EXPECT_GE(std::min(line.x1(), line.x2()), 4080 - 1e-3);
    EXPECT_EQ(graph.GraphPointCount(), 113);
}

TEST_F(GraphFixture, The1001stSampleCompactsTheHistory)
{
    graph.RestartGraph();
    for (int i = 1; i <= 1000; ++i)
        graph.AddGraphSample(i % 100);
    const UtilizationGraph::Entry e891 = graph.entry(891), e1000 = graph.entry(1000);
    const int clearsBefore = canvas.clears;
    graph.AddGraphSample(42);
    EXPECT_EQ(graph.GraphPointCount(), 111);
    EXPECT_DOUBLE_EQ(graph.entry(1).backY, e891.backY);
    EXPECT_DOUBLE_EQ(graph.entry(110).backY, e1000.backY);
    EXPECT_NEAR(graph.GraphPenY(), graph.yOf(42), 1e-9);
    EXPECT_EQ(pollSwitches, (std::vector<bool>{false, true}));
    EXPECT_EQ(canvas.clears, clearsBefore + 1) << "only the scroll redraw, not the compaction, clears";
}

TEST_F(GraphFixture, AChangedPointCountKeepsOldSegmentWidths)
{
    graph.RestartGraph();
    add(10);
    points = 50;
    add(1);
    EXPECT_NEAR(graph.entry(10).backX, -54.15, 1e-9);
    EXPECT_NEAR(graph.entry(11).backX, -108.3, 1e-9);
    add(36); // the curve has just started to scroll
    // The redraw walks the stored offsets, so the first ten segments keep their width.
    const QLineF &oldest = canvas.lines.back();
    EXPECT_NEAR(oldest.x1() - oldest.x2(), 54.15, 1e-3);
}

TEST_F(GraphFixture, ACompactionThatWouldLeaveTheTableFailsAndRestoresThePoll)
{
    graph.RestartGraph();
    add(1000);
    points = 910;
    try {
        graph.AddGraphSample(10);
        ADD_FAILURE();
    } catch (const mgmt::Error &e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(pollSwitches, (std::vector<bool>{false, true}));
    EXPECT_THROW(graph.entry(0), mgmt::Error);
    EXPECT_THROW(graph.entry(1001), mgmt::Error);
}
