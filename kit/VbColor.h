#pragma once
#include <QColor>

namespace quorvin {

// Colour values as the design stores them: blue × 65536 + green × 256 + red.
inline QColor colorFromValue(long value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

inline long valueFromColor(const QColor &color)
{
    return color.red() + color.green() * 256L + color.blue() * 65536L;
}

inline constexpr long TitleBackground = 12640511; // pale orange, shared by title labels and grid headers

} // namespace quorvin
