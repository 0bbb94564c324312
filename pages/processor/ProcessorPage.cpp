#include "pages/processor/ProcessorPage.h"
#include "kit/ClassQuery.h"
#include "kit/Dialogs.h"
#include "kit/ErrorReport.h"
#include "kit/EventHook.h"
#include "kit/EventRunner.h"
#include "kit/FormState.h"
#include "kit/NumberFormat.h"
#include "kit/PageContext.h"
#include "kit/Twips.h"
#include "kit/TwipsGeometry.h"
#include "kit/Utilization.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace quorvin {

ProcessorPage::ProcessorPage(PageContext &context)
    : m(context), m_controls(ProcessorControls::design(context.designer)),
      m_graph(
          context.canvas, [this] { return QRectF(twipsGeometry(m_controls.lblGraph)); }, m_pointsPerGraph,
          [&poll = context.poll](bool on) {
              if (on)
                  poll.start();
              else
                  poll.stop();
          })
{
}

QWidget *ProcessorPage::frame() const
{
    return m_controls.frUtil;
}

std::vector<QWidget *> ProcessorPage::windowControls() const
{
    const ProcessorControls &c = m_controls;
    return {c.lblParm1, c.lblParm2, c.txtTime, c.txtPoint, c.lblGraph, c.lblGraphtit};
}

void ProcessorPage::connectEvents(EventRunner &events)
{
    QObject::connect(m_controls.tmrpct, &QTimer::timeout, m_controls.tmrpct,
                     [this, &events] { events.run([this] { tmrpct_Timer(); }); });
    // The graph label has no click of its own: its mouse events are read as they come.
    new EventHook(m_controls.lblGraph, [this, &events](QEvent *event) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
            type == QEvent::MouseButtonRelease)
            events.run([this, event] { graphEvent(*event); });
    });
}

void ProcessorPage::graphEvent(const QEvent &event)
{
    if (event.type() == QEvent::MouseMove || event.type() == QEvent::MouseButtonPress) {
        const auto &mouse = static_cast<const QMouseEvent &>(event);
        lblGraph_MouseMove(mouse.buttons(), mouse.modifiers(), m.twips.fromPixels(mouse.position().x()),
                           m.twips.fromPixels(mouse.position().y()));
    } else if (event.type() == QEvent::MouseButtonRelease) {
        const auto &mouse = static_cast<const QMouseEvent &>(event);
        if (mouse.button() == Qt::LeftButton &&
            m_controls.lblGraph->rect().contains(mouse.position().toPoint()))
            lblGraph_Click();
    }
}

namespace {
// Beyond it the compaction of the history would need more than its 1000 entries.
constexpr int MaxPointsPerGraph = 909;
} // namespace

void ProcessorPage::tick()
{
    m.state.countTick();
    if (m.state.TickCount >= m_cpuPollTicks) {
        RefreshProcessor();
        m.state.TickCount = 0;
    }
}

std::optional<std::int16_t> ProcessorPage::takeSetting(QLineEdit *box, const QString &field, Range range)
{
    std::optional<double> number = readNumber(box->text());
    if (number && range.heldAtEnds) // NaN stays NaN, and is refused
        number = std::clamp(*number, static_cast<double>(range.lowest), static_cast<double>(range.highest));
    const auto whole = number ? toInt16HalfEven(*number) : std::nullopt;
    if (whole && *whole >= range.lowest && *whole <= range.highest)
        return whole;
    m.dialogs.message(field + QStringLiteral(" must be a number") +
                      (range.heldAtEnds ? QString()
                                        : QStringLiteral(" from ") + QString::number(range.lowest) +
                                              QStringLiteral(" to ") + QString::number(range.highest)) +
                      QStringLiteral(". \"") + box->text() +
                      QStringLiteral("\" cannot be used, so Real Time Mode stays off."));
    return std::nullopt;
}

bool ProcessorPage::acceptsRealTimeMode()
{
    // Any number is an interval: 1 or less refreshes on every tick, and one beyond the count's 16 bits is
    // held at their end.
    const auto ticks =
        takeSetting(m_controls.txtTime, QStringLiteral("Poll Interval(Secs)"), {INT16_MIN, INT16_MAX, true});
    if (!ticks)
        return false;
    const auto points =
        takeSetting(m_controls.txtPoint, QStringLiteral("Points Per Graph"), {1, MaxPointsPerGraph, false});
    if (!points)
        return false;
    m_cpuPollTicks = *ticks;
    m_pointsPerGraph = *points;
    return true;
}

void ProcessorPage::realTimeModeOn()
{
    m_controls.txtTime->setEnabled(false);
    m_controls.txtPoint->setEnabled(false);
}

void ProcessorPage::realTimeModeOff()
{
    m_controls.txtTime->setEnabled(true);
    m_controls.txtPoint->setEnabled(true);
}

void ProcessorPage::readCounters(double &counter, double &timestamp)
{
    const QueryAnswer answer = instancesOf(m.source, m.state.ComputerMoniker, mgmt::cls::ProcessorCounters);
    for (const mgmt::Instance &instance : answer.instances) {
        counter = mgmt::toDouble(instance.get(mgmt::prop::PercentProcessorTime));
        timestamp = mgmt::toDouble(instance.get(mgmt::prop::Timestamp));
    }
}

void ProcessorPage::takeFirstSample()
{
    readCounters(m_prevCpuCounter, m_prevCpuTimestamp);
    m_sampledComputer = m.state.TargetComputer;
}

void ProcessorPage::followTargetComputer()
{
    if (sameComputer(m_sampledComputer, m.state.TargetComputer))
        return;
    m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
    takeFirstSample();
}

void ProcessorPage::RefreshProcessor()
{
    m.errors.guard(ErrorReport::Policy::ReportFirstPauseIfUnreachable, [this] { takeSample(); });
}

void ProcessorPage::takeSample()
{
    if (m.state.PageInitPending) {
        const QueryAnswer processors = instancesOf(m.source, m.state.ComputerMoniker, mgmt::cls::Processor);
        for (std::size_t n = processors.instances.size(); n > 0; --n)
            m_graph.RestartGraph();
        m.state.PageInitPending = false;
    }
    m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
    // Where the switch could not take it, the new computer's first sample is taken now, and measured from.
    if (!sameComputer(m_sampledComputer, m.state.TargetComputer)) {
        takeFirstSample();
        return;
    }
    readCounters(m_cpuCounter, m_cpuTimestamp);
    const std::optional<double> load =
        processorLoad(m_prevCpuCounter, m_prevCpuTimestamp, m_cpuCounter, m_cpuTimestamp);
    // Two samples within one counter update measure no time: this refresh changes nothing.
    if (!load)
        return;
    const double percent = *load;
    m_prevCpuCounter = m_cpuCounter;
    m_prevCpuTimestamp = m_cpuTimestamp;
    m_graph.AddGraphSample(percent);
    m_controls.lblPercent->setText(plainNumber(percent) + QStringLiteral("%"));
    // An idle counter that ran backwards gives more than 100: the label and the graph say so, the bar stops
    // full.
    m_controls.pbPer->setValue(static_cast<int>(std::lround(std::min(percent, 100.0))));
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
    const QRect graph = twipsGeometry(m_controls.lblGraph);
    const double v = (graph.height() - m_graphMouseY) / graph.height() * 100;
    const auto shown = toInt16HalfEven(roundedAsShown(v, 1));
    if (!shown)
        return;
    QLabel *readOut = m_controls.lblpct;
    readOut->setText(QString::number(*shown) + QStringLiteral("%"));
    const QRect place = twipsGeometry(readOut);
    setTwipsGeometry(readOut,
                     QRect(static_cast<int>(std::lround(graph.left() + m_graphMouseX + 100)),
                           static_cast<int>(std::lround(graph.top() + m_graphMouseY - 200)), place.width(),
                           place.height()),
                     m.twips);
    readOut->show();
    readOut->raise();
    m_controls.tmrpct->start();
}

void ProcessorPage::tmrpct_Timer()
{
    m_controls.lblpct->hide();
    m_controls.tmrpct->stop();
}

} // namespace quorvin
