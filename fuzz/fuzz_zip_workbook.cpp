// .xlsx and .ods through the workbook layer, as the import reads them
// (workbook_oracle.h). Mutated deflate data would only exercise the inflater,
// so the input is the parts themselves, "name\0data\0name\0data…", stored
// into a zip here; the XML readers get the mutations.

#include <QByteArray>
#include <QFile>

#include "workbook_oracle.h"
#include "zip_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/book.xlsx";
  const QList<QByteArray> fields =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0');
  std::vector<tn::test::ZipPart> parts;
  for (qsizetype i = 0; i + 1 < fields.size() && parts.size() < 64; i += 2) {
    const QString name = QString::fromUtf8(fields[i]);
    if (name.isEmpty()) continue;
    bool taken = false;
    for (const auto& p : parts) taken = taken || p.name == name;
    if (!taken) parts.push_back({name, fields[i + 1], false});
  }
  if (parts.empty()) return 0;
  QByteArray zip;
  try {
    zip = tn::test::zip_bytes(parts);
  } catch (const std::exception&) {
    return 0;  // a name libzip will not store
  }
  if (tn::fuzz::write_whole(path, reinterpret_cast<const std::uint8_t*>(zip.constData()),
                            static_cast<std::size_t>(zip.size())))
    tn::fuzz::read_as_import(QString::fromStdString(path));
  return 0;
}
