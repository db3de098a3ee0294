#include "tags/extended_header.h"

#include <zlib.h>

#include <algorithm>

namespace tn {

namespace {

bool crc_of(const TagBytes& tag, std::int64_t from, std::int64_t to, std::uint32_t& crc) {
  QByteArray buf(64 * 1024, Qt::Uninitialized);
  uLong c = crc32(0L, Z_NULL, 0);
  for (std::int64_t at = from; at < to;) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(buf.size(), to - at));
    if (!tag(at, buf.data(), n)) return false;
    c = crc32(c, reinterpret_cast<const Bytef*>(buf.constData()), static_cast<uInt>(n));
    at += static_cast<std::int64_t>(n);
  }
  crc = static_cast<std::uint32_t>(c);
  return true;
}

void put_be32(char* out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(v >> (24 - 8 * k));
}

}  // namespace

bool update_extended_header(QByteArray& head, int version, const TagBytes& tag, std::int64_t frames_end,
                            std::int64_t tag_size) {
  const auto frames_at = static_cast<std::int64_t>(head.size());
  std::uint32_t crc = 0;
  if (version == 3) {
    // Size, two flag bytes (0x80: a CRC), the padding's size, the CRC.
    const bool with_crc = head.size() >= 24 && (head[14] & 0x80);
    if (head.size() < 20) return false;
    put_be32(head.data() + 16, static_cast<std::uint32_t>(tag_size - frames_end));
    if (with_crc && !crc_of(tag, frames_at, frames_end, crc)) return false;
    if (with_crc) put_be32(head.data() + 20, crc);
    return true;
  }
  // Size, one flag byte counted, the flags; then for each flag set, from
  // the top (update, CRC, restrictions), a length and that many bytes.
  if (head.size() < 16 || head[14] != 1) return false;
  const auto flags = static_cast<unsigned char>(head[15]);
  qsizetype at = 16;
  for (unsigned bit = 0x40; bit >= 0x10; bit >>= 1) {
    if (!(flags & bit)) continue;
    if (at >= head.size()) return false;
    const int n = static_cast<unsigned char>(head[at]);
    if (at + 1 + n > head.size()) return false;
    if (bit == 0x20) {
      if (n != 5 || !crc_of(tag, frames_at, tag_size, crc)) return false;
      for (int k = 0; k < 5; ++k) head[at + 1 + k] = static_cast<char>((std::uint64_t{crc} >> (7 * (4 - k))) & 0x7F);
    }
    at += 1 + n;
  }
  return true;
}

}  // namespace tn
