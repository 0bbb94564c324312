#include "kit/Environment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

namespace quorvin {

QString SystemEnvironment::computerName() const
{
    // Linux shells seldom export it, so the host name stands in.
    for (const char *name : {"computername", "COMPUTERNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QSysInfo::machineHostName();
}

QString SystemEnvironment::programName() const
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

} // namespace quorvin
