#pragma once
#include "kit/GridModel.h"
#include "pages/services/ServiceTable.h"

#include <vector>

namespace quorvin {

// The Services grid: the services of the last refresh in the sort's order, with the action each one's
// Control cell offers on its colour.
class ServiceModel final : public GridModel {
public:
    explicit ServiceModel(QObject *parent);

    // Takes the refresh's table; only the cells whose texts changed are announced.
    void show(ServiceTable table);
    int shownCount() const noexcept { return static_cast<int>(m_table.order().size()); }
    int startedCount() const noexcept { return m_started; }

protected:
    int bodyRows() const override;
    QString bodyText(int row, int column) const override;
    QVariant bodyBackground(int row, int column) const override;

private:
    static QString textOf(const ServiceTable::Row &service, int column);
    const ServiceTable::Row &shown(int row) const;

    ServiceTable m_table;
    int m_started = 0;
    bool m_blank = true; // the designed grid's one empty row, until the first refresh
};

} // namespace quorvin
