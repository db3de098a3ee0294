#pragma once
// The import by header names (見出しの列名で読込): the first row of the
// sheet names its columns, by the headers an export writes or by common
// Japanese and English names, in any order; the rows under it go into rows
// 1..N of the table. What it will change is shown before anything changes.

#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "table/context.h"

namespace tn {

class Workbooks;

constexpr int k_header_format = 4;  // the import format of this layout

// What the sheet holds for the table.
struct HeaderImport {
  struct Column {
    int sheet_col;  // from 0
    int table_col;
    QString header;  // as the sheet has it
  };
  std::vector<Column> columns;  // in sheet order; the file names only shown
  QStringList skipped;          // headers of the sheet no column takes
  int sheet_rows = 0;           // rows under the header, to the last with a value
  std::vector<QStringList> rows;  // rows 1..N: one value per entry of columns
};

// The table column a header names, or 0.
int column_of_header(const QString& header);

// Reads the active sheet for a table of file_count rows; nullopt when a
// cell the table would get cannot be read.
std::optional<HeaderImport> read_by_headers(const Workbooks& wb, int file_count);

// The warning before the import's question when the sheet has fewer or more
// rows than the table; empty when they match.
QString header_rows_warning(const HeaderImport& sheet, int file_count);

// Writes the sheet's values into the table (never the file names); only a
// cell whose text changes is marked edited, so that a sheet the table was
// exported to changes nothing. Returns the columns where a cell changed.
std::vector<int> apply_header_import(Context& cx, const HeaderImport& sheet);

enum class HeaderRead { done, declined, no_columns, failed };
// The layout's read on the active sheet: read, take (what was read, shown
// and asked about), apply; *changed gets the columns where a cell changed.
HeaderRead excel_read_by_headers(Context& cx, const Workbooks& wb,
                                 const std::function<bool(const HeaderImport&)>& take, std::vector<int>* changed);

}  // namespace tn
