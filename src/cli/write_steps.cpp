// The fills of write, in the order they go into the table: a spreadsheet
// import, titles from the file names, then the texts given, so that a text
// given outright has the last word.

#include <QFileInfo>
#include <algorithm>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "edit/edit_commands.h"
#include "import/header_layout.h"
#include "import/import.h"
#include "import/messages.h"
#include "table/track_table.h"
#include "tags/tag_library.h"

namespace tn::cli {

namespace {

const QString k_write = QStringLiteral("write");
const QString k_import = QStringLiteral("--import");
const QString k_layout = QStringLiteral("--layout");
const QString k_sheet = QStringLiteral("--sheet");
const QString k_names = QStringLiteral("--titles-from-names");
const QString k_order_names = QStringLiteral("--titles-from-names-with-order");
const QString k_title = QStringLiteral("--title");
const QString k_album = QStringLiteral("--album");
const QString k_artist = QStringLiteral("--artist");

const QString k_header_layout = QStringLiteral("header");

int layout_of(const Args& args) {
  if (!args.has(k_layout)) return 1;
  const QString v = args.value(k_layout);
  if (v == k_header_layout) return k_header_format;
  return v == QString::number(v.toInt()) && v.toInt() >= 1 && v.toInt() <= 3 ? v.toInt() : 0;
}

QString check_import(const Args& args) {
  if (!args.has(k_import)) return msg::needs_import;
  if (layout_of(args) == 0) return msg::bad_layout + args.value(k_layout);
  return {};
}

// 表計算ﾌｧｲﾙ読込 of the sheet given, in the layout given, from the sheet
// named by --sheet or Sheet1. Its preview of an import by header names is
// the table --dry-run prints; what the question would warn of, and the
// columns left out, go to stderr. By header names only what changed is
// written: a sheet exported from the folder writes nothing.
bool import_step(Session& s, const Args& args, Plan& plan) {
  ImportChoices choices{QFileInfo(args.value(k_import)).absoluteFilePath(), layout_of(args), {}, {}};
  if (args.has(k_sheet)) choices.sheet = [&] { return std::optional<QString>(args.value(k_sheet)); };
  choices.take = [&](const HeaderImport& sheet) {
    if (!sheet.skipped.isEmpty())
      print_err(import_msg::skipped_label + sheet.skipped.join(QStringLiteral(", ")) + QLatin1Char('\n'));
    if (const QString warning = header_rows_warning(sheet, s.state.file_count); !warning.isEmpty())
      print_err(warning + QLatin1Char('\n'));
    return true;
  };
  Workbooks books;
  const ImportRun run = import_sheet(s.cx, books, choices);
  if (!run.text.isEmpty()) s.dialogs.notify(run.text);
  // A sheet shorter than the table empties the rest of its columns, as the
  // layouts by position do: said as the layout by header names says it.
  if (run.end == ImportEnd::done && choices.format != k_header_format) {
    int rows = s.state.file_count;
    auto empty_row = [&](int r) {
      return std::all_of(run.columns.begin(), run.columns.end(),
                         [&](int c) { return c == col::order || s.grid.cell_text(c, r).isEmpty(); });
    };
    while (rows > 0 && empty_row(rows)) --rows;
    if (rows < s.state.file_count)
      print_err(import_msg::fewer_rows.arg(rows).arg(s.state.file_count) + QLatin1Char('\n'));
  }
  plan.columns |= tag_bits(run.columns);
  // The other fields an import changed are written as well.
  for (const int c : run.columns)
    if (col::is_field(c) && c > col::artist) plan.fields[col::field_at(c)] = true;
  return run.end == ImportEnd::done;
}

bool titles_step(Session& s, const Args& args, Plan& plan) {
  if (args.has(k_names)) titles_from_names(s.cx, false);
  if (args.has(k_order_names)) titles_from_names(s.cx, true);
  plan.columns |= field_bit::title;
  return true;
}

// The fill of every row with one text, consented to by the command line; a
// fill refused shows its message, and nothing is written.
bool fill_texts(Session& s, const Args& args, Plan& plan) {
  struct Fill {
    const QString& option;
    int column, bit;
  };
  const Fill fills[] = {{k_title, col::title, field_bit::title},
                        {k_album, col::album, field_bit::album},
                        {k_artist, col::artist, field_bit::artist}};
  for (const Fill& f : fills) {
    if (!args.has(f.option)) continue;
    const FillRun run = fill_rows(s.cx, f.column, args.value(f.option), true);
    if (!run.text.isEmpty()) s.dialogs.notify(run.text);
    if (run.end != FillEnd::done) return false;
    plan.columns |= f.bit;
  }
  return true;
}

[[maybe_unused]] const bool registered = add_steps({
    {k_write,
     10,
     {{k_import, QStringLiteral("SHEET"),
       QStringLiteral("表計算ﾌｧｲﾙ（.xls .xlsx .ods .csv .tsv）から読込みます")},
      {k_layout, QStringLiteral("1|2|3|header"),
       QStringLiteral("読込形式: 1 曲名のみ、2 曲名・ｱﾙﾊﾞﾑ名・ｱｰﾃｨｽﾄ名、3 曲順・曲名・ｱﾙﾊﾞﾑ名・ｱｰﾃｨｽﾄ名、"
                      "header 1行目の見出しの列名で（export の書出し、Title・Album・Artist など。既定 1）")},
      {k_sheet, QStringLiteral("NAME"), QStringLiteral("読込むｼｰﾄ名（既定 Sheet1）")}},
     check_import,
     import_step},
    {k_write,
     20,
     {{k_names, {}, QStringLiteral("曲名にﾌｧｲﾙ名を入力します")},
      {k_order_names, {}, QStringLiteral("曲名に曲順+ﾌｧｲﾙ名を入力します")}},
     [](const Args& args) {
       return args.has(k_names) && args.has(k_order_names) ? msg::one_title_source : QString();
     },
     titles_step},
    {k_write,
     30,
     {{k_title, QStringLiteral("TEXT"), QStringLiteral("全ての行の曲名（30文字以内、\"\" で消去）")},
      {k_album, QStringLiteral("TEXT"), QStringLiteral("全ての行のｱﾙﾊﾞﾑ名（30文字以内、\"\" で消去）")},
      {k_artist, QStringLiteral("TEXT"), QStringLiteral("全ての行のｱｰﾃｨｽﾄ名（30文字以内、\"\" で消去）")}},
     {},
     fill_texts},
});

}  // namespace

}  // namespace tn::cli
