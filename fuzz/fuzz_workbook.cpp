// Arbitrary bytes as a spreadsheet named .xls through the workbook layer, as
// the import reads it (workbook_oracle.h).

#include "workbook_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/book.xls";
  if (tn::fuzz::write_whole(path, data, size)) tn::fuzz::read_as_import(QString::fromStdString(path));
  return 0;
}
