#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace quorvin {

// The locale's long time without the zone name ("2:03:22 PM").
QString localTimeText(const QTime &time, const QLocale &locale = QLocale());

// The locale's short date with the year in full (a two-digit year is ambiguous), then its long time without
// the zone name.
QString localDateTimeText(const QDateTime &when, const QLocale &locale = QLocale());

} // namespace quorvin
