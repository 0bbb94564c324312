#include "app/DrawingSurface.h"

#include <QPainter>
#include <QWidget>

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

void DrawingSurface::drawLine(QPointF from, QPointF to)
{
    const QPointF a(static_cast<float>(from.x()), static_cast<float>(from.y()));
    const QPointF b(static_cast<float>(to.x()), static_cast<float>(to.y()));
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
