#include "fleet/FleetSortProxy.h"
#include "fleet/FleetModel.h"

namespace quorvin::fleet {

namespace {

// Negative, zero or positive as a sorts before, with or after b; both hold the same kind of key.
int compareKeys(const QVariant &a, const QVariant &b)
{
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

FleetSortProxy::FleetSortProxy(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(FleetModel::SortRole);
    setFilterRole(FleetModel::SortRole);
    setFilterKeyColumn(FleetModel::ComputerColumn);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setDynamicSortFilter(false);
}

void FleetSortProxy::resort()
{
    if (sortColumn() >= 0)
        sort(sortColumn(), sortOrder());
}

bool FleetSortProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(FleetModel::SortRole), b = right.data(FleetModel::SortRole);
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    // Qt reverses the comparison for a descending order: an empty cell then has to compare the other way.
    if (a.isValid() != b.isValid())
        return ascending ? a.isValid() : !a.isValid();
    if (a.isValid()) {
        if (const int order = compareKeys(a, b); order != 0)
            return order < 0;
    }
    const QString nameA =
        left.sibling(left.row(), FleetModel::ComputerColumn).data(FleetModel::SortRole).toString();
    const QString nameB =
        right.sibling(right.row(), FleetModel::ComputerColumn).data(FleetModel::SortRole).toString();
    // Names stay in alphabetical order under equal keys in either order.
    const int byName = QString::compare(nameA, nameB, Qt::CaseInsensitive);
    return ascending ? byName < 0 : byName > 0;
}

} // namespace quorvin::fleet
