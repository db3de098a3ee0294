// The clean-up for Japanese collections on the command line: widths evened,
// track numbers and the cells repaired or held in legacy bytes written by
// write, portable names before rename, and those cells named in list --json.

#include <QJsonArray>
#include <algorithm>

#include "clean_up/clean_up.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "table/cell_marks.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

namespace tn::cli {

namespace {

const QString k_even_widths = QStringLiteral("--even-widths");
const QString k_track_numbers = QStringLiteral("--track-numbers");
const QString k_portable_names = QStringLiteral("--portable-names");
const QString k_repairs = QStringLiteral("--repairs");


// The cells a write of the repairs stores: shown repaired from mojibake, or
// held in legacy bytes, and not written since.
bool is_repair(CellMark m) { return m == CellMark::repaired || m == CellMark::legacy; }

// Those cells, column by column and each only in its own rows: a cell
// shown as its file holds it is not stored again.
std::vector<int> write_repairs(Context& cx) {
  std::vector<int> failed;
  for (const TagColumn& c : k_tag_columns) {
    std::vector<int> rows;
    for (int r = 1; r <= cx.state.file_count; ++r)
      if (is_repair(cx.ss1.cell_mark(c.col, r))) rows.push_back(r);
    if (rows.empty()) continue;
    const std::vector<int> not_written = tag_write(cx, c.writer, {}, &rows);
    failed.insert(failed.end(), not_written.begin(), not_written.end());
  }
  refresh_marks(cx);
  std::sort(failed.begin(), failed.end());
  failed.erase(std::unique(failed.begin(), failed.end()), failed.end());
  return failed;
}

// 文字幅をそろえる: the tag columns it changed are written.
bool even_widths(Session& s, const Args&, Plan& plan) {
  plan.columns |= tag_bits(cmd_even_widths(s.cx));
  return true;
}

// 曲順をTAGに書込, after the columns; refused (its message shown) before
// anything is written, in a dry run too.
bool track_numbers_step(Session& s, const Args&, Plan& plan) {
  const TrackNumbers numbers = tn::track_numbers(s.cx);
  if (!numbers.refusal.isEmpty()) {
    s.dialogs.notify(numbers.refusal);
    return false;
  }
  plan.tracks = numbers.tracks;
  plan.writes.push_back([tracks = numbers.tracks](Context& cx) {
    const TrackWrite run = write_track_numbers(cx, tracks);
    if (!run.text.isEmpty()) cx.dialogs.notify(run.text);
    return run.not_written;
  });
  return true;
}

bool portable_names(Session& s, const Args&, Plan&) {
  cmd_portable_names(s.cx);
  return true;
}

[[maybe_unused]] const bool registered_steps = add_steps({
    {QStringLiteral("write"),
     40,
     {{k_even_widths, {}, QStringLiteral("全角英数字と空白を半角に、半角ｶﾅを全角にそろえます")},
      {k_track_numbers, {}, QStringLiteral("曲順をﾄﾗｯｸ番号（曲順/ﾌｧｲﾙ数）としてTAGに書込みます")},
      {k_repairs, {}, QStringLiteral("文字化けを直したｾﾙと古い文字ｺｰﾄﾞのｾﾙだけをUnicodeで書込みます")}},
     {},
     [](Session& s, const Args& args, Plan& plan) {
       if (args.has(k_repairs)) plan.writes.push_back(write_repairs);
       return (!args.has(k_even_widths) || even_widths(s, args, plan)) &&
              (!args.has(k_track_numbers) || track_numbers_step(s, args, plan));
     }},
    {QStringLiteral("rename"),
     20,
     {{k_portable_names, {}, QStringLiteral("ﾌｧｲﾙ名に使えない文字 \\ / : * ? \" < > | を全角にし、末尾の . と空白を除きます")}},
     {},
     portable_names},
});

// "repaired": the fields of the row shown repaired from mojibake; "legacy":
// those its file holds in legacy bytes.
[[maybe_unused]] const bool registered_field = add_row_field([](const Session& s, int row, QJsonObject& out) {
  for (const CellMark m : {CellMark::repaired, CellMark::legacy}) {
    QJsonArray fields;
    for (const TagColumn& c : k_tag_columns)
      if (s.grid.cell_mark(c.col, row) == m) fields.append(QLatin1String(c.field));
    if (!fields.isEmpty()) out[m == CellMark::repaired ? QStringLiteral("repaired") : QStringLiteral("legacy")] = fields;
  }
});

}  // namespace

}  // namespace tn::cli
