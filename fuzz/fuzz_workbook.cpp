// Arbitrary bytes as a spreadsheet through the workbook layer, as the import
// reads it: open, pick "Sheet1", read A1:D100, close.

#include "fuzz_support.h"
#include "import/workbook.h"

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
          if (v) tn::fuzz::check(v->isValidUtf16(), "cell text is not valid UTF-16");
        }
    }
  } else {
    tn::fuzz::check(wb.open_count() == 0, "a refused book was left open");
  }
  wb.close_all();
  return 0;
}
