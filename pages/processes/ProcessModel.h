#pragma once
#include "kit/GridModel.h"
#include "pages/processes/ProcessTable.h"

#include <QLocale>
#include <vector>

namespace quorvin {

// The Process Details grid: the processes of the last refresh in the sort's order, without the idle and
// total entries, each cell's text made when the view asks for it.
class ProcessModel final : public GridModel {
public:
    explicit ProcessModel(QObject *parent);

    // Takes the refresh's table; only the cells whose values changed are announced.
    void show(ProcessTable table);
    // The processes shown.
    int shownCount() const noexcept { return static_cast<int>(m_shown.size()); }
    // The start of the process shown at that grid row (from 1); null where the computer gave none.
    mgmt::Value startTimeAt(int row) const;

protected:
    int bodyRows() const override;
    QString bodyText(int row, int column) const override;

private:
    const ProcessTable::Row &shown(int row) const;

    ProcessTable m_table;
    std::vector<int> m_shown; // indices into m_table's rows, in grid order
    bool m_blank = true;      // the designed grid's one empty row, until the first refresh
    QLocale m_locale;         // looked up once a refresh, not once a cell
};

} // namespace quorvin
