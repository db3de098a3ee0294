#include "tags/frame_body.h"

#include <zlib.h>

#include <algorithm>

namespace tn {

namespace {

// Inflated frames are kept to this: a few bytes of zlib data can claim
// gigabytes.
constexpr std::int64_t k_max_inflated = 64 << 20;

bool inflate_all(const char* data, std::int64_t n, QByteArray& out) {
  out.clear();
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  z.avail_in = static_cast<uInt>(n);
  int r = Z_OK;
  while (r == Z_OK) {
    const qsizetype had = out.size();
    const qsizetype step = std::max<qsizetype>(4096, had);
    if (had + step > k_max_inflated) break;
    out.resize(had + step);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + had);
    z.avail_out = static_cast<uInt>(step);
    r = inflate(&z, Z_NO_FLUSH);
    out.resize(had + step - z.avail_out);
    if (r == Z_BUF_ERROR && z.avail_in == 0) break;  // the stream ends early
  }
  inflateEnd(&z);
  return r == Z_STREAM_END;
}

}  // namespace

QByteArray resynchronise(const char* data, std::int64_t n) {
  QByteArray out;
  out.reserve(static_cast<qsizetype>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    out += data[i];
    if (data[i] == '\xFF' && i + 1 < n && data[i + 1] == '\0') ++i;
  }
  return out;
}

Content frame_content(int version, unsigned format, unsigned tag_flags, const char* stored, std::int64_t n,
                      QByteArray& out) {
  bool compressed = false, encrypted = false, unsynchronised = false;
  std::int64_t extra = 0;  // bytes the flags add before the data
  if (version == 3) {
    compressed = format & 0x80;
    encrypted = format & 0x40;
    extra = (compressed ? 4 : 0) + (encrypted ? 1 : 0) + (format & 0x20 ? 1 : 0);
  } else if (version == 4) {
    compressed = format & 0x08;
    encrypted = format & 0x04;
    unsynchronised = (format & 0x02) || (tag_flags & 0x80);
    // A compressed frame carries its data length whether flagged or not,
    // as TagLib and mutagen read it.
    extra = (format & 0x40 ? 1 : 0) + (encrypted ? 1 : 0) + (format & 0x09 ? 4 : 0);
  }
  // In 2.4 unsynchronisation covers everything after the frame header,
  // the bytes the flags add included.
  QByteArray data = unsynchronised ? resynchronise(stored, n) : QByteArray(stored, static_cast<qsizetype>(n));
  if (extra > data.size()) return Content::broken;
  if (encrypted) return Content::encrypted;
  data.remove(0, static_cast<qsizetype>(extra));
  if (!compressed) {
    out = std::move(data);
    return Content::ok;
  }
  return inflate_all(data.constData(), data.size(), out) ? Content::ok : Content::broken;
}

}  // namespace tn
