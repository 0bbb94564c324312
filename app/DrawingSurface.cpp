#include "app/DrawingSurface.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quorvin {

DrawingSurface::DrawingSurface(QWidget &owner, const Twips &twips) : m_owner(owner), m_twips(twips) {}

void DrawingSurface::clear()
{
    if (m_lines.empty())
        return;
    QRectF dirty;
    for (const QLineF &line : m_lines)
        dirty |= QRectF(line.p1(), line.p2()).normalized();
    m_lines.clear();
    m_owner.update(QRectF(m_twips.toPixels(dirty.topLeft()), m_twips.toPixels(dirty.bottomRight()))
                       .toAlignedRect()
                       .adjusted(-2, -2, 2, 2));
}

namespace {

// Far outside any window, yet inside what the painter converts to whole pixels: a wild counter from the
// computer (a load of 1e300 %) draws off the window instead of overflowing the conversion.
float onSurface(double twips)
{
    constexpr double Reach = 1e7;
    return static_cast<float>(std::isnan(twips) ? 0.0 : std::clamp(twips, -Reach, Reach));
}

} // namespace

void DrawingSurface::drawLine(QPointF from, QPointF to)
{
    const QPointF a(onSurface(from.x()), onSurface(from.y()));
    const QPointF b(onSurface(to.x()), onSurface(to.y()));
    m_lines.emplace_back(a, b);
    m_owner.update(
        QRectF(m_twips.toPixels(a), m_twips.toPixels(b)).normalized().toAlignedRect().adjusted(-2, -2, 2, 2));
}

void DrawingSurface::paint(QPainter &painter) const
{
    if (m_lines.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    const double scale = m_twips.toPixelsF(1.0);
    painter.scale(scale, scale);
    painter.drawLines(m_lines.data(), static_cast<int>(m_lines.size()));
    painter.restore();
}

} // namespace quorvin
