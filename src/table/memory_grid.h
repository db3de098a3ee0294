#pragma once
// A grid held in memory: the track table of tests and headless runs.

#include <vector>

#include "table/grid.h"
#include "table/track_table.h"

namespace tn {

class MemoryGrid final : public Grid {
 public:
  MemoryGrid(int cols = col::last, int rows = 100) { resize(cols, rows); }

  int row_count() const override { return rows_; }
  int col_count() const override { return cols_; }
  QString cell_text(int col, int row) const override;
  Colour cell_colour(int col, int row) const override;
  CellMark cell_mark(int col, int row) const override;
  QString cell_why(int col, int row) const override;

 protected:
  void store_text(int col, int row, const QString& text) override;
  void store_colour(int col, int row, Colour colour, CellMark mark) override;
  void store_why(int col, int row, const QString& why) override;
  void resize(int cols, int rows) override;

 private:
  struct Cell {
    QString text;
    Colour colour = k_white;
    CellMark mark = CellMark::plain;
    QString why;
  };
  const Cell* at(int col, int row) const;
  int cols_ = 0, rows_ = 0;
  std::vector<Cell> cells_;  // row-major
};

}  // namespace tn
