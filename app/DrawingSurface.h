#pragma once
#include "kit/LineCanvas.h"
#include "kit/Twips.h"

#include <QLineF>
#include <vector>

class QPainter;
class QWidget;

namespace quorvin {

// The lines drawn on the window's surface, kept so that they survive a repaint (covered window, resize).
class DrawingSurface final : public LineCanvas {
public:
    DrawingSurface(QWidget &owner, const Twips &twips);

    void clear() override;
    void drawLine(QPointF from, QPointF to) override;

    void paint(QPainter &painter) const;
    const std::vector<QLineF> &lines() const noexcept { return m_lines; }

private:
    QWidget &m_owner;
    const Twips &m_twips;
    std::vector<QLineF> m_lines; // in twips
};

} // namespace quorvin
