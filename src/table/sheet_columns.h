#pragma once
// The columns of the track table as a sheet holds them: what an export
// writes and what the import by header names reads back. A new field is one
// more row in this list.

#include <QString>
#include <vector>

#include "table/track_state.h"

namespace tn {

struct SheetColumn {
  int column;      // track table column
  QString field;   // name on the command line and in JSON: "title"
  QString header;  // header of the table and of an exported sheet
};

// Every column of the track table, in its order: order, file name, then
// one column a field.
const std::vector<SheetColumn>& sheet_columns();
// Those of them the table shows: order, file name, and the fields of shown.
std::vector<SheetColumn> shown_columns(const FieldSet& shown);
// The header of a field's column, and its name alone ("年", without
// "(TAG情報)"): a menu item's, a history run's.
QString field_header(Field f);
QString field_name(Field f);

}  // namespace tn
