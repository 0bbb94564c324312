#pragma once
#include <QPointF>

namespace quorvin {

// The window's own drawing surface, below the controls, in twips.
class LineCanvas {
public:
    virtual ~LineCanvas() = default;
    virtual void clear() = 0;
    // Coordinates reach the surface in single precision, as the drawing primitive takes them.
    virtual void drawLine(QPointF from, QPointF to) = 0;
};

} // namespace quorvin
