#include "export/export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "export/messages.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/sheet_columns.h"
#include "text/text.h"
#include "table/track_state.h"
#include "durable/safe_write.h"

namespace tn {

namespace {

QString failure(const QString& why, const QString& path) { return why + QLatin1Char('\n') + path; }

QString reason_of(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return export_msg::no_permission;
    case ENOENT:
    case ENOTDIR: return export_msg::no_folder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return export_msg::disk_full;
    default: return export_msg::write_failed;
  }
}

// What a new file gets: read and write as the umask allows, our own.
struct stat new_file_stat() {
  struct stat st {};
  const mode_t mask = ::umask(0);
  ::umask(mask);
  st.st_mode = S_IFREG | (0666 & ~mask);
  st.st_uid = ::getuid();
  st.st_gid = ::getgid();
  return st;
}

// What path names: a link is followed, so that the file it names gets the
// sheet.
QString target_of(const QString& path) {
  const QFileInfo fi(path);
  return fi.isSymLink() && fi.exists() ? fi.canonicalFilePath() : path;
}

// Replaces path by bytes as a whole; empty on success, else the reason.
QString save(const QString& path, const QByteArray& bytes) {
  const QByteArray target = encode_file_name(path);
  struct stat st {};
  if (::stat(target.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return export_msg::is_folder;
    // The rename would replace it all the same; its owner meant to keep it.
    if (::access(target.constData(), W_OK) != 0) return export_msg::read_only;
  } else if (errno == ENOENT) {
    st = new_file_stat();
  } else {
    return reason_of(errno);
  }
  const bool ok = replace_file(target, st, [&](int fd) {
    return write_all(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
  });
  return ok ? QString() : reason_of(errno);
}

// A field quoted where the text needs it: separators, quotes, line breaks,
// and blanks at either end, which some readers trim.
QString csv_field(const QString& text) {
  const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                     text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                     (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
  if (!quote) return text;
  QString q = text;
  return QLatin1Char('"') + q.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

}  // namespace

std::vector<ExportColumn> export_columns(const Grid& ss1, int rows, const FieldSet& shown) {
  std::vector<ExportColumn> out;
  for (const SheetColumn& c : shown_columns(shown)) {
    ExportColumn column{c.field, c.header, {}};
    // A file name's byte that is no UTF-8 goes out as U+FFFD, as the table
    // shows it (the import does not take file names back).
    for (int r = 1; r <= rows; ++r) column.values << without_lone_surrogates(ss1.cell_text(c.column, r));
    out.push_back(std::move(column));
  }
  return out;
}

std::optional<SheetFormat> sheet_format_of(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == u"xlsx") return SheetFormat::xlsx;
  if (suffix == u"ods") return SheetFormat::ods;
  if (suffix == u"csv") return SheetFormat::csv;
  return std::nullopt;
}

// UTF-8 with a byte-order mark, which tells Excel the encoding; CRLF line
// ends and quoting as RFC 4180 has them.
QByteArray csv_bytes(const std::vector<ExportColumn>& columns) {
  QString text;
  const qsizetype rows = columns.empty() ? 0 : columns.front().values.size();
  for (qsizetype r = -1; r < rows; ++r) {
    QStringList line;
    for (const ExportColumn& c : columns) line << csv_field(r < 0 ? c.header : c.values.value(r));
    text += line.join(QLatin1Char(',')) + QLatin1String("\r\n");
  }
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString export_table(const Grid& ss1, int rows, const QString& path, const FieldSet& shown) {
  const auto format = sheet_format_of(path);
  // The file a link names must be a sheet of that format by its own name
  // too: a link called list.csv to a song would otherwise replace the song.
  const QString target = target_of(path);
  if (!format || sheet_format_of(target) != format) return failure(export_msg::unknown_format, target);
  const auto columns = export_columns(ss1, rows, shown);
  std::optional<QByteArray> bytes;
  switch (*format) {
    case SheetFormat::xlsx: bytes = xlsx_bytes(columns); break;
    case SheetFormat::ods: bytes = ods_bytes(columns); break;
    case SheetFormat::csv: bytes = csv_bytes(columns); break;
  }
  if (!bytes) return failure(export_msg::too_long, path);
  const QString error = save(target, *bytes);
  return error.isEmpty() ? error : failure(error, path);
}

void cmd_export(Context& cx) {
  const auto path =
      cx.dialogs.save_file(cx.state.edit_folder + export_msg::default_name, export_msg::file_filters, 0);
  if (!path) return;
  const QString error = export_table(cx.ss1, cx.state.file_count, *path, cx.state.shown_fields);
  cx.dialogs.notify(error.isEmpty() ? export_msg::done : error);
}

}  // namespace tn
