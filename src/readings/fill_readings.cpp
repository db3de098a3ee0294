#include "readings/fill_readings.h"

#include <QStringList>

#include "readings/messages.h"
#include "readings/sort_values.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn::readings {

namespace {

// Where each sort column's texts go in the proposals.
struct Slot {
  QString SortTexts::*text;
  SortValue SortProposal::*value;
};
constexpr Slot k_slots[] = {{&SortTexts::title, &SortProposal::title},
                            {&SortTexts::album, &SortProposal::album},
                            {&SortTexts::artist, &SortProposal::artist},
                            {&SortTexts::album_artist, &SortProposal::album_artist}};
static_assert(std::size(k_slots) == std::size(k_sort_columns));

// Rows 1..N whose cells are a file's tag: a row whose file failed shows its
// name only, to tell which.
std::vector<int> tag_rows(const Context& cx) {
  std::vector<int> rows;
  for (int r = 1; r <= cx.state.file_count; ++r)
    if (!cx.state.file(r - 1).isEmpty() && cx.state.on_disk(r - 1)) rows.push_back(r);
  return rows;
}

// Puts one proposal into its cell; true when the cell changed. An unsure
// reading is marked even where it changed nothing (words no dictionary
// knows): the user is to look at it.
bool put(Grid& g, int c, int r, const SortValue& v) {
  if (v.unread || (v.sure && !v.changed)) return false;
  if (v.changed) {
    g.set_col(c);
    g.set_row(r);
    g.set_text(v.text);
  }
  g.mark(c, r, v.sure ? CellMark::edited : CellMark::unsure, v.why);
  return v.changed;
}

}  // namespace

const SortColumn* sort_column_at(int c) {
  for (const SortColumn& s : k_sort_columns)
    if (col::of(s.sort) == c) return &s;
  return nullptr;
}

FillResult fill_readings(Context& cx, Readings& readings, bool replace, Script script) {
  Grid& g = cx.ss1;
  // A table without the sort columns has nowhere to show the readings.
  if (g.col_count() < col::last) return {};
  const std::vector<int> rows = tag_rows(cx);
  std::vector<SortTexts> texts(rows.size()), existing(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t k = 0; k < std::size(k_slots); ++k) {
      texts[i].*k_slots[k].text = g.cell_text(col::of(k_sort_columns[k].source), rows[i]);
      existing[i].*k_slots[k].text = g.cell_text(col::of(k_sort_columns[k].sort), rows[i]);
    }
  const std::vector<SortProposal> proposed = propose_sort_values(readings, texts, existing, replace, script);
  FillResult out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    int changed = 0;
    for (std::size_t k = 0; k < std::size(k_slots); ++k) {
      const SortValue& v = proposed[i].*k_slots[k].value;
      const Field field = k_sort_columns[k].sort;
      out.unread += v.unread;
      const int put_here = put(g, col::of(field), rows[i], v);
      changed += put_here;
      if (!v.sure && !v.unread) out.unsure.push_back({rows[i], field, v.why});
      // The user sees every reading before a write: its column shows.
      if (put_here > 0 || (!v.sure && !v.unread)) cx.state.shown_fields[field] = true;
    }
    out.cells += changed;
    out.rows += changed > 0;
  }
  return out;
}

bool remember_reading(Context& cx, Readings& readings, int col, int row) {
  const SortColumn* s = sort_column_at(col);
  if (!s || row < 1 || row > cx.state.file_count) return true;
  Grid& g = cx.ss1;
  if (g.cell_mark(col, row) == CellMark::unsure) g.mark(col, row, CellMark::edited);
  const QString text = g.cell_text(col::of(s->source), row);
  const QString reading = g.cell_text(col, row);
  // An emptied cell says nothing about how the text reads.
  if (text.trimmed().isEmpty() || reading.trimmed().isEmpty()) return true;
  const Reading known = readings.read(text, s->kind);
  if (known.sure && known.text == to_script(reading, Script::hiragana)) return true;
  QString error;
  if (readings.correct(text, reading, &error)) return true;
  cx.dialogs.notify(error);
  return false;
}

void cmd_readings(Context& cx, Readings& readings, bool replace, Script script) {
  const FillResult done = fill_readings(cx, readings, replace, script);
  QStringList notice;
  if (done.unread > 0) notice << readings.missing();
  if (!done.unsure.empty()) notice << msg::readings_to_check + QString::number(done.unsure.size());
  if (done.cells == 0 && notice.isEmpty()) notice << msg::readings_none;
  if (!notice.isEmpty()) cx.dialogs.notify(notice.join(QLatin1Char('\n')));
}

}  // namespace tn::readings
