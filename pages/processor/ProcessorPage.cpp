#include "pages/processor/ProcessorPage.h"
#include "app/Controls.h"
#include "app/ErrorReport.h"
#include "app/FormState.h"
#include "app/NumberFormat.h"
#include "app/PageContext.h"
#include "app/TwipsGeometry.h"
#include "mgmt/Convert.h"
#include "mgmt/Source.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace quorvin {

ProcessorPage::ProcessorPage(PageContext &context)
    : m(context),
      m_graph(
          context.canvas, [&controls = context.controls] { return QRectF(twipsGeometry(controls.lblGraph)); },
          context.state.PointsPerGraph,
          [&controls = context.controls](bool on) {
              if (on)
                  controls.tmr1->start();
              else
                  controls.tmr1->stop();
          })
{
}

void ProcessorPage::RefreshProcessor()
{
    m.errors.guard(ErrorReport::Routine::RefreshProcessor, [this] { takeSample(); });
}

void ProcessorPage::takeSample()
{
    if (m.state.PageInitPending) {
        auto service = m.source.connect(m.state.ComputerMoniker.toStdString());
        for (std::size_t n = service->instancesOf("win32_Processor").size(); n > 0; --n)
            m_graph.RestartGraph();
        m.state.PageInitPending = false;
    }
    m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
    auto service = m.source.connect(m.state.ComputerMoniker.toStdString());
    for (const mgmt::Instance &instance : service->instancesOf("Win32_PerfRawData_PerfOS_Processor")) {
        m_cpuCounter = mgmt::toDouble(instance.get("PercentProcessorTime"));
        m_cpuTimestamp = mgmt::toDouble(instance.get("Timestamp_Sys100NS"));
    }
    // Two samples within one counter update measure no time: this refresh changes nothing.
    if (m_cpuTimestamp == m.state.PrevCpuTimestamp)
        return;
    const double utilization =
        (1 - (m_cpuCounter - m.state.PrevCpuCounter) / (m_cpuTimestamp - m.state.PrevCpuTimestamp)) * 100;
    double percent = roundedAsShown(utilization, 2);
    if (percent < 0)
        percent = 0;
    m.state.PrevCpuCounter = m_cpuCounter;
    m.state.PrevCpuTimestamp = m_cpuTimestamp;
    m_graph.AddGraphSample(percent);
    m.controls.lblPercent->setText(plainNumber(percent) + QStringLiteral("%"));
    // An idle counter that ran backwards gives more than 100: the label and the graph say so, the bar stops
    // full.
    m.controls.pbPer->setValue(static_cast<int>(std::lround(std::min(percent, 100.0))));
    // Paint the new label, bar and segment now; input waits until the routine has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProcessorPage::lblGraph_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, double x, double y)
{
    m_graphMouseX = x;
    m_graphMouseY = y;
}

void ProcessorPage::lblGraph_Click()
{
    const QRect graph = twipsGeometry(m.controls.lblGraph);
    const double v = (graph.height() - m_graphMouseY) / graph.height() * 100;
    const auto shown = toInt16HalfEven(roundedAsShown(v, 1));
    if (!shown)
        return;
    QLabel *readOut = m.controls.lblpct;
    readOut->setText(QString::number(*shown) + QStringLiteral("%"));
    const QRect place = twipsGeometry(readOut);
    setTwipsGeometry(readOut,
                     QRect(static_cast<int>(std::lround(graph.left() + m_graphMouseX + 100)),
                           static_cast<int>(std::lround(graph.top() + m_graphMouseY - 200)), place.width(),
                           place.height()),
                     m.twips);
    readOut->show();
    readOut->raise();
    m.controls.tmrpct->start();
}

void ProcessorPage::tmrpct_Timer()
{
    m.controls.lblpct->hide();
    m.controls.tmrpct->stop();
}

} // namespace quorvin
