#include "table/memory_grid.h"

namespace tn {

const MemoryGrid::Cell* MemoryGrid::at(int col, int row) const {
  if (col < 1 || row < 1 || col > cols_ || row > rows_) return nullptr;
  return &cells_[static_cast<size_t>((row - 1) * cols_ + (col - 1))];
}

QString MemoryGrid::cell_text(int col, int row) const {
  const Cell* c = at(col, row);
  return c ? c->text : QString();
}

Colour MemoryGrid::cell_colour(int col, int row) const {
  const Cell* c = at(col, row);
  return c ? c->colour : k_white;
}

CellMark MemoryGrid::cell_mark(int col, int row) const {
  const Cell* c = at(col, row);
  return c ? c->mark : CellMark::plain;
}

QString MemoryGrid::cell_why(int col, int row) const {
  const Cell* c = at(col, row);
  return c ? c->why : QString();
}

void MemoryGrid::store_text(int col, int row, const QString& text) {
  const_cast<Cell*>(at(col, row))->text = text;
}

void MemoryGrid::store_colour(int col, int row, Colour colour, CellMark mark) {
  Cell* c = const_cast<Cell*>(at(col, row));
  c->colour = colour;
  c->mark = mark;
  c->why.clear();
}

void MemoryGrid::store_why(int col, int row, const QString& why) { const_cast<Cell*>(at(col, row))->why = why; }

void MemoryGrid::resize(int cols, int rows) {
  // Keep what fits, as a grid widget does when rows or columns are added or cut.
  std::vector<Cell> cells(static_cast<size_t>(cols * rows));
  for (int r = 1; r <= std::min(rows, rows_); ++r)
    for (int c = 1; c <= std::min(cols, cols_); ++c)
      cells[static_cast<size_t>((r - 1) * cols + (c - 1))] = *at(c, r);
  cells_ = std::move(cells);
  cols_ = cols;
  rows_ = rows;
}

}  // namespace tn
