#include "clean_up/clean_up.h"

#include <algorithm>
#include <utility>

#include "clean_up/clean_text.h"
#include "clean_up/messages.h"
#include "history/messages.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/tag_writers.h"

namespace tn {

namespace {

// Applies rule to columns c1..c2 of rows 1..N; only a cell that changes
// takes the new text and the edited colour. Returns the columns changed.
template <class Rule>
std::vector<int> apply(Context& cx, int c1, int c2, Rule rule) {
  Grid& g = cx.ss1;
  std::vector<int> changed;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    for (int c = c1; c <= c2; ++c) {
      g.set_row(r);
      g.set_col(c);
      const QString before = g.text();
      const QString after = rule(before);
      if (after == before) continue;
      g.set_text(after);
      g.set_back_colour(k_edited);
      if (std::find(changed.begin(), changed.end(), c) == changed.end()) changed.push_back(c);
    }
  }
  std::sort(changed.begin(), changed.end());
  return changed;
}

// A cell a write of the repairs stores: shown repaired from mojibake, or
// held in legacy bytes.
bool is_repair(CellMark m) { return m == CellMark::repaired || m == CellMark::legacy; }

}  // namespace

bool is_repaired(const Grid& g, int col, int row) { return g.cell_mark(col, row) == CellMark::repaired; }

TrackNumbers track_numbers(Context& cx) {
  // N is the table's row count: a row whose file failed to read still holds
  // its place in the album.
  const int n = cx.state.file_count;
  TrackNumbers out;
  for (int i = 0; i < n; ++i) {
    bool ok = false;
    const int k = cx.ss1.cell_text(col::order, i + 1).trimmed().toInt(&ok);
    const bool has_file = !cx.state.file(i).isEmpty();
    if (has_file && (!ok || k < 1)) return {{}, msg::track_order_not_number};
    if (has_file && k > n) return {{}, msg::track_order_beyond_head + QString::number(n) + msg::track_order_beyond_tail};
    out.tracks << (has_file ? QStringLiteral("%1/%2").arg(k).arg(n) : QString());
  }
  return out;
}

RowsWritten write_track_numbers(Context& cx, const QStringList& tracks) {
  return write_fields(cx, {}, msg::run_track_numbers, nullptr, &tracks);
}

RowsWritten write_repairs(Context& cx) {
  RowsWritten out;
  const std::pair<Field, WriteFields> columns[] = {
      {Field::title, WriteFields::title}, {Field::album, WriteFields::album}, {Field::artist, WriteFields::artist}};
  for (const auto& [field, fields] : columns) {
    const int c = col::of(field);
    std::vector<int> rows;
    for (int r = 1; r <= cx.state.file_count; ++r)
      if (is_repair(cx.ss1.cell_mark(c, r))) rows.push_back(r);
    if (rows.empty()) continue;
    out.add(write_tag_columns(cx, fields, &rows));
    if (out.stopped) break;
  }
  refresh_marks(cx);
  return out;
}

std::vector<int> cmd_track_numbers(Context& cx) {
  const TrackNumbers numbers = track_numbers(cx);
  if (!numbers.refusal.isEmpty()) {
    cx.dialogs.notify(numbers.refusal);
    std::vector<int> rows_with_file;
    for (int i = 0; i < cx.state.file_count; ++i)
      if (!cx.state.file(i).isEmpty()) rows_with_file.push_back(i + 1);
    return rows_with_file;
  }
  if (!cx.dialogs.ask(msg::track_numbers_question)) return {};
  const RowsWritten run = write_track_numbers(cx, numbers.tracks);
  // Rows without a file are skipped, not failed.
  show_written(cx, run, msg::track_numbers_done);
  return files_not_written(cx, run);
}

std::vector<int> cmd_even_widths(Context& cx) { return apply(cx, col::name, col::artist, even_widths); }

std::vector<int> cmd_portable_names(Context& cx) { return apply(cx, col::name, col::name, portable_name); }

}  // namespace tn
