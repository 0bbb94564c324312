#include "pages/processor/UtilizationGraph.h"
#include "kit/LineCanvas.h"
#include "mgmt/Error.h"

#include <cmath>

namespace quorvin {

namespace {

// Puts the poll back on however the compaction ends.
class PollPause final {
public:
    explicit PollPause(const std::function<void(bool)> &setPollEnabled) : m_set(setPollEnabled)
    {
        m_set(false);
    }
    ~PollPause() { m_set(true); }
    PollPause(const PollPause &) = delete;
    PollPause &operator=(const PollPause &) = delete;

private:
    const std::function<void(bool)> &m_set;
};

} // namespace

UtilizationGraph::UtilizationGraph(LineCanvas &canvas, std::function<QRectF()> area,
                                   const std::int16_t &pointsPerGraph,
                                   std::function<void(bool)> setPollEnabled)
    : m_canvas(canvas), m_area(std::move(area)), m_pointsPerGraph(pointsPerGraph),
      m_setPollEnabled(std::move(setPollEnabled))
{
}

const UtilizationGraph::Entry &UtilizationGraph::entry(int number) const
{
    if (number < 1 || number > Capacity)
        throw mgmt::Error(mgmt::err::SubscriptOutOfRange);
    return m_points[static_cast<std::size_t>(number - 1)];
}

UtilizationGraph::Entry &UtilizationGraph::at(int number)
{
    return const_cast<Entry &>(std::as_const(*this).entry(number));
}

double UtilizationGraph::step() const
{
    if (m_pointsPerGraph == 0)
        throw mgmt::Error(mgmt::err::DivisionByZero);
    return m_area().width() / m_pointsPerGraph;
}

double UtilizationGraph::yOf(double percent) const
{
    const QRectF area = m_area();
    return (1 - percent * 0.01) * (area.height() - 20) + area.top();
}

double UtilizationGraph::scrollThreshold() const
{
    const QRectF area = m_area();
    return (area.left() + area.width()) * 0.9;
}

void UtilizationGraph::RestartGraph()
{
    m_canvas.clear();
    const QRectF area = m_area();
    m_penX = area.left();
    m_penY = area.top() + area.height() - 10;
}

void UtilizationGraph::AddGraphSample(double percent)
{
    ++m_count;
    if (m_count > Capacity)
        ShiftGraphHistory();
    const double newX = m_penX + step();
    const double newY = yOf(percent);
    m_canvas.drawLine({m_penX, m_penY}, {newX, newY});
    at(m_count) = {m_penX - newX, m_penY - newY};
    m_penX = newX;
    m_penY = newY;
    if (newX > scrollThreshold())
        DrawGraph();
}

void UtilizationGraph::ShiftGraphHistory()
{
    const PollPause pause(m_setPollEnabled);
    const int keep = static_cast<int>(std::floor(m_pointsPerGraph * 1.1));
    for (int i = 1; i <= keep; ++i)
        at(i) = entry(m_count - keep + i - 1);
    m_count = keep + 1;
}

void UtilizationGraph::DrawGraph()
{
    m_penX -= step();
    double x = m_penX;
    double y = m_penY;
    const double left = m_area().left();
    m_canvas.clear();
    for (int i = m_count; i >= 1; --i) {
        const Entry &e = entry(i);
        if (x + e.backX < left)
            break;
        m_canvas.drawLine({x, y}, {x + e.backX, y + e.backY});
        x += e.backX;
        y += e.backY;
    }
}

} // namespace quorvin
