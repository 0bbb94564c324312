#include "pages/services/ServiceTable.h"
#include "kit/ExchangeSort.h"
#include "kit/PropertyText.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"

namespace quorvin {

const QString &ServiceTable::Row::field(int number) const
{
    switch (number) {
    case 1:
        return caption;
    case 2:
        return name;
    case 3:
        return startMode;
    default:
        return status;
    }
}

void ServiceTable::fill(const std::vector<mgmt::Instance> &instances)
{
    m_rows.clear();
    m_rows.reserve(instances.size());
    for (const mgmt::Instance &instance : instances) {
        Row row;
        row.caption = propertyTextOrEmpty(instance, mgmt::prop::Caption).trimmed();
        row.name = propertyTextOrEmpty(instance, mgmt::prop::Name).trimmed();
        row.startMode = propertyTextOrEmpty(instance, mgmt::prop::StartMode);
        const mgmt::Value &started = instance.get(mgmt::prop::Started);
        row.status =
            started.isBool() && started.boolean() ? QStringLiteral("Started") : QStringLiteral("Stopped");
        m_rows.push_back(std::move(row));
    }
}

void ServiceTable::sort(int sortColumn, const QString &sortOrder)
{
    if (sortColumn < 1 || sortColumn > 4)
        return;
    std::vector<QString> keys;
    keys.reserve(m_rows.size());
    for (const Row &row : m_rows)
        keys.push_back(row.field(sortColumn).toLower());
    const auto ranks = ranksOf(static_cast<int>(keys.size()), [&](int a, int b) {
        const int c = QString::compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        return (c > 0) - (c < 0);
    });
    sortRowsByRank(m_rows, ranks, sortOrder);
}

} // namespace quorvin
