#include "support/GridClicks.h"
#include "kit/GridCells.h"

#include <QTableView>
#include <QTest>

namespace quorvin::test {

int rowWithText(const QTableView *grid, int column, const QString &text)
{
    for (int r = 1; r < grid->model()->rowCount(); ++r)
        if (cellText(grid, r, column) == text)
            return r;
    return -1;
}

namespace {
QPoint centreOf(QTableView *grid, int row, int column)
{
    const QModelIndex cell = grid->model()->index(row, column);
    grid->scrollTo(cell);
    return grid->visualRect(cell).center();
}
} // namespace

void clickCell(QTableView *grid, int row, int column)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(grid, row, column));
}

void doubleClickCell(QTableView *grid, int row, int column)
{
    const QPoint at = centreOf(grid, row, column);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace quorvin::test
