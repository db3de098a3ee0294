#pragma once
// 表計算ﾌｧｲﾙに書出し: the track table, every shown column under a header
// row, written as .xlsx, .ods or .csv, so that the import by header names
// reads it back unchanged.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "table/context.h"
#include "table/track_state.h"

namespace tn {

class Grid;

// One column of the sheet: the field it holds, its header, its cells.
struct ExportColumn {
  QString field;
  QString header;
  QStringList values;  // rows 1..N
};

// Rows 1..rows of the table as it shows them: order, file name and the
// columns of the shown fields.
std::vector<ExportColumn> export_columns(const Grid& ss1, int rows, const FieldSet& shown = default_shown());

enum class SheetFormat { xlsx, ods, csv };
// By the file's suffix, case aside; nullopt for any other.
std::optional<SheetFormat> sheet_format_of(const QString& path);

// The file's bytes in each format (header row first). nullopt when the
// library refuses the content (a text too long for a cell).
QByteArray csv_bytes(const std::vector<ExportColumn>& columns);
std::optional<QByteArray> ods_bytes(const std::vector<ExportColumn>& columns);
std::optional<QByteArray> xlsx_bytes(const std::vector<ExportColumn>& columns);

// Writes rows 1..rows of the table to path, in the format its suffix names.
// The file appears whole or not at all: a file already there is replaced
// only by a complete new one, with its permissions. Empty on success, else
// the message that says why nothing was written.
QString export_table(const Grid& ss1, int rows, const QString& path, const FieldSet& shown = default_shown());

// The menu command: the save dialog at the edit folder, the export of the
// shown columns, a notice of the result. Cancel ends silently.
void cmd_export(Context& cx);

}  // namespace tn
