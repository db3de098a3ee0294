// よみがなを付ける on the command line: write's step that fills the
// sort-reading columns, and those columns in --json (title_sort,
// album_sort, artist_sort, album_artist_sort, and "unsure": why a reading
// is to be checked, by field).

#include <QJsonObject>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "readings/fill_readings.h"
#include "table/track_table.h"

namespace tn::cli {

namespace {

const QString k_readings = QStringLiteral("--readings");
const QString k_kana = QStringLiteral("--kana");
const QString k_replace = QStringLiteral("replace");
const QString k_hiragana = QStringLiteral("hiragana");
const QString k_katakana = QStringLiteral("katakana");

QString check_readings(const Args& args) {
  if (!args.has(k_readings)) return msg::kana_needs_readings;
  if (const QString v = args.value(k_readings); !v.isEmpty() && v != k_replace) return msg::bad_readings + v;
  if (const QString v = args.value(k_kana); args.has(k_kana) && v != k_hiragana && v != k_katakana)
    return msg::bad_kana + v;
  return {};
}

// The readings go into the table; the sort columns that now differ from
// their files are written with the run's other fields.
bool fill_sort_readings(Session& s, const Args& args, Plan& plan) {
  readings::Readings r;
  const auto script = args.value(k_kana) == k_katakana ? readings::Script::katakana : readings::Script::hiragana;
  if (readings::fill_readings(s.cx, r, args.value(k_readings) == k_replace, script).unread > 0)
    s.dialogs.notify(r.missing());
  for (const readings::SortColumn& c : readings::k_sort_columns)
    for (int row = 1; row <= s.state.file_count; ++row) {
      const CellMark m = s.grid.cell_mark(col::of(c.sort), row);
      if (m == CellMark::edited || m == CellMark::unsure) plan.fields[c.sort] = true;
    }
  return true;
}

[[maybe_unused]] const bool registered_step = add_steps({
    {QStringLiteral("write"),
     50,
     {{k_readings, QStringLiteral("[=replace]"),
       QStringLiteral("よみがな（並べ替え用の読み）を付けます。=replace で既にある読みも付け直します")},
      {k_kana, QStringLiteral("hiragana|katakana"), QStringLiteral("よみがなの文字（既定 hiragana）")}},
     check_readings,
     fill_sort_readings},
});

// A sort column the table's own keys already give stays as they give it.
[[maybe_unused]] const bool registered_field = add_row_field([](const Session& s, int row, QJsonObject& out) {
  QJsonObject unsure;
  for (const readings::SortColumn& c : readings::k_sort_columns) {
    const int column = col::of(c.sort);
    if (!out.contains(field_key(c.sort))) out[field_key(c.sort)] = s.grid.cell_text(column, row);
    if (s.grid.cell_mark(column, row) == CellMark::unsure) unsure[field_key(c.sort)] = s.grid.cell_why(column, row);
  }
  if (!unsure.isEmpty()) out[QStringLiteral("unsure")] = unsure;
});

}  // namespace

}  // namespace tn::cli
