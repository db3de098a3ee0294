// .xlsx through libxlsxwriter: every cell a text, so that "01" stays "01",
// on a sheet named "Sheet1", the name the import asks for first.

#include <xlsxwriter.h>

#include <QFile>
#include <QTemporaryDir>

#include "export/export.h"

namespace tn {

namespace {

// Texts a cell cannot hold whole (longer than Excel allows) make the write
// fail rather than cut.
bool write_sheet(lxw_workbook* book, const std::vector<ExportColumn>& columns) {
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
  lxw_format* bold = workbook_add_format(book);
  if (!sheet || !bold) return false;
  format_set_bold(bold);
  worksheet_freeze_panes(sheet, 1, 0);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const auto col = static_cast<lxw_col_t>(c);
    worksheet_set_column(sheet, col, col, c == 0 ? 8 : 30, nullptr);
    if (worksheet_write_string(sheet, 0, col, columns[c].header.toUtf8().constData(), bold) != LXW_NO_ERROR)
      return false;
    const QStringList& values = columns[c].values;
    for (qsizetype r = 0; r < values.size(); ++r) {
      if (values[r].isEmpty()) continue;
      if (worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 1), col, values[r].toUtf8().constData(),
                                 nullptr) != LXW_NO_ERROR)
        return false;
    }
  }
  return true;
}

}  // namespace

std::optional<QByteArray> xlsx_bytes(const std::vector<ExportColumn>& columns) {
  // The library writes only to a path; the bytes go to their place whole.
  QTemporaryDir dir;
  if (!dir.isValid()) return std::nullopt;
  const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("sheet.xlsx")));
  lxw_workbook_options options{};
  const QByteArray tmpdir = QFile::encodeName(dir.path());
  options.tmpdir = const_cast<char*>(tmpdir.constData());
  lxw_workbook* book = workbook_new_opt(path.constData(), &options);
  if (!book) return std::nullopt;
  const bool written = write_sheet(book, columns);
  if (workbook_close(book) != LXW_NO_ERROR || !written) return std::nullopt;
  QFile f(QString::fromLocal8Bit(path));
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  return f.readAll();
}

}  // namespace tn
