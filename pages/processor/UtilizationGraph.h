#pragma once
#include <QRectF>

#include <array>
#include <cstdint>
#include <functional>

namespace quorvin {

class LineCanvas;

// The rolling history of processor utilization, drawn on the window's surface inside the graph label.
// Everything is in twips; each entry leads from a recorded point back to the one before it.
class UtilizationGraph final {
public:
    static constexpr int Capacity = 1000;

    struct Entry {
        double backX = 0; // start x minus end x of the segment
        double backY = 0;
    };

    // `area` reads the graph label's place each time it is needed; `setPollEnabled` turns the poll timer off
    // and on around the compaction.
    UtilizationGraph(LineCanvas &canvas, std::function<QRectF()> area, const std::int16_t &pointsPerGraph,
                     std::function<void(bool)> setPollEnabled);

    void RestartGraph();
    void AddGraphSample(double percent);
    void ShiftGraphHistory();
    void DrawGraph();

    int GraphPointCount() const noexcept { return m_count; }
    double GraphPenX() const noexcept { return m_penX; }
    double GraphPenY() const noexcept { return m_penY; }
    // Entries are numbered 1 to 1000; any other number raises "Subscript out of range".
    const Entry &entry(int number) const;

    double step() const;
    double yOf(double percent) const;
    double scrollThreshold() const;

private:
    Entry &at(int number);

    LineCanvas &m_canvas;
    std::function<QRectF()> m_area;
    const std::int16_t &m_pointsPerGraph;
    std::function<void(bool)> m_setPollEnabled;
    std::array<Entry, Capacity> m_points{};
    int m_count = 0;
    double m_penX = 0;
    double m_penY = 0;
};

} // namespace quorvin
