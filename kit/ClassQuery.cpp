#include "kit/ClassQuery.h"
#include "mgmt/Query.h"

namespace quorvin {

namespace {

std::string selectText(std::string_view className)
{
    return "Select * from " + std::string(className);
}

QueryAnswer ask(mgmt::Source &source, const QString &moniker,
                const std::function<std::vector<mgmt::Instance>(mgmt::Service &)> &question)
{
    QueryAnswer answer;
    answer.connection = source.connect(moniker.toStdString());
    answer.instances = question(*answer.connection);
    return answer;
}

} // namespace

QueryAnswer instancesOf(mgmt::Source &source, const QString &moniker, std::string_view className)
{
    return ask(source, moniker, [&](mgmt::Service &service) { return service.instancesOf(className); });
}

QueryAnswer selectAll(mgmt::Source &source, const QString &moniker, std::string_view className)
{
    return ask(source, moniker,
               [&](mgmt::Service &service) { return service.execQuery(selectText(className)); });
}

QueryAnswer selectNamed(mgmt::Source &source, const QString &moniker, std::string_view className,
                        std::string_view condition, const QString &name)
{
    return ask(source, moniker, [&](mgmt::Service &service) {
        return service.execQuery(selectText(className) + std::string(condition) + "'" +
                                 mgmt::quoteQueryName(name.toStdString()) + "'");
    });
}

} // namespace quorvin
