#include "tags/frame_text.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

#include "tags/legacy_text.h"

namespace tn {

namespace {

// Every surrogate paired. TagLib's UTF-8 output of a string with a lone one
// is empty, which taglib_library.cpp would join as an empty value.
bool valid_utf16(const QString& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].isHighSurrogate()) {
      if (i + 1 >= s.size() || !s[i + 1].isLowSurrogate()) return false;
      ++i;
    } else if (s[i].isLowSurrogate()) {
      return false;
    }
  }
  return true;
}

struct Piece {
  std::int64_t start, size;
};

// The values of a text frame's vn bytes v, split at terminators of `align`
// zero bytes on the value's alignment.
std::vector<Piece> values_of(const unsigned char* v, std::int64_t vn, std::int64_t align) {
  auto terminator_at = [&](std::int64_t from) -> std::int64_t {
    for (std::int64_t i = from; i + align <= vn; i += align)
      if (v[i] == 0 && (align == 1 || v[i + 1] == 0)) return i;
    return -1;
  };
  std::vector<Piece> pieces;
  std::int64_t prev = 0;
  for (std::int64_t at = terminator_at(0); at != -1; at = terminator_at(at + align)) {
    pieces.push_back({prev, at - prev});
    prev = at + align;
  }
  if (prev < vn) pieces.push_back({prev, vn - prev});
  return pieces;
}

QString utf16_units(const unsigned char* p, std::int64_t units, bool big_endian) {
  QString s(units, Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(s.data());
  for (std::int64_t i = 0; i < units; ++i) {
    const unsigned char* u = p + 2 * i;
    out[i] = static_cast<char16_t>(big_endian ? u[0] << 8 | u[1] : u[1] << 8 | u[0]);
  }
  return s;
}

}  // namespace

std::optional<QString> text_of_frame(const unsigned char* d, std::int64_t n, bool legacy, bool* no_mark) {
  if (no_mark) *no_mark = false;
  if (n < 2) return QString();  // TagLib reads no values
  const unsigned enc = d[0];
  if (enc > 3) return std::nullopt;  // no such encoding; TagLib guesses
  const std::int64_t align = enc == 0 || enc == 3 ? 1 : 2;
  std::int64_t len = n - 1;
  while (len > 0 && d[len] == 0) --len;
  while (len % align != 0) ++len;
  const unsigned char* v = d + 1;
  const std::int64_t vn = std::min(len, n - 1);

  const std::vector<Piece> pieces = values_of(v, vn, align);

  QStringList parts;
  unsigned first_bom = 0;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (pieces[k].size == 0) continue;
    const unsigned char* p = v + pieces[k].start;
    const std::int64_t size = pieces[k].size;
    if (enc == 0) {
      const QByteArray raw(reinterpret_cast<const char*>(p), size);
      parts << (legacy ? decode_legacy(raw) : QString::fromLatin1(raw));
      continue;
    }
    if (enc == 3) {
      // A byte that is no UTF-8 shows as U+FFFD, the rest as written (TagLib
      // would make the whole value nothing).
      parts << QString::fromUtf8(reinterpret_cast<const char*>(p), size);
      continue;
    }
    // UTF-16: with a byte order mark (1), big-endian (2).
    const unsigned lead = size >= 2 ? unsigned{p[0]} << 8 | p[1] : 0;
    const bool is_bom = lead == 0xFEFF || lead == 0xFFFE;
    bool big_endian = true;
    std::int64_t skip = 0;
    if (enc == 1) {
      if (k == 0) first_bom = lead;
      if (k != 0 && !is_bom && (first_bom == 0xFEFF || first_bom == 0xFFFE)) {
        big_endian = first_bom == 0xFEFF;
      } else if (!is_bom) {
        // Old encoders left the mark out: little-endian, as they wrote it.
        big_endian = false;
        if (no_mark) *no_mark = true;
      } else {
        big_endian = lead == 0xFEFF;
        skip = 2;
      }
    }
    const std::int64_t units = (size - skip) / 2;
    if (units == 0) continue;
    const QString s = utf16_units(p + skip, units, big_endian);
    if (!valid_utf16(s)) return std::nullopt;
    // As TagLib hands it over, through UTF-8, whose reading drops a leading U+FEFF.
    parts << (s.startsWith(QChar(0xFEFF)) ? s.mid(1) : s);
  }
  return parts.size() == 1 ? parts.front() : parts.join(QStringLiteral(" / "));
}

}  // namespace tn
