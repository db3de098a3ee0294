#include "cli/session.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/messages.h"
#include "history/history.h"
#include "shell/folder_confirm.h"
#include "table/folder.h"
#include "table/track_table.h"

namespace tn::cli {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto k_quiet_time = std::chrono::milliseconds(500);

// The windows opening a folder would hide and show: there are none.
class NoWindows final : public Shell {
 public:
  void hide_startup() override {}
  void show_main() override {}
  void set_main_caption(const QString&) override {}
};

std::vector<RowField>& row_fields() {
  static std::vector<RowField> list;
  return list;
}

// A line of tab-separated cells: tabs and line breaks inside a cell shown as
// \t, \n and \r, so that a row stays one line; a backslash as \\, so that
// a name holding "\n" is not taken for one holding a line break.
QString tsv_cell(QString text) {
  return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
      .replace(QLatin1Char('\t'), QLatin1String("\\t"))
      .replace(QLatin1Char('\n'), QLatin1String("\\n"))
      .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

// The file of row r: the one it was listed with, also when it failed to read
// and the table shows no name.
QString row_file(const Session& s, int r) {
  const QString shown = s.grid.cell_text(col::name, r);
  return shown.isEmpty() ? s.state.listed(r - 1) : shown;
}

const ReadError* read_error(const Session& s, int r) {
  for (const ReadError& e : s.read_errors)
    if (e.row == r) return &e;
  return nullptr;
}

}  // namespace

void CliProgress::begin(int total) {
  start_ = Clock::now();
  total_ = total;
  shown_ = false;
}

void CliProgress::step(int done) {
  if (!shown_ && (Clock::now() - start_ < k_quiet_time || !::isatty(STDERR_FILENO))) return;
  shown_ = true;
  print_err(QLatin1Char('\r') + msg::progress + QString::number(done) + QLatin1Char('/') +
            QString::number(total_));
}

void CliProgress::end() { clear_line(); }

void CliProgress::clear_line() {
  if (shown_) print_err(QStringLiteral("\r\x1b[K"));
}

// The command line calls operations, which take their answers as
// parameters: a question that still reached it would be refused, never
// answered for the user.
bool CliDialogs::ask(const QString&) { return false; }

void CliDialogs::notify(const QString& text) {
  progress_.clear_line();
  print_err(text + QLatin1Char('\n'));
}

QString CliDialogs::input(const QString&) { return {}; }

std::optional<QString> CliDialogs::open_file(const QString&, const QStringList&, int) { return std::nullopt; }

Session::Session() : tags(make_taglib_library()), cx{state, grid, dialogs, *tags, &progress} {}

bool Session::open(const QString& folder) {
  const QFileInfo fi(folder);
  if (!fi.isDir() || !fi.isReadable()) {
    print_err(msg::prefix + msg::not_a_folder + folder + QLatin1Char('\n'));
    return false;
  }
  const QString path = QDir::cleanPath(fi.absoluteFilePath());
  lock.emplace(history::native_folder(path));
  NoWindows windows;
  QStringList links;
  const QStringList files = list_mp3_files(path, &links);
  if (!open_folder(cx, windows, path, files, &read_errors)) return false;
  // Once, whatever the command: they are in no row.
  if (!links.isEmpty()) dialogs.notify(links_skipped_text(links));
  return true;
}

int tag_bits(const std::vector<int>& columns) {
  int bits = 0;
  for (const TagColumn& c : k_tag_columns)
    if (std::find(columns.begin(), columns.end(), c.col) != columns.end()) bits |= c.bit;
  return bits;
}

QString tsv_line(const QStringList& cells) {
  QStringList out;
  for (const QString& c : cells) out << tsv_cell(c);
  return out.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString table_text(const Session& s) {
  QString out;
  for (int r = 1; r <= s.state.file_count; ++r) {
    QStringList cells{s.grid.cell_text(col::order, r), row_file(s, r)};
    for (Field f : all_fields())
      if (s.state.shown_fields[f]) cells << s.grid.cell_text(col::of(f), r);
    out += tsv_line(cells);
  }
  return out;
}

QJsonObject table_json(const Session& s) {
  QJsonArray rows;
  for (int r = 1; r <= s.state.file_count; ++r) {
    QJsonObject row{{QStringLiteral("order"), s.grid.cell_text(col::order, r)},
                    {QStringLiteral("file"), row_file(s, r)},
                    {QStringLiteral("error"), QJsonValue::Null}};
    for (Field f : all_fields()) row[field_key(f)] = s.grid.cell_text(col::of(f), r);
    if (const ReadError* e = read_error(s, r))
      row[QStringLiteral("error")] =
          QJsonObject{{QStringLiteral("number"), e->number}, {QStringLiteral("message"), e->message}};
    // A tag with no audio after it reads as any other; the row says so.
    if (s.state.no_audio(r - 1)) row[QStringLiteral("no_audio")] = true;
    for (const RowField& field : row_fields()) field(s, r, row);
    rows.append(row);
  }
  return {{QStringLiteral("folder"), s.state.edit_folder}, {QStringLiteral("rows"), rows}};
}

void print_json(const QJsonObject& doc) {
  print_out(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
}

void print_table(const Session& s, bool json, const QJsonObject& extra) {
  if (!json) return print_out(table_text(s));
  QJsonObject doc = table_json(s);
  for (auto it = extra.begin(); it != extra.end(); ++it) doc.insert(it.key(), it.value());
  print_json(doc);
}

bool add_row_field(RowField field) {
  row_fields().push_back(std::move(field));
  return true;
}

}  // namespace tn::cli
