#pragma once
#include <QSortFilterProxyModel>

namespace quorvin::fleet {

// The fleet's rows sorted by any column and narrowed by name. Empty cells sort last in either order, and
// rows that sort alike keep the order of their names, so that equal rows never swap. The order is made
// when asked (resort), not at each change of a row, so that rows never move one by one as readings come.
class FleetSortProxy final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit FleetSortProxy(QObject *parent = nullptr);

    // Sorts again by the column and order in use.
    void resort();

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

} // namespace quorvin::fleet
