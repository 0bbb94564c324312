#include "kit/DateTimeText.h"

namespace quorvin {

QString localTimeText(const QTime &time, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QLatin1String("  "), QLatin1String(" "));
    return locale.toString(time, timeFormat.trimmed());
}

QString localDateTimeText(const QDateTime &when, const QLocale &locale)
{
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(when.date(), dateFormat) + QLatin1Char(' ') + localTimeText(when.time(), locale);
}

} // namespace quorvin
