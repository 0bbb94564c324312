#pragma once
#include "kit/LineCanvas.h"

#include <QLineF>
#include <vector>

namespace quorvin::test {

// Keeps what was drawn since the last clear, and counts the clears.
class RecordingCanvas final : public LineCanvas {
public:
    void clear() override
    {
        lines.clear();
        ++clears;
    }
    void drawLine(QPointF from, QPointF to) override { lines.emplace_back(from, to); }

    std::vector<QLineF> lines;
    int clears = 0;
};

} // namespace quorvin::test
