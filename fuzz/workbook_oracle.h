#pragma once
// What every workbook fuzz target checks: the file at path read as the
// import reads it (open, "Sheet1" or else the first sheet by name, A1:D100,
// close); every cell value must store into a tag field, and a refused book
// must leave nothing open.

#include <QString>

#include "fuzz_support.h"
#include "import/workbook.h"
#include "tags/tag_record.h"

namespace tn::fuzz {

inline void read_as_import(const QString& path) {
  Workbooks wb;
  if (wb.open(path)) {
    check(wb.open_count() == 1, "an opened book is not counted");
    if (wb.has_active_sheet() || wb.activate_sheet(QStringLiteral("Sheet1")) ||
        wb.activate_sheet(wb.sheet_names().value(0))) {
      for (int r = 1; r <= 100; ++r)
        for (const char c : {'A', 'B', 'C', 'D'}) {
          const auto v = wb.cell_value(QLatin1Char(c) + QString::number(r));
          // A cell may hold lone surrogates (the formats allow them); what
          // matters is that it goes into a tag field as valid UTF-8.
          if (v) {
            char field[k_tag_text_bytes];
            set_field(field, k_tag_text_bytes, *v, ' ');
            int len = k_tag_text_bytes;
            while (len > 0 && field[len - 1] == ' ') --len;
            check(valid_utf8(field, static_cast<std::size_t>(len)), "cell text does not store as valid UTF-8");
          }
        }
    }
  } else {
    check(wb.open_count() == 0, "a refused book was left open");
  }
  wb.close_all();
}

}  // namespace tn::fuzz
