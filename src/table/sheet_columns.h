#pragma once
// The columns of the track table as a sheet holds them: what an export
// writes and what the import by header names reads back. A new field is one
// more row in this list.

#include <QString>
#include <vector>

namespace tn {

struct SheetColumn {
  int column;      // track table column
  QString field;   // name on the command line and in JSON: "title"
  QString header;  // header of the table and of an exported sheet
};

// The shown columns of the track table, in its order.
const std::vector<SheetColumn>& sheet_columns();

}  // namespace tn
