#include "table/cell_marks.h"

#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn {

namespace {

// A file-name cell of a row with a file: edited while it is not the name the
// file has, a change a rename has still to apply; else it tells of a file
// without audio.
CellMark name_mark(const Context& cx, int r) {
  const QString& file = cx.state.file(r - 1);
  if (!file.isEmpty() && cx.ss1.cell_text(col::name, r) != file) return CellMark::edited;
  return !file.isEmpty() && cx.state.no_audio(r - 1) ? CellMark::no_audio : CellMark::plain;
}

// The one rule of a tag cell of a row whose tag was read.
CellMark tag_mark(const Context& cx, int c, int r, const TagTexts& disk) {
  const std::size_t k = field_index(col::field_at(c));
  if (cx.ss1.cell_text(c, r) != disk[k]) return CellMark::edited;
  return cx.state.legacy(r - 1)[k] ? CellMark::legacy : CellMark::plain;
}

}  // namespace

void refresh_marks(Context& cx) {
  Grid& g = cx.ss1;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    const auto& disk = cx.state.on_disk(r - 1);
    for (int c = col::order; c <= col::last; ++c) {
      CellMark m = !disk              ? CellMark::unreadable
                   : col::is_field(c)      ? tag_mark(cx, c, r, *disk)
                   : c == col::name     ? name_mark(cx, r)
                                        : CellMark::plain;
      // What the read repaired, or a reading to check, still differs from
      // its file: it stays told so.
      if (m == CellMark::edited && (g.cell_mark(c, r) == CellMark::repaired || g.cell_mark(c, r) == CellMark::unsure))
        m = g.cell_mark(c, r);
      g.mark(c, r, m);
    }
  }
}

void mark_typed(Context& cx, int col, int row) {
  if (row < 1 || row > cx.state.file_count) return;
  // A row without a file keeps its mark: it tells which file failed.
  if (col == col::name && !cx.state.file(row - 1).isEmpty()) cx.ss1.mark(col, row, name_mark(cx, row));
  if (!col::is_field(col)) return;
  if (const auto& disk = cx.state.on_disk(row - 1)) cx.ss1.mark(col, row, tag_mark(cx, col, row, *disk));
}

void note_legacy(Context& cx, int row, const TagFlags& held) {
  cx.state.set_legacy(row - 1, held);
  const auto& disk = cx.state.on_disk(row - 1);
  if (!disk) return;
  for (int c = col::title; c <= col::last; ++c) {
    const CellMark m = cx.ss1.cell_mark(c, row);
    if (m == CellMark::plain || m == CellMark::legacy) cx.ss1.mark(c, row, tag_mark(cx, c, row, *disk));
  }
}

void note_written(Context& cx, int row, int c1, int c2) {
  auto disk = cx.state.on_disk(row - 1);
  if (!disk) return;
  TagFlags legacy = cx.state.legacy(row - 1);
  for (int c = c1; c <= c2; ++c) {
    if (!col::is_field(c)) continue;
    const std::size_t k = field_index(col::field_at(c));
    (*disk)[k] = cx.ss1.cell_text(c, row);
    legacy[k] = false;  // stored as Unicode
  }
  cx.state.set_on_disk(row - 1, disk);
  cx.state.set_legacy(row - 1, legacy);
}

}  // namespace tn
