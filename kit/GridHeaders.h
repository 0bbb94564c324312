#pragma once
#include <span>

class QTableView;

namespace quorvin {

class Twips;

// One column of a grid's title row: its text (leading blanks are part of the design) and its width.
struct GridColumn {
    const char *title;
    int widthTwips;
};

// Writes a grid's title row: each text, bold on the title colour, and each column's width. The grid's model
// is a GridModel. The current cell ends at row 0 of the last column; rows and columns are not added.
void SetGridHeaders(QTableView *grid, std::span<const GridColumn> columns, const Twips &twips);

} // namespace quorvin
