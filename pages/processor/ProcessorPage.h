#pragma once
#include "pages/processor/UtilizationGraph.h"

#include <Qt>

namespace quorvin {

struct PageContext;

// The Processor Utilization page: the load from two raw samples, its bar and label, the history graph and its
// click read-out.
class ProcessorPage final {
public:
    explicit ProcessorPage(PageContext &context);

    void RefreshProcessor();

    // x and y in twips, relative to the graph label's top-left corner.
    void lblGraph_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    void lblGraph_Click();
    void tmrpct_Timer();

    UtilizationGraph &graph() noexcept { return m_graph; }
    double CpuCounter() const noexcept { return m_cpuCounter; }
    double CpuTimestamp() const noexcept { return m_cpuTimestamp; }

private:
    void takeSample();

    PageContext &m;
    UtilizationGraph m_graph;
    double m_cpuCounter = 0;
    double m_cpuTimestamp = 0;
    double m_graphMouseX = 0;
    double m_graphMouseY = 0;
};

} // namespace quorvin
