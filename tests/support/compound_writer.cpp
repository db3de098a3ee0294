#include "compound_writer.h"

#include <cstdint>

namespace tn::test {

namespace {

constexpr std::uint32_t k_end_of_chain = 0xFFFFFFFE;
constexpr std::uint32_t k_free_sector = 0xFFFFFFFF;
constexpr int k_header_difat = 109;

void put16(QByteArray& b, int v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& b, std::uint32_t v) {
  put16(b, static_cast<int>(v & 0xFFFF));
  put16(b, static_cast<int>(v >> 16));
}

}  // namespace

QByteArray compound_file(const QString& stream_name, QByteArray stream) {
  constexpr std::uint32_t k_fat = 0xFFFFFFFD;
  // At least the cut-off size, so the stream lives in regular sectors; big
  // streams take 4096-byte sectors, so the FAT sectors listed in the header
  // reach them without a DIFAT.
  if (stream.size() < 4096) stream.append(QByteArray(4096 - stream.size(), '\0'));
  const bool big = stream.size() > 6 * 1024 * 1024;
  const int shift = big ? 12 : 9, sector = 1 << shift;
  const qsizetype stream_size = stream.size();
  stream.append(QByteArray((sector - stream.size() % sector) % sector, '\0'));
  const qsizetype data_sectors = stream.size() / sector;
  qsizetype fat_sectors = 1;
  while (fat_sectors * (sector / 4) < fat_sectors + 1 + data_sectors) ++fat_sectors;
  if (fat_sectors > k_header_difat) return {};
  const auto dir_sector = static_cast<std::uint32_t>(fat_sectors);
  const auto first_data = dir_sector + 1;

  QByteArray out;
  out.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  out.append(QByteArray(16, '\0'));  // class id
  put16(out, 0x003E);
  put16(out, big ? 4 : 3);
  put16(out, 0xFFFE);
  put16(out, shift);
  put16(out, 6);  // 64-byte mini sectors
  out.append(QByteArray(6, '\0'));
  put32(out, big ? 1 : 0);  // directory sectors (always 0 in version 3)
  put32(out, static_cast<std::uint32_t>(fat_sectors));
  put32(out, dir_sector);
  put32(out, 0);
  put32(out, 4096);
  put32(out, k_end_of_chain);  // no mini FAT
  put32(out, 0);
  put32(out, k_end_of_chain);  // no DIFAT sectors
  put32(out, 0);
  for (int i = 0; i < k_header_difat; ++i)
    put32(out, i < fat_sectors ? static_cast<std::uint32_t>(i) : k_free_sector);
  out.append(QByteArray(sector - out.size(), '\0'));

  QByteArray fat;
  for (qsizetype i = 0; i < fat_sectors; ++i) put32(fat, k_fat);
  put32(fat, k_end_of_chain);  // the directory
  for (qsizetype i = 0; i < data_sectors; ++i)
    put32(fat, i + 1 < data_sectors ? first_data + static_cast<std::uint32_t>(i + 1) : k_end_of_chain);
  while (fat.size() < fat_sectors * sector) put32(fat, k_free_sector);
  out.append(fat);

  auto entry = [](const QString& name, int type, std::uint32_t child, std::uint32_t start,
                  std::uint32_t size) {
    QByteArray e(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    e.append(QByteArray(64 - e.size(), '\0'));
    put16(e, name.isEmpty() ? 0 : static_cast<int>(name.size() + 1) * 2);
    e.append(static_cast<char>(type));
    e.append('\x01');  // black
    put32(e, k_free_sector);  // left
    put32(e, k_free_sector);  // right
    put32(e, child);
    e.append(QByteArray(16 + 4 + 16, '\0'));  // class id, state, times
    put32(e, start);
    put32(e, size);
    put32(e, 0);
    return e;
  };
  QByteArray dir = entry(QStringLiteral("Root Entry"), 5, 1, k_end_of_chain, 0);
  dir.append(entry(stream_name.left(31), 2, k_free_sector, first_data,
                   static_cast<std::uint32_t>(stream_size)));
  while (dir.size() < sector) dir.append(entry(QString(), 0, k_free_sector, 0, 0));
  out.append(dir);
  out.append(stream);
  return out;
}

}  // namespace tn::test
