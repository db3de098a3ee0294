#include "table/track_table.h"

#include <algorithm>

#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"

namespace tn {

void fill_table(Context& cx) {
  Grid& g = cx.ss1;
  const int n = cx.state.file_count;
  g.set_col(col::name);
  g.set_row(1);
  for (int i = 0; i < n; ++i) {
    g.set_text(cx.state.file(i));
    // The name is the file's own now (a clean-up may have marked it edited).
    if (g.cell_colour(col::name, g.row()) == k_edited) g.set_back_colour(k_white);
    g.set_row(g.row() + 1);
  }
  g.set_row(1);
  g.set_col(col::order);
  for (int r = 1; r <= n; ++r) {
    if (r < 10)
      g.set_text(track_order(r));
    else
      g.set_text(r);
    g.set_row(g.row() + 1);
  }
}

std::vector<int> relist_entries(Context& cx, Relist how) {
  const QStringList listing = list_mp3_files(cx.state.edit_folder);
  TrackState& st = cx.state;
  std::vector<int> changed;
  for (int i = 0; i < st.file_count; ++i) {
    const QString before = st.file(i);
    if (how == Relist::rebuild) {
      // A folder that now holds fewer files leaves the rest of the entries
      // empty; one that holds more gives its first N.
      st.set_file(i, i < listing.size() ? listing[i] : QString());
    } else if (before.isEmpty() && !st.listed(i).isEmpty() && listing.contains(st.listed(i))) {
      st.set_file(i, st.listed(i));
    }
    if (st.file(i) != before) changed.push_back(i + 1);
  }
  return changed;
}

void relist_files(Context& cx, Relist how) {
  const std::vector<int> changed = relist_entries(cx, how);
  const int n = cx.state.file_count;
  Grid& g = cx.ss1;
  if (how == Relist::keep_rows) {
    g.set_col(col::name);
    for (int r : changed) {
      g.set_row(r);
      g.set_text(cx.state.file(r - 1));
    }
  }
  g.set_col(col::order);
  g.set_row(1);
  for (int i = 0; i < n; ++i) {
    g.set_text(QString());
    g.set_row(g.row() + 1);
  }
}

void paint_columns(Context& cx, int c1, int c2, Colour colour) {
  Grid& g = cx.ss1;
  g.set_row(1);
  g.set_col(c1);
  g.set_block_row2(cx.state.file_count);
  g.set_block_col2(c2);
  g.set_block_mode(true);
  g.set_back_colour(colour);
  g.set_block_mode(false);
}

bool has_unwritten_edits(Context& cx) {
  const Grid& g = cx.ss1;
  const int rows = std::min<int>(cx.state.file_count, g.row_count());
  // Only a row whose file gave its tag can be written; the marks of the
  // others name no change a write could store.
  for (int r = 1; r <= rows; ++r) {
    if (!cx.state.on_disk(r - 1)) continue;
    // A composed or typed name not yet applied counts like a tag edit.
    for (int c = col::name; c <= col::last; ++c)
      if (is_unwritten(g.cell_mark(c, r))) return true;
  }
  return false;
}

}  // namespace tn
