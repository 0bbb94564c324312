#pragma once
#include <QPointF>
#include <QRect>
#include <cmath>

namespace quorvin {

// Converts the design's twips (1/1440 inch) to pixels at the screen's logical resolution: 15 to the pixel at
// 96 dpi.
class Twips final {
public:
    explicit Twips(double dotsPerInch = 96.0) : m_dpi(dotsPerInch) {}

    double dotsPerInch() const noexcept { return m_dpi; }
    double toPixelsF(double twips) const noexcept { return twips * m_dpi / 1440.0; }
    int toPixels(double twips) const noexcept { return static_cast<int>(std::lround(toPixelsF(twips))); }
    double fromPixels(double pixels) const noexcept { return pixels * 1440.0 / m_dpi; }
    QPointF toPixels(QPointF twips) const noexcept { return {toPixelsF(twips.x()), toPixelsF(twips.y())}; }

    // Edges are converted, not sizes, so that neighbouring controls keep sharing their borders.
    QRect rect(double left, double top, double width, double height) const noexcept
    {
        const int x = toPixels(left), y = toPixels(top);
        return {x, y, toPixels(left + width) - x, toPixels(top + height) - y};
    }

private:
    double m_dpi;
};

} // namespace quorvin
