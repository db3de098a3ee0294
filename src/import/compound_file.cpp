#include "import/compound_file.h"

#include <QStringList>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tn {

namespace {

constexpr std::uint32_t k_end_of_chain = 0xFFFFFFFE;
constexpr std::uint32_t k_free_sector = 0xFFFFFFFF;
constexpr std::uint32_t k_max_regular = 0xFFFFFFFA;
constexpr int k_header_difat = 109;

std::uint16_t u16(const char* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                    static_cast<unsigned char>(p[1]) << 8);
}
std::uint32_t u32(const char* p) {
  return static_cast<std::uint32_t>(u16(p)) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}

class Reader {
 public:
  explicit Reader(const QByteArray& data) : data_(data) {}

  bool read_header() {
    static const char k_signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (data_.size() < 512 || std::memcmp(data_.constData(), k_signature, 8) != 0) return false;
    const char* h = data_.constData();
    const int shift = u16(h + 0x1E);
    if (shift != 9 && shift != 12) return false;
    sector_size_ = 1 << shift;
    dir_start_ = u32(h + 0x30);
    const int mini_shift = u16(h + 0x20);
    if (mini_shift != 6) return false;
    mini_sector_size_ = 1 << mini_shift;
    mini_cutoff_ = u32(h + 0x38);
    mini_fat_start_ = u32(h + 0x3C);
    sector_count_ = static_cast<std::uint32_t>((data_.size() - 1) / sector_size_);  // whole or cut

    // FAT sector numbers: 109 in the header, the rest in the DIFAT chain.
    std::vector<std::uint32_t> fat_sectors;
    for (int i = 0; i < k_header_difat; ++i) {
      const std::uint32_t s = u32(h + 0x4C + 4 * i);
      if (s <= k_max_regular) fat_sectors.push_back(s);
    }
    std::uint32_t difat = u32(h + 0x44);
    const int per_sector = sector_size_ / 4 - 1;
    for (std::uint32_t steps = 0; difat <= k_max_regular; ++steps) {
      const char* p = sector(difat);
      if (!p || steps > sector_count_) return false;
      for (int i = 0; i < per_sector; ++i) {
        const std::uint32_t s = u32(p + 4 * i);
        if (s <= k_max_regular) fat_sectors.push_back(s);
      }
      difat = u32(p + 4 * per_sector);
    }
    if (fat_sectors.empty() || fat_sectors.size() > sector_count_) return false;
    fat_.reserve(fat_sectors.size() * static_cast<size_t>(sector_size_ / 4));
    for (std::uint32_t s : fat_sectors) {
      const char* p = sector(s);
      if (!p) return false;
      for (int i = 0; i < sector_size_ / 4; ++i) fat_.push_back(u32(p + 4 * i));
    }
    return true;
  }

  // A chain of regular sectors, read whole; nullopt on a broken chain.
  std::optional<QByteArray> chain(std::uint32_t start, std::uint64_t max_size) const {
    QByteArray out;
    std::uint32_t s = start;
    for (std::uint32_t steps = 0; s != k_end_of_chain; ++steps) {
      const char* p = sector(s);
      if (!p || steps > sector_count_ || s >= fat_.size()) return std::nullopt;
      out.append(p, sector_size_);
      if (static_cast<std::uint64_t>(out.size()) >= max_size) break;
      s = fat_[s];
    }
    return out;
  }

  // The stream of the first of names (case aside, as programs write
  // "WORKBOOK" or "BOOK") the directory holds. Small streams are read from
  // the mini stream inside the root's container.
  std::optional<QByteArray> find(const QStringList& names) {
    const auto dir = chain(dir_start_, std::uint64_t(sector_count_) * sector_size_);
    if (!dir || dir->size() < 128) return std::nullopt;
    const char* root = dir->constData();
    for (const QString& wanted : names) {
      for (qsizetype off = 0; off + 128 <= dir->size(); off += 128) {
        const char* e = dir->constData() + off;
        const int name_bytes = u16(e + 0x40);
        if (name_bytes < 2 || name_bytes > 64 || name_bytes % 2 != 0 || e[0x42] != 2) continue;
        const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(e), name_bytes / 2 - 1);
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) return stream(e, root);
      }
    }
    return std::nullopt;
  }

 private:
  std::optional<QByteArray> stream(const char* entry, const char* root) const {
    const std::uint32_t start = u32(entry + 0x74);
    const std::uint32_t size = u32(entry + 0x78);
    if (size < mini_cutoff_) return mini_chain(start, size, u32(root + 0x74), u32(root + 0x78));
    auto bytes = chain(start, size);
    if (!bytes || bytes->size() < static_cast<qsizetype>(size)) return std::nullopt;
    bytes->truncate(size);
    return bytes;
  }

  // A small stream: mini sectors inside the root's container, chained by the
  // mini FAT.
  std::optional<QByteArray> mini_chain(std::uint32_t start, std::uint32_t size,
                                       std::uint32_t container_start,
                                       std::uint32_t container_size) const {
    if (mini_fat_start_ > k_max_regular) return std::nullopt;
    const auto container = chain(container_start, container_size);
    const auto fat_bytes = chain(mini_fat_start_, std::uint64_t(sector_count_) * sector_size_);
    if (!container || !fat_bytes) return std::nullopt;
    const qsizetype usable = std::min<qsizetype>(container->size(), container_size);
    QByteArray out;
    std::uint32_t s = start;
    for (std::uint32_t steps = 0; out.size() < static_cast<qsizetype>(size); ++steps) {
      const qsizetype at = static_cast<qsizetype>(s) * mini_sector_size_;
      if (s > k_max_regular || steps > sector_count_ * 64 || at + mini_sector_size_ > usable ||
          4 * (qsizetype(s) + 1) > fat_bytes->size())
        return std::nullopt;
      out.append(container->constData() + at, mini_sector_size_);
      s = u32(fat_bytes->constData() + 4 * s);
    }
    out.truncate(size);
    return out;
  }

  const char* sector(std::uint32_t s) const {
    if (s > k_max_regular) return nullptr;
    const std::uint64_t off = (static_cast<std::uint64_t>(s) + 1) * sector_size_;
    if (off + sector_size_ > static_cast<std::uint64_t>(data_.size())) return nullptr;
    return data_.constData() + off;
  }

  const QByteArray& data_;
  int sector_size_ = 512, mini_sector_size_ = 64;
  std::uint32_t mini_fat_start_ = k_end_of_chain;
  std::uint32_t sector_count_ = 0;
  std::uint32_t dir_start_ = k_free_sector, mini_cutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
};

}  // namespace

std::optional<QByteArray> compound_stream(const QByteArray& data, const QStringList& names) {
  Reader reader(data);
  if (!reader.read_header()) return std::nullopt;
  return reader.find(names);
}

}  // namespace tn
