#include "import/header_layout.h"

#include <QHash>
#include <algorithm>

#include "import/book.h"
#include "import/messages.h"
#include "import/workbook.h"
#include "table/grid.h"
#include "table/sheet_columns.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn {

namespace {

// How far rows are counted; no table comes near it.
constexpr int k_counted_rows = 10000;

// Headers compare by their letters alone: width, case, blanks and dots
// aside ("ﾌｧｲﾙ名" = "ファイル名", "File name" = "FILENAME", "No." = "no").
QString header_key(const QString& header) {
  QString key = header.normalized(QString::NormalizationForm_KC).toCaseFolded();
  key.removeIf([](QChar c) { return c.isSpace() || c == u'_' || c == u'-' || c == u'.' || c == u'・'; });
  return key;
}

// Names a sheet may give a column beside the table's own headers.
const QHash<QString, QStringList>& other_names() {
  static const QHash<QString, QStringList> names = {
      {QStringLiteral("order"),
       {QStringLiteral("曲順"), QStringLiteral("順番"), QStringLiteral("曲番"), QStringLiteral("No"),
        QStringLiteral("#"), QStringLiteral("Order"), QStringLiteral("Track order")}},
      {QStringLiteral("file"), {QStringLiteral("ファイル"), QStringLiteral("File name"), QStringLiteral("File")}},
      {QStringLiteral("title"),
       {QStringLiteral("曲名"), QStringLiteral("タイトル"), QStringLiteral("Title"), QStringLiteral("Song"),
        QStringLiteral("Name")}},
      {QStringLiteral("album"), {QStringLiteral("アルバム名"), QStringLiteral("アルバム"), QStringLiteral("Album")}},
      {QStringLiteral("artist"),
       {QStringLiteral("アーティスト名"), QStringLiteral("アーティスト"), QStringLiteral("歌手"),
        QStringLiteral("Artist"), QStringLiteral("Performer")}},
      {QStringLiteral("track"),
       {QStringLiteral("トラック番号"), QStringLiteral("トラック"), QStringLiteral("Track"),
        QStringLiteral("Track number"), QStringLiteral("Track no")}},
      {QStringLiteral("disc"),
       {QStringLiteral("ディスク番号"), QStringLiteral("ディスク"), QStringLiteral("枚目"), QStringLiteral("Disc"),
        QStringLiteral("Disc number"), QStringLiteral("Disk")}},
      {QStringLiteral("year"),
       {QStringLiteral("年"), QStringLiteral("発売年"), QStringLiteral("リリース年"), QStringLiteral("Year"),
        QStringLiteral("Date")}},
      {QStringLiteral("genre"), {QStringLiteral("ジャンル"), QStringLiteral("Genre")}},
      {QStringLiteral("album_artist"),
       {QStringLiteral("アルバムアーティスト"), QStringLiteral("Album artist"), QStringLiteral("Band")}},
      {QStringLiteral("composer"), {QStringLiteral("作曲者"), QStringLiteral("作曲"), QStringLiteral("Composer")}},
      {QStringLiteral("comment"),
       {QStringLiteral("コメント"), QStringLiteral("備考"), QStringLiteral("Comment"), QStringLiteral("Comments")}},
      {QStringLiteral("title_sort"),
       {QStringLiteral("曲名よみがな"), QStringLiteral("曲名よみ"), QStringLiteral("Title sort"),
        QStringLiteral("Sort title")}},
      {QStringLiteral("album_sort"),
       {QStringLiteral("アルバム名よみがな"), QStringLiteral("アルバム名よみ"), QStringLiteral("Album sort"),
        QStringLiteral("Sort album")}},
      {QStringLiteral("artist_sort"),
       {QStringLiteral("アーティスト名よみがな"), QStringLiteral("アーティスト名よみ"), QStringLiteral("Artist sort"),
        QStringLiteral("Sort artist")}},
      {QStringLiteral("album_artist_sort"),
       {QStringLiteral("アルバムアーティストよみがな"), QStringLiteral("アルバムアーティストよみ"),
        QStringLiteral("Album artist sort"), QStringLiteral("Sort album artist")}},
  };
  return names;
}

const QHash<QString, int>& columns_by_key() {
  static const QHash<QString, int> map = [] {
    QHash<QString, int> m;
    for (const SheetColumn& c : sheet_columns()) {
      m.insert(header_key(c.header), c.column);
      m.insert(header_key(c.field), c.column);  // the command line's names: "album_artist"
      for (const QString& name : other_names().value(c.field)) m.insert(header_key(name), c.column);
    }
    return m;
  }();
  return map;
}

QString address(int col, int row) {  // both from 0
  QString letters;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) letters.prepend(QChar(u'A' + (c - 1) % 26));
  return letters + QString::number(row + 1);
}

// The header row: each named column once, the first of equal names.
void read_header_row(const Workbooks& wb, HeaderImport& out) {
  for (int c = 0; c < k_max_cols; ++c) {
    const QString header = wb.cell_value(address(c, 0)).value_or(QString()).trimmed();
    if (header.isEmpty()) continue;
    const int table_col = column_of_header(header);
    const bool taken = std::any_of(out.columns.begin(), out.columns.end(),
                                   [&](const HeaderImport::Column& x) { return x.table_col == table_col; });
    if (table_col == 0 || taken) out.skipped << header;
    else out.columns.push_back({c, table_col, header});
  }
}

}  // namespace

int column_of_header(const QString& header) { return columns_by_key().value(header_key(header), 0); }

std::optional<HeaderImport> read_by_headers(const Workbooks& wb, int file_count) {
  HeaderImport out;
  read_header_row(wb, out);
  for (int r = 1; r <= k_counted_rows; ++r) {
    QStringList values;
    bool any = false;
    for (const HeaderImport::Column& c : out.columns) {
      const auto value = wb.cell_value(address(c.sheet_col, r));
      if (!value && r <= file_count) return std::nullopt;
      any = any || !value || !value->isEmpty();
      values << value.value_or(QString());
    }
    if (any) out.sheet_rows = r;
    if (r <= file_count) out.rows.push_back(values);
  }
  return out;
}

QString header_rows_warning(const HeaderImport& sheet, int file_count) {
  if (sheet.sheet_rows == file_count) return {};
  return (sheet.sheet_rows < file_count ? import_msg::fewer_rows : import_msg::more_rows)
      .arg(sheet.sheet_rows)
      .arg(file_count);
}

std::vector<int> apply_header_import(Context& cx, const HeaderImport& sheet) {
  Grid& g = cx.ss1;
  std::vector<int> changed;
  for (std::size_t i = 0; i < sheet.columns.size(); ++i) {
    const int table_col = sheet.columns[i].table_col;
    if (table_col == col::name) continue;  // an import never renames
    for (int r = 1; r <= static_cast<int>(sheet.rows.size()); ++r) {
      const QString& value = sheet.rows[static_cast<std::size_t>(r - 1)][static_cast<qsizetype>(i)];
      if (g.cell_text(table_col, r) == value) continue;
      g.set_col(table_col);
      g.set_row(r);
      g.set_text(value);
      g.mark(table_col, r, CellMark::edited);
      if (changed.empty() || changed.back() != table_col) changed.push_back(table_col);
      // What the import changed shows, so that the user sees it before a write.
      if (col::is_field(table_col)) cx.state.shown_fields[col::field_at(table_col)] = true;
    }
  }
  std::sort(changed.begin(), changed.end());
  return changed;
}

HeaderRead excel_read_by_headers(Context& cx, const Workbooks& wb,
                                 const std::function<bool(const HeaderImport&)>& take, std::vector<int>* changed) {
  const int n = cx.state.file_count;
  const auto sheet = read_by_headers(wb, n);
  if (!sheet) return HeaderRead::failed;
  const bool any = std::any_of(sheet->columns.begin(), sheet->columns.end(),
                               [](const HeaderImport::Column& c) { return c.table_col != col::name; });
  if (!any) return HeaderRead::no_columns;
  if (take && !take(*sheet)) return HeaderRead::declined;
  *changed = apply_header_import(cx, *sheet);
  return HeaderRead::done;
}

}  // namespace tn
