#include "pages/services/ServiceTable.h"
#include "kit/ExchangeSort.h"
#include "kit/PropertyText.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"

#include <numeric>

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
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
}

void ServiceTable::sort(int sortColumn, std::optional<SortDirection> direction)
{
    if (sortColumn < 1 || sortColumn > 4 || !direction)
        return;
    std::vector<QString> keys;
    keys.reserve(m_rows.size());
    for (const int row : m_order) // by place, so that a second sort starts where the first left the rows
        keys.push_back(m_rows[static_cast<std::size_t>(row)].field(sortColumn).toLower());
    const auto ranks = ranksOf(static_cast<int>(keys.size()), [&](int a, int b) {
        const int c = QString::compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        return (c > 0) - (c < 0);
    });
    m_order = placesMoved(m_order, exchangeSortOrder(ranks, *direction));
}

} // namespace quorvin
