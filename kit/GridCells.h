#pragma once
#include <QColor>
#include <QString>

class QAbstractItemView;

namespace quorvin {

// A grid's cells as the design reaches them: by row and column, row 0 the title row.
int gridRows(const QAbstractItemView *grid);
QString cellText(const QAbstractItemView *grid, int row, int column);
QColor cellBackground(const QAbstractItemView *grid, int row, int column);
// Moves the current cell as the design's grid does: the view neither scrolls nor changes what is highlighted.
void setCurrentCell(QAbstractItemView *grid, int row, int column);

} // namespace quorvin
