#include "support/GridClicks.h"
#include "kit/GridCells.h"

#include <QTableWidget>
#include <QTest>

namespace quorvin::test {

int rowWithText(const QTableWidget *grid, int column, const QString &text)
{
    for (int r = 1; r < grid->rowCount(); ++r)
        if (cellText(grid, r, column) == text)
            return r;
    return -1;
}

namespace {
QPoint centreOf(QTableWidget *grid, int row, int column)
{
    grid->scrollToItem(grid->item(row, column));
    return grid->visualItemRect(grid->item(row, column)).center();
}
} // namespace

void clickCell(QTableWidget *grid, int row, int column)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(grid, row, column));
}

void doubleClickCell(QTableWidget *grid, int row, int column)
{
    const QPoint at = centreOf(grid, row, column);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace quorvin::test
