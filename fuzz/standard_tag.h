#pragma once
// The frames of an ID3v2.3 or 2.4 tag as the ID3v2 standard reads them,
// put into a plain 2.3 tag (no extended header, no unsynchronisation, no
// format flags) that TagLib reads as the standard does: the yardstick for
// the tags where TagLib strays from it. Written apart from the program's
// walker (tags/id3v2_reader.h, tags/frame_body.h), so that a fault there
// shows here.
//
// The standard's reading, as this oracle takes it:
// - 2.3: an unsynchronised tag is resynchronised whole, its extended header
//   included, whose size leaves out its own four bytes. A frame's format
//   flags put before its data, in this order: the decompressed size (4
//   bytes; compression, 0x80), the encryption method (1; 0x40), the group
//   (1; 0x20).
// - 2.4: the extended header's size is synchsafe and counts itself (6 at
//   least). Unsynchronisation (the frame's 0x02, or the tag's 0x80 for all
//   frames) covers everything after the frame header; then come the group
//   (1; 0x40), the encryption method (1; 0x04) and the data length (4; 0x01,
//   which compression, 0x08, requires). An uncompressed frame's data is as
//   long as its data length says.
// - Compressed data is one zlib stream. An encrypted frame, or one whose
//   stream is broken, can't be read: it is left out.
// - Frames end at a zero byte (padding) or at an id not of A-Z and 0-9 (a
//   2.3 id of three such and a zero, iTunes' slip, is kept: it is no flag
//   matter, and TagLib reads it).
// Nothing where the tag breaks the standard in a way that leaves its reading
// open: an extended header or a frame past the tag, a frame of size zero or
// of a 2.4 size that is not synchsafe, compression without a data length,
// a data length the data does not match.

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <zlib.h>

namespace tn::fuzz {

namespace standard {

inline std::uint32_t be32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return std::uint32_t{u[0]} << 24 | std::uint32_t{u[1]} << 16 | std::uint32_t{u[2]} << 8 | u[3];
}
// Nothing when a byte has its top bit set.
inline std::optional<std::uint32_t> synchsafe(const char* p) {
  std::uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] & 0x80) return std::nullopt;
    n = n << 7 | static_cast<unsigned char>(p[i]);
  }
  return n;
}

inline QByteArray unsynchronised(const QByteArray& b) {
  QByteArray out;
  for (qsizetype i = 0; i < b.size(); ++i) {
    out += b[i];
    if (b[i] == '\xFF' && i + 1 < b.size() && b[i + 1] == '\0') ++i;
  }
  return out;
}

// One whole zlib stream; nothing when broken, or beyond 64 MB (what the
// program keeps to). No stream inflates to more than 1032 times its size.
inline std::optional<QByteArray> inflated(const QByteArray& z) {
  z_stream s{};
  if (inflateInit(&s) != Z_OK) return std::nullopt;
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.constData()));
  s.avail_in = static_cast<uInt>(z.size());
  QByteArray out(std::min<qsizetype>(64 << 20, z.size() * 1032 + 64), Qt::Uninitialized);
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const int r = inflate(&s, Z_FINISH);
  out.resize(static_cast<qsizetype>(out.size() - s.avail_out));
  inflateEnd(&s);
  if (r != Z_STREAM_END) return std::nullopt;
  return out;
}

inline bool id_char(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

enum class Body { ok, unreadable, open };

// The data of a frame of `version` from what follows its header.
inline Body frame_data(int version, unsigned format, bool tag_unsync, QByteArray stored, QByteArray& data) {
  bool compressed, encrypted, length = false;
  int extra;
  if (version == 3) {
    compressed = format & 0x80;
    encrypted = format & 0x40;
    extra = (compressed ? 4 : 0) + (encrypted ? 1 : 0) + (format & 0x20 ? 1 : 0);
  } else {
    if ((format & 0x02) || tag_unsync) stored = unsynchronised(stored);
    compressed = format & 0x08;
    encrypted = format & 0x04;
    length = format & 0x01;
    if (compressed && !length) return Body::open;
    extra = (format & 0x40 ? 1 : 0) + (encrypted ? 1 : 0) + (length ? 4 : 0);
  }
  if (stored.size() < extra) return Body::open;
  if (encrypted) return Body::unreadable;
  const std::optional<std::uint32_t> stated = length ? synchsafe(stored.constData() + extra - 4) : 0u;
  data = stored.mid(extra);
  if (compressed) {
    const std::optional<QByteArray> z = inflated(data);
    if (!z) return Body::unreadable;
    data = *z;
  } else if (length && stated != std::uint32_t(data.size())) {
    return Body::open;
  }
  return Body::ok;
}

}  // namespace standard

// tag: from "ID3" to the tag's end. The plain 2.3 tag of its frames, or
// nothing where the standard leaves its reading open.
inline std::optional<QByteArray> standard_tag(const QByteArray& tag) {
  using namespace standard;
  if (tag.size() < 10 || !tag.startsWith("ID3")) return std::nullopt;
  const int version = tag[3];
  const unsigned flags = static_cast<unsigned char>(tag[5]);
  const std::optional<std::uint32_t> size = synchsafe(tag.constData() + 6);
  if ((version != 3 && version != 4) || !size || 10 + std::int64_t{*size} > tag.size()) return std::nullopt;
  QByteArray body = tag.mid(10, *size);
  if (version == 3 && (flags & 0x80)) body = unsynchronised(body);
  qsizetype pos = 0;
  if (flags & 0x40) {
    if (body.size() < 4) return std::nullopt;
    const std::optional<std::uint32_t> stated = version == 3 ? be32(body.constData()) : synchsafe(body.constData());
    const std::int64_t ext = stated ? std::int64_t{*stated} + (version == 3 ? 4 : 0) : -1;
    if (ext < 6 || ext > body.size()) return std::nullopt;
    pos = static_cast<qsizetype>(ext);
  }
  QByteArray frames;
  while (pos + 10 < body.size() && body[pos] != 0) {
    const char* h = body.constData() + pos;
    const bool itunes = version == 3 && h[3] == 0 && id_char(h[0]) && id_char(h[1]) && id_char(h[2]);
    if (!itunes && !(id_char(h[0]) && id_char(h[1]) && id_char(h[2]) && id_char(h[3]))) break;
    const std::optional<std::uint32_t> n = version == 3 ? be32(h + 4) : synchsafe(h + 4);
    if (!n || *n == 0 || pos + 10 + std::int64_t{*n} > body.size()) return std::nullopt;
    QByteArray data;
    const Body b = frame_data(version, static_cast<unsigned char>(h[9]), flags & 0x80, body.mid(pos + 10, *n), data);
    if (b == Body::open) return std::nullopt;
    if (b == Body::ok) {
      // A frame of no data is none to TagLib: one zero byte reads the same (no text).
      if (data.isEmpty()) data = QByteArray(1, '\0');
      const auto d = static_cast<std::uint32_t>(data.size());
      const char be[4] = {char(d >> 24), char(d >> 16), char(d >> 8), char(d)};
      frames += QByteArray(h, 4) + QByteArray(be, 4) + QByteArray(2, '\0') + data;
    }
    pos += 10 + static_cast<qsizetype>(*n);
  }
  frames += QByteArray(16, '\0');
  const auto n = static_cast<std::uint32_t>(frames.size());
  const char head[10] = {'I', 'D', '3', 3, 0, 0,
                         char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
  return QByteArray(head, 10) + frames;
}

}  // namespace tn::fuzz
