// Arbitrary bytes as a .csv file through the workbook layer, as the import
// reads it (workbook_oracle.h): encodings, quoting, separators.

#include "workbook_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/list.csv";
  if (tn::fuzz::write_whole(path, data, size)) tn::fuzz::read_as_import(QString::fromStdString(path));
  return 0;
}
