// The clean-up for Japanese collections on the command line: widths evened,
// track numbers and the cells repaired or held in legacy bytes written by
// write, portable names before rename, and those cells named in list --json.

#include <QJsonArray>

#include "clean_up/clean_up.h"
#include "clean_up/messages.h"
#include "cli/cli.h"
#include "cli/session.h"
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
  plan.writes.push_back(
      {[tracks = numbers.tracks](Context& cx) { return write_track_numbers(cx, tracks); }, tn::msg::track_numbers_done});
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
       if (args.has(k_repairs)) plan.writes.push_back({write_repairs, {}});
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
