#pragma once
#include <QString>

class QTableView;

namespace quorvin::test {

// The first data row whose cell in that column holds exactly the text; -1 when none does.
int rowWithText(const QTableView *grid, int column, const QString &text);
// Clicks, and double-clicks as a user does (a click first), on a cell brought into view.
void clickCell(QTableView *grid, int row, int column);
void doubleClickCell(QTableView *grid, int row, int column);

} // namespace quorvin::test
