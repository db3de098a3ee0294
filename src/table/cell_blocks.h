#pragma once
// Blocks of cells as spreadsheets pass them through the clipboard, and the
// order a column puts the track table's rows in for viewing.

#include <QList>
#include <QStringList>
#include <vector>

#include "table/grid.h"

namespace tn {

// Rows of cells, top to bottom; a row may be shorter than the others.
using CellBlock = QList<QStringList>;

// Tab-separated text: cells by tab, rows by newline. A cell holding a tab,
// a line break or a quote is quoted, its quotes doubled, as spreadsheets do.
QString to_tsv(const CellBlock& block);
// The block such a text holds, from any spreadsheet: CR LF or LF between
// rows, the newline after the last row ignored; empty text, no rows.
CellBlock from_tsv(const QString& text);

// Rows 1..row_count of g in the order of column col's texts: numbers by
// their value (Track2 before Track10), Japanese by its collation, empty
// cells last, rows of equal texts in their own order.
std::vector<int> sorted_rows(const Grid& g, int col);

}  // namespace tn
