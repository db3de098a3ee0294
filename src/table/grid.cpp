#include "table/grid.h"

#include <algorithm>

namespace tn {

void Grid::set_text(const QString& text) {
  // A cell outside the grid (the row one past the last, say) takes nothing.
  if (in_range(col_, row_)) store_text(col_, row_, text);
}

QString Grid::text() const {
  return in_range(col_, row_) ? cell_text(col_, row_) : QString();
}

void Grid::set_back_colour(Colour colour) {
  if (!block_mode_) {
    if (in_range(col_, row_)) store_colour(col_, row_, colour, mark_of_colour(colour));
    return;
  }
  const int c1 = std::max(1, std::min(col_, block_col2_));
  const int c2 = std::min(col_count(), std::max(col_, block_col2_));
  const int r1 = std::max(1, std::min(row_, block_row2_));
  const int r2 = std::min(row_count(), std::max(row_, block_row2_));
  for (int r = r1; r <= r2; ++r)
    for (int c = c1; c <= c2; ++c) store_colour(c, r, colour, mark_of_colour(colour));
}

void Grid::set_max_rows(int rows) { resize(col_count(), std::max(0, rows)); }
void Grid::set_max_cols(int cols) { resize(std::max(0, cols), row_count()); }

}  // namespace tn
