#pragma once
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace quorvin {

// Rounds on the value's shortest decimal form, halves away from zero: 37.455 with 2 decimals gives 37.46.
double roundHalfAway(double value, int decimals);

// The value rounded to that many decimals and written with the locale's decimal sign, grouping and minus
// sign.
QString formatNumber(double value, int decimals, const QLocale &locale = QLocale());

// The value as it reads back from its formatted text: how a figure rounded for display is used further. Any
// locale reads back what it wrote, so this is the rounded value itself, and 0 for what no locale shows as a
// number (infinities, NaN); no text is made.
double roundedAsShown(double value, int decimals);

// Text read as a number under the locale's settings (grouping allowed, blanks around it ignored).
std::optional<double> readNumber(const QString &text, const QLocale &locale = QLocale());

// A number without grouping and with only the decimals it has (12.5, 40), with the locale's decimal sign.
QString plainNumber(double value, const QLocale &locale = QLocale());

// A whole number without grouping ("1234"), for counts and IDs; a value with a fraction, or beyond 64 bits,
// keeps its plain decimal form instead of being cut.
QString plainInteger(double value);

// Kilobytes in whole megabytes with the locale's grouping, as the General page shows free memory ("1,234MB").
QString megabytesText(double kilobytes, const QLocale &locale = QLocale());

// A whole 16-bit number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4); nothing when out of range.
std::optional<std::int16_t> toInt16HalfEven(double value);

} // namespace quorvin
