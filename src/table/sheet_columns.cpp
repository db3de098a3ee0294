#include "table/sheet_columns.h"

#include "table/messages.h"
#include "table/track_table.h"

namespace tn {

QString field_header(Field f) { return header::fields[static_cast<std::size_t>(f)]; }

QString field_name(Field f) { return field_header(f).remove(header::tag_suffix); }

const std::vector<SheetColumn>& sheet_columns() {
  static const std::vector<SheetColumn> columns = [] {
    std::vector<SheetColumn> out = {{col::order, QStringLiteral("order"), header::order},
                                    {col::name, QStringLiteral("file"), header::name}};
    for (Field f : all_fields()) out.push_back({col::of(f), field_key(f), field_header(f)});
    return out;
  }();
  return columns;
}

std::vector<SheetColumn> shown_columns(const FieldSet& shown) {
  std::vector<SheetColumn> out;
  for (const SheetColumn& c : sheet_columns())
    if (!col::is_field(c.column) || shown[col::field_at(c.column)] || always_shown(col::field_at(c.column)))
      out.push_back(c);
  return out;
}

}  // namespace tn
