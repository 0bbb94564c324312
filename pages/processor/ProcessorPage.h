#pragma once
#include "kit/Page.h"
#include "pages/processor/ProcessorControls.h"
#include "pages/processor/UtilizationGraph.h"

#include <QString>
#include <Qt>
#include <optional>

class QEvent;
class QLineEdit;

namespace quorvin {

struct PageContext;

// The Processor Utilization page: the load from two raw samples, its bar and label, the history graph and its
// click read-out.
class ProcessorPage final : public Page {
public:
    explicit ProcessorPage(PageContext &context);

    const ProcessorControls &controls() const noexcept { return m_controls; }
    QWidget *frame() const override;
    QRect framePlace() const override { return ProcessorControls::FramePlace; }
    std::vector<QWidget *> windowControls() const override;
    void connectEvents(EventRunner &events) override;

    void refresh() override { RefreshProcessor(); }
    // Every CpuPollTicks ticks.
    void tick() override;
    // Poll Interval and Points Per Graph are taken when Real Time Mode goes on; text that is not a number,
    // and points that cannot drive the graph, are refused with a message, and Real Time Mode stays off.
    bool acceptsRealTimeMode() override;
    void realTimeModeOn() override;
    void realTimeModeOff() override;

    // Start-up's first raw sample, against which the first refresh measures. Errors pass to the caller.
    void takeFirstSample();
    // The same when the target computer has changed since the last sample: no load is measured across two
    // computers. Errors pass to the caller.
    void followTargetComputer();
    void RefreshProcessor();

    // x and y in twips, relative to the graph label's top-left corner.
    void lblGraph_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    void lblGraph_Click();
    void tmrpct_Timer();

    UtilizationGraph &graph() noexcept { return m_graph; }
    double CpuCounter() const noexcept { return m_cpuCounter; }
    double CpuTimestamp() const noexcept { return m_cpuTimestamp; }
    double PrevCpuCounter() const noexcept { return m_prevCpuCounter; }
    double PrevCpuTimestamp() const noexcept { return m_prevCpuTimestamp; }
    std::int16_t CpuPollTicks() const noexcept { return m_cpuPollTicks; }
    std::int16_t PointsPerGraph() const noexcept { return m_pointsPerGraph; }

private:
    void takeSample();
    // The last instance's raw counters, as both the first sample and every refresh take them.
    void readCounters(double &counter, double &timestamp);
    // The whole numbers a setting may take; a number beyond them is refused, or held at the nearer end.
    struct Range {
        int lowest, highest;
        bool heldAtEnds;
    };
    // The box's number, halves to even; anything else is refused with a message.
    std::optional<std::int16_t> takeSetting(QLineEdit *box, const QString &field, Range range);

    void graphEvent(const QEvent &event);

    PageContext &m;
    ProcessorControls m_controls;
    std::int16_t m_cpuPollTicks = 1;
    std::int16_t m_pointsPerGraph = 100;
    double m_prevCpuCounter = 0; // the last sample the load was measured from
    double m_prevCpuTimestamp = 0;
    UtilizationGraph m_graph;
    QString m_sampledComputer; // the one PrevCpuCounter and PrevCpuTimestamp were read on
    double m_cpuCounter = 0;
    double m_cpuTimestamp = 0;
    double m_graphMouseX = 0;
    double m_graphMouseY = 0;
};

} // namespace quorvin
