#include "kit/NumberFormat.h"
#include "mgmt/Convert.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace quorvin {

namespace {

// Adds one to the last digit of a string of decimal digits, carrying to the left.
void incrementDigits(std::string &digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

double roundHalfAway(double value, int decimals)
{
    if (!std::isfinite(value) || std::trunc(value) == value)
        return value; // nothing after the point to round: most of what a refresh rounds
    const std::string shortest = mgmt::plainDecimal(std::fabs(value));
    const auto point = shortest.find('.');
    if (point == std::string::npos || shortest.size() - point - 1 <= static_cast<std::size_t>(decimals))
        return value;
    std::string digits = shortest.substr(0, point) + shortest.substr(point + 1, decimals);
    if (shortest[point + 1 + decimals] >= '5')
        incrementDigits(digits);
    digits.insert(digits.end() - decimals, '.');
    double magnitude = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (magnitude == 0)
        return 0.0; // no negative zero in what is shown
    return value < 0 ? -magnitude : magnitude;
}

QString formatNumber(double value, int decimals, const QLocale &locale)
{
    double rounded = roundHalfAway(value, decimals);
    if (rounded == 0)
        rounded = 0.0;
    return locale.toString(rounded, 'f', decimals);
}

double roundedAsShown(double value, int decimals)
{
    const double rounded = roundHalfAway(value, decimals);
    return std::isfinite(rounded) ? rounded : 0.0;
}

std::optional<double> readNumber(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString plainNumber(double value, const QLocale &locale)
{
    QString text = QString::fromStdString(mgmt::plainDecimal(value));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

QString plainInteger(double value)
{
    constexpr double Limit = 9.2e18; // inside the range of qint64
    if (std::isfinite(value) && std::fabs(value) < Limit && value == std::floor(value))
        return QString::number(static_cast<qint64>(value));
    return QString::fromStdString(mgmt::plainDecimal(value));
}

QString megabytesText(double kilobytes, const QLocale &locale)
{
    return formatNumber(kilobytes / 1024.0, 0, locale) + QStringLiteral("MB");
}

std::optional<std::int16_t> toInt16HalfEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

} // namespace quorvin
