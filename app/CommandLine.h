#pragma once
#include <QString>
#include <QStringList>

namespace quorvin {

// What the command line "/c:NAME /t:DIGIT" asks for.
struct StartRequest {
    QString targetComputer; // empty: take the default computer
    int page = 1;           // 1 to 5
    QStringList messages;   // complaints about the switches, shown with the title below
};

inline const QString SwitchesTitle = QStringLiteral("Quorvin Switches");

// Reads the argument text; letter case does not matter, since it is lower-cased first.
StartRequest parseCommandLine(const QString &argumentText);

// The argument text as one line, without the program name.
QString argumentText(const QStringList &arguments);

} // namespace quorvin
