#pragma once
#include <QColor>
#include <QString>

class QTableWidget;

namespace quorvin {

// A grid used as the design uses it: every cell a text, row 0 an ordinary row, cells reached by row and
// column.
void setGridRows(QTableWidget *grid, int rows);
void setCellText(QTableWidget *grid, int row, int column, const QString &text);
QString cellText(const QTableWidget *grid, int row, int column);
void setCellBold(QTableWidget *grid, int row, int column, bool bold);
void setCellBackground(QTableWidget *grid, int row, int column, const QColor &color);
QColor cellBackground(const QTableWidget *grid, int row, int column);
// Moves the current cell as the design's grid does: the view neither scrolls nor changes what is highlighted.
void setCurrentCell(QTableWidget *grid, int row, int column);

} // namespace quorvin
