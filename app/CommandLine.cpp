#include "app/CommandLine.h"

namespace quorvin {

StartRequest parseCommandLine(const QString &argumentText)
{
    const QString command = argumentText.toLower();
    StartRequest request;
    if (command.isEmpty())
        return request;
    const qsizetype c = command.indexOf(QLatin1String("/c:"));
    if (c < 0) {
        request.messages << QStringLiteral("Switches not valid. Expected /C:");
        return request;
    }
    const qsizetype t = command.indexOf(QLatin1String("/t:"));
    if (t < 0) {
        request.messages << QStringLiteral("Switches not valid. Expected /T:");
        return request;
    }
    // A "/t:" ahead of "/c:" leaves no room for a name between them: the default computer is used.
    if (t > c)
        request.targetComputer = command.mid(c + 3, t - c - 3).trimmed();
    const QString pageText = command.mid(t + 3, 1);
    if (pageText.isEmpty() || pageText.at(0) < QLatin1Char('0') || pageText.at(0) > QLatin1Char('9')) {
        request.messages << QStringLiteral("Switches not valid. /T: Parameter must be numeric");
        return request;
    }
    const int page = pageText.at(0).unicode() - '0';
    request.page = (page < 1 || page > 5) ? 1 : page;
    return request;
}

QString argumentText(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

} // namespace quorvin
