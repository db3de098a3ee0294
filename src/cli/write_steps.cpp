// The fills of write, in the order they go into the table: a spreadsheet
// import, titles from the file names, then the texts given, so that a text
// given outright has the last word.

#include <QFileInfo>
#include <array>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "edit/edit_commands.h"
#include "edit/messages.h"
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

// The import dialog the main window would show: its format comes from
// --layout, and whether the read closed it tells that the read succeeded.
// Its preview of an import by header names is the table --dry-run prints;
// what the question would warn of, and the columns left out, go to stderr.
class ImportWindow final : public ImportHost {
 public:
  explicit ImportWindow(int file_count) : file_count_(file_count) {}
  void show_import_dialog() override { shown = true; }
  void close_import_dialog() override { closed = true; }
  void show_preview(const HeaderImport& sheet) override {
    if (!sheet.skipped.isEmpty())
      print_err(import_msg::skipped_label + sheet.skipped.join(QStringLiteral(", ")) + QLatin1Char('\n'));
    if (const QString warning = header_rows_warning(sheet, file_count_); !warning.isEmpty())
      print_err(warning + QLatin1Char('\n'));
  }
  bool shown = false, closed = false;

 private:
  int file_count_;
};

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

// Every field's column as the table shows it.
using TagColumns = std::array<QStringList, k_field_count>;
TagColumns tag_columns(const Session& s) {
  TagColumns out;
  for (Field f : all_fields())
    for (int r = 1; r <= s.state.file_count; ++r) out[static_cast<std::size_t>(f)] << s.grid.cell_text(col::of(f), r);
  return out;
}

// The field bits of title, album and artist where they differ; the other
// fields that differ into plan.fields.
int changed_columns(const TagColumns& before, const TagColumns& after, Plan& plan) {
  const int field_bits[] = {field_bit::title, field_bit::album, field_bit::artist};
  int bits = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    if (i < std::size(field_bits)) bits |= field_bits[i];
    else plan.fields[static_cast<Field>(i)] = true;
  }
  return bits;
}

// 表計算ﾌｧｲﾙ読込: the file picked, the format chosen, 読込開始; the sheet
// question answered by --sheet.
bool import_sheet(Session& s, const Args& args, Plan& plan) {
  ImportState st;
  ImportWindow window(s.state.file_count);
  const TagColumns before = tag_columns(s);
  s.dialogs.pick(QFileInfo(args.value(k_import)).absoluteFilePath());
  cmd_excel(s.cx, st, window);
  MemoryGrid example(4, 1);
  const int layout = layout_of(args);
  choose_format(st, example, layout);
  if (args.has(k_sheet)) {
    s.dialogs.answer(false);
    s.dialogs.type(args.value(k_sheet));
  } else {
    s.dialogs.answer(true);
  }
  if (window.shown) cmd_excel_read(s.cx, st, window);
  s.dialogs.clear_answers();  // a text file asks no sheet
  if (!window.closed) return false;
  // By header names only what changed is written: a sheet exported from
  // the folder writes nothing.
  plan.columns |= layout == k_header_format ? changed_columns(before, tag_columns(s), plan)
                  : layout == 1             ? field_bit::title
                                            : field_bit::all;
  return true;
}

bool titles_from_names(Session& s, const Args& args, Plan& plan) {
  if (args.has(k_names)) cmd_fname(s.cx);
  if (args.has(k_order_names)) cmd_zyun_fname(s.cx);
  plan.columns |= field_bit::title;
  return true;
}

// The fill of every row with one text; a fill the windows refuse shows its
// message, and nothing is written.
bool fill_texts(Session& s, const Args& args, Plan& plan) {
  struct Fill {
    const QString& option;
    int column, bit;
    const QString& empty_question;
  };
  const Fill fills[] = {{k_title, col::title, field_bit::title, msg::title_empty},
                        {k_album, col::album, field_bit::album, tn::msg::album_empty},
                        {k_artist, col::artist, field_bit::artist, tn::msg::artist_empty}};
  for (const Fill& f : fills) {
    if (!args.has(f.option)) continue;
    const int notices = s.dialogs.notice_count();
    fill_column(s.cx, f.column, args.value(f.option), f.empty_question);
    if (s.dialogs.notice_count() != notices) return false;
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
     import_sheet},
    {k_write,
     20,
     {{k_names, {}, QStringLiteral("曲名にﾌｧｲﾙ名を入力します")},
      {k_order_names, {}, QStringLiteral("曲名に曲順+ﾌｧｲﾙ名を入力します")}},
     [](const Args& args) {
       return args.has(k_names) && args.has(k_order_names) ? msg::one_title_source : QString();
     },
     titles_from_names},
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
