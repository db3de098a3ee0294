#include "tags/id3v1_block.h"

#include <taglib/id3v1genres.h>

#include "tags/legacy_text.h"
#include "tags/taglib_text.h"
#include "durable/safe_write.h"

namespace tn {

namespace {

constexpr int k_offsets[k_fields] = {3, 33, 63};
constexpr int k_width = 30;
constexpr int k_year = 93, k_comment = 97, k_track = 126, k_genre = 127;

QByteArray raw_field(const QByteArray& block, int offset, int width) {
  QByteArray raw = block.mid(offset, width);
  const qsizetype zero = raw.indexOf('\0');
  if (zero >= 0) raw.truncate(zero);
  while (!raw.isEmpty() && raw.back() == ' ') raw.chop(1);
  return raw;
}

// ID3v1.1: the comment's 29th byte a zero, its 30th the track.
bool has_track(const QByteArray& block) { return block[k_track - 1] == '\0' && block[k_track] != '\0'; }

void put_field(QByteArray& v1, int offset, int width, const QString& text) {
  QByteArray b = id3v1_field_bytes(text, width);
  b.append(QByteArray(width - b.size(), '\0'));
  v1.replace(offset, width, b);
}

}  // namespace

bool read_id3v1(int fd, const Mp3Probe& probe, QByteArray& block) {
  block.resize(k_id3v1_size);
  return read_exact(fd, probe.file_size - k_id3v1_size, block.data(), k_id3v1_size);
}

QByteArray id3v1_bytes(const QByteArray& block, int i) { return raw_field(block, k_offsets[i], k_width); }

QString id3v1_text(const QByteArray& block, int i) { return decode_legacy(id3v1_bytes(block, i)); }

QString id3v1_field(const QByteArray& block, Field f, bool* legacy) {
  if (legacy) *legacy = false;
  if (block.size() != k_id3v1_size) return {};
  QByteArray raw;
  switch (f) {
    case Field::title: raw = id3v1_bytes(block, 0); break;
    case Field::artist: raw = id3v1_bytes(block, 1); break;
    case Field::album: raw = id3v1_bytes(block, 2); break;
    case Field::year: raw = raw_field(block, k_year, 4); break;
    case Field::comment: raw = raw_field(block, k_comment, has_track(block) ? 28 : k_width); break;
    case Field::track:
      return has_track(block) ? QString::number(static_cast<unsigned char>(block[k_track])) : QString();
    case Field::genre: return from_taglib(TagLib::ID3v1::genre(static_cast<unsigned char>(block[k_genre])));
    default: return {};
  }
  if (legacy) *legacy = is_legacy(raw);
  return decode_legacy(raw);
}

QByteArray new_id3v1(const QByteArray& old, const WantedTexts& wanted, const OtherEdits* others) {
  QByteArray v1 = old;
  if (v1.size() != k_id3v1_size) return v1;
  for (int i = 0; i < k_fields; ++i) {
    if (wanted[i].kept && !wanted[i].written) continue;
    put_field(v1, k_offsets[i], k_width, wanted[i].text);
  }
  for (const OtherEdit& e : others ? *others : OtherEdits{}) {
    if (e.field == Field::track && v1[k_track - 1] == '\0') {
      // A track it can't hold (none, above 255) leaves none: an old one
      // would show again where the main tag's is removed.
      const int n = e.text.section(QLatin1Char('/'), 0, 0).toInt();
      v1[k_track] = static_cast<char>(n > 0 && n < 256 ? n : 0);
    } else if (e.field == Field::year) {
      put_field(v1, k_year, 4, e.text);
    } else if (e.field == Field::comment) {
      put_field(v1, k_comment, has_track(v1) ? 28 : k_width, e.text);
    } else if (e.field == Field::genre) {
      const int n = e.text.isEmpty() ? 255 : TagLib::ID3v1::genreIndex(to_taglib(e.text));
      v1[k_genre] = static_cast<char>(n < 0 || n > 255 ? 255 : n);
    }
  }
  return v1;
}

}  // namespace tn
