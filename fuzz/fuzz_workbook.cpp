// Arbitrary bytes as a spreadsheet through the workbook layer, as the import
// reads it: open, pick "Sheet1", read A1:D100, close; every cell value must
// store into a tag field.

#include "fuzz_support.h"
#include "import/workbook.h"
#include "tags/tag_record.h"

using namespace tn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/book.xls";
  static const QString qpath = QString::fromStdString(path);
  if (!tn::fuzz::write_whole(path, data, size)) return 0;
  Workbooks wb;
  if (wb.open(qpath)) {
    tn::fuzz::check(wb.open_count() == 1, "an opened book is not counted");
    if (wb.activate_sheet(QStringLiteral("Sheet1"))) {
      for (int r = 1; r <= 100; ++r)
        for (const char c : {'A', 'B', 'C', 'D'}) {
          const auto v = wb.cell_value(QLatin1Char(c) + QString::number(r));
          // A cell may hold lone surrogates (the format allows them); what
          // matters is that it goes into a tag field as valid UTF-8.
          if (v) {
            char field[k_tag_text_bytes];
            set_field(field, k_tag_text_bytes, *v, ' ');
            int len = k_tag_text_bytes;
            while (len > 0 && field[len - 1] == ' ') --len;
            tn::fuzz::check(tn::fuzz::valid_utf8(field, static_cast<std::size_t>(len)),
                            "cell text does not store as valid UTF-8");
          }
        }
    }
  } else {
    tn::fuzz::check(wb.open_count() == 0, "a refused book was left open");
  }
  wb.close_all();
  return 0;
}
