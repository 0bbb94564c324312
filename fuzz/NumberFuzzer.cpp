// The typed fields (update interval, graph points, bandwidth reference) and the numbers shown with rounding.
// Input: a double's 8 bytes, a byte for the decimals, then the typed text.

#include "FuzzInput.h"
#include "kit/NumberFormat.h"
#include "mgmt/Convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace quorvin;

namespace {

void showAndReadBack(double value, int decimals, const QLocale &locale)
{
    const double rounded = roundHalfAway(value, decimals);
    if (std::isfinite(value) && !std::isfinite(rounded) && std::fabs(value) < 1e300)
        std::abort(); // rounding a finite number must not leave the doubles
    const QString shown = formatNumber(value, decimals, locale);
    // What is used further is what the text reads back as, computed without the text.
    if (std::fabs(value) < 1e15 && roundedAsShown(value, decimals) != readNumber(shown, locale).value_or(0))
        std::abort();
    plainNumber(value, locale);
    toInt16HalfEven(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::English, QLocale::UnitedStates)};
    if (size < 9)
        return 0;
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    const int decimals = data[8] % 4;
    const std::string_view raw(reinterpret_cast<const char *>(data + 9), size - 9);
    // Counters of plain digits take a shorter way, which must give what the general parse gives.
    if (!raw.empty() && raw.size() <= 15 &&
        std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        double general = 0;
        std::from_chars(raw.data(), raw.data() + raw.size(), general);
        if (mgmt::parseDecimal(raw) != general)
            std::abort();
    }
    const QString typed = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    for (const QLocale &locale : locales) {
        showAndReadBack(value, decimals, locale);
        if (const auto read = readNumber(typed, locale))
            showAndReadBack(*read, decimals, locale);
    }
    return 0;
}
