// The clean-up for Japanese collections on the command line: widths evened
// and track numbers written by write, portable names before rename, and the
// fields repaired on reading in list --json.

#include <QJsonArray>

#include "clean_up/clean_up.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "table/track_table.h"
#include "tags/tag_library.h"

namespace tn::cli {

namespace {

const QString k_even_widths = QStringLiteral("--even-widths");
const QString k_track_numbers = QStringLiteral("--track-numbers");
const QString k_portable_names = QStringLiteral("--portable-names");

// 文字幅をそろえる: the tag columns it changed are written.
bool even_widths(Session& s, const Args&, Plan& plan) {
  QStringList before;
  for (int r = 1; r <= s.state.file_count; ++r)
    for (const TagColumn& c : k_tag_columns) before << s.grid.cell_text(c.col, r);
  cmd_even_widths(s.cx);
  for (int r = 1, k = 0; r <= s.state.file_count; ++r)
    for (const TagColumn& c : k_tag_columns)
      if (s.grid.cell_text(c.col, r) != before[k++]) plan.columns |= c.bit;
  return true;
}

// 曲順をTAGに書込, after the columns; refused (its message shown) before
// anything is written, in a dry run too.
bool track_numbers(Session& s, const Args&, Plan& plan) {
  plan.tracks = tn::track_numbers(s.cx);
  if (!plan.tracks) return false;
  plan.writes.push_back([](Context& cx) { return cmd_track_numbers(cx); });
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
      {k_track_numbers, {}, QStringLiteral("曲順をﾄﾗｯｸ番号（曲順/ﾌｧｲﾙ数）としてTAGに書込みます")}},
     {},
     [](Session& s, const Args& args, Plan& plan) {
       return (!args.has(k_even_widths) || even_widths(s, args, plan)) &&
              (!args.has(k_track_numbers) || track_numbers(s, args, plan));
     }},
    {QStringLiteral("rename"),
     20,
     {{k_portable_names, {}, QStringLiteral("ﾌｧｲﾙ名に使えない文字 \\ / : * ? \" < > | を全角にし、末尾の . と空白を除きます")}},
     {},
     portable_names},
});

// "repaired": the fields of the row shown repaired from mojibake.
[[maybe_unused]] const bool registered_field = add_row_field([](const Session& s, int row, QJsonObject& out) {
  QJsonArray fields;
  for (const TagColumn& c : k_tag_columns)
    if (is_repaired(s.grid, c.col, row)) fields.append(QLatin1String(c.field));
  if (!fields.isEmpty()) out[QStringLiteral("repaired")] = fields;
});

}  // namespace

}  // namespace tn::cli
