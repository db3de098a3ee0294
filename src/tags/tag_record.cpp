#include "tags/tag_record.h"

#include <QByteArray>
#include <cstring>

namespace tn {

TagRecordBytes empty_tag_bytes() {
  TagRecordBytes r;
  std::memset(&r, 0, sizeof r);
  return r;
}

OpenRecordBytes empty_open_bytes() {
  OpenRecordBytes r;
  std::memset(&r, 0, sizeof r);
  return r;
}

QString field_text(const char* field, int width) {
  const void* zero = std::memchr(field, 0, static_cast<size_t>(width));
  const auto len = zero ? static_cast<const char*>(zero) - field : width;
  return QString::fromUtf8(field, len);
}

void set_field(char* field, int width, const QString& text, char pad) {
  const QByteArray utf8 = text.toUtf8();
  int len = std::min<int>(static_cast<int>(utf8.size()), width);
  // Step back over continuation bytes so that the last character stays whole.
  if (len < utf8.size()) {
    while (len > 0 && (static_cast<unsigned char>(utf8[len]) & 0xC0) == 0x80) --len;
  }
  std::memcpy(field, utf8.constData(), static_cast<size_t>(len));
  std::memset(field + len, pad, static_cast<size_t>(width - len));
}

TagRecordBytes to_bytes(const TagRecord& record, char pad) {
  TagRecordBytes b = empty_tag_bytes();
  set_field(b.title, k_tag_text_bytes, record.title, pad);
  set_field(b.artist, k_tag_text_bytes, record.artist, pad);
  set_field(b.album, k_tag_text_bytes, record.album, pad);
  set_field(b.year, k_year_bytes, record.year, pad);
  set_field(b.comment, k_tag_text_bytes, record.comment, pad);
  b.genre_no = record.genre_no;
  set_field(b.genre_name, k_tag_text_bytes, record.genre_name, pad);
  return b;
}

TagRecord from_bytes(const TagRecordBytes& b) {
  TagRecord r;
  r.title = field_text(b.title, k_tag_text_bytes);
  r.artist = field_text(b.artist, k_tag_text_bytes);
  r.album = field_text(b.album, k_tag_text_bytes);
  r.year = field_text(b.year, k_year_bytes);
  r.comment = field_text(b.comment, k_tag_text_bytes);
  r.genre_no = b.genre_no;
  r.genre_name = field_text(b.genre_name, k_tag_text_bytes);
  return r;
}

QByteArray field_bytes(const char* field) {
  const void* zero = std::memchr(field, 0, k_tag_text_bytes);
  qsizetype len = zero ? static_cast<const char*>(zero) - field : k_tag_text_bytes;
  while (len > 0 && field[len - 1] == ' ') --len;
  return QByteArray(field, len);
}

}  // namespace tn
