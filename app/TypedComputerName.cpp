#include "app/TypedComputerName.h"
#include "mgmt/pcp/PcpModule.h"

namespace quorvin {

QString withHostUpperCased(const QString &name)
{
    qsizetype hostEnd = name.size();
    if (mgmt::pcp::namesCollector(name.toStdString())) {
        if (const qsizetype attributes = name.indexOf(QLatin1Char('?')); attributes >= 0)
            hostEnd = attributes;
        // A collector's address may name a proxy after '@': both are hosts.
        return name.left(hostEnd).toUpper() + name.mid(hostEnd);
    }
    const qsizetype hostStart = name.lastIndexOf(QLatin1Char('@')) + 1;
    return name.left(hostStart) + name.mid(hostStart).toUpper();
}

} // namespace quorvin
