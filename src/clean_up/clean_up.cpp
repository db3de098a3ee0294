#include "clean_up/clean_up.h"

#include "clean_up/clean_text.h"
#include "clean_up/messages.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/tag_writers.h"

namespace tn {

namespace {

// Applies rule to columns c1..c2 of rows 1..N; only a cell that changes
// takes the new text and the edited colour.
template <class Rule>
void apply(Context& cx, int c1, int c2, Rule rule) {
  Grid& g = cx.ss1;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    for (int c = c1; c <= c2; ++c) {
      g.set_row(r);
      g.set_col(c);
      const QString before = g.text();
      const QString after = rule(before);
      if (after == before) continue;
      g.set_text(after);
      g.set_back_colour(k_edited);
    }
  }
}

}  // namespace

bool is_repaired(const Grid& g, int col, int row) { return g.cell_mark(col, row) == CellMark::repaired; }

std::optional<QStringList> track_numbers(Context& cx) {
  // N is the table's row count: a row whose file failed to read still holds
  // its place in the album.
  const int n = cx.state.file_count;
  QStringList tracks;
  Grid& g = cx.ss1;
  for (int i = 0; i < n; ++i) {
    g.set_row(i + 1);
    g.set_col(col::order);
    bool ok = false;
    const int k = g.text().trimmed().toInt(&ok);
    const bool has_file = !cx.state.file(i).isEmpty();
    if (has_file && (!ok || k < 1)) {
      cx.dialogs.notify(msg::track_order_not_number);
      return std::nullopt;
    }
    if (has_file && k > n) {
      cx.dialogs.notify(msg::track_order_beyond_head + QString::number(n) + msg::track_order_beyond_tail);
      return std::nullopt;
    }
    tracks << (has_file ? QStringLiteral("%1/%2").arg(k).arg(n) : QString());
  }
  return tracks;
}

std::vector<int> cmd_track_numbers(Context& cx) {
  std::vector<int> rows_with_file;
  for (int i = 0; i < cx.state.file_count; ++i)
    if (!cx.state.file(i).isEmpty()) rows_with_file.push_back(i + 1);
  const std::optional<QStringList> tracks = track_numbers(cx);
  if (!tracks) return rows_with_file;
  if (!cx.dialogs.ask(msg::track_numbers_question)) return {};
  std::vector<int> failed = tag_write(cx, WriteFields::track, *tracks);
  // Rows without a file are skipped, not failed.
  std::erase_if(failed, [&](int r) { return cx.state.file(r - 1).isEmpty(); });
  if (failed.empty()) cx.dialogs.notify(msg::track_numbers_done);
  return failed;
}

void cmd_even_widths(Context& cx) { apply(cx, col::name, col::artist, even_widths); }

void cmd_portable_names(Context& cx) { apply(cx, col::name, col::name, portable_name); }

}  // namespace tn
