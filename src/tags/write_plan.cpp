#include "tags/write_plan.h"

#include <cstring>

#include "tags/tag_library.h"

namespace tn {

QByteArray field_bytes(const char* field) {
  const void* zero = std::memchr(field, 0, k_tag_text_bytes);
  qsizetype len = zero ? static_cast<const char*>(zero) - field : k_tag_text_bytes;
  while (len > 0 && field[len - 1] == ' ') --len;
  return QByteArray(field, len);
}

WantedTexts wanted_fields(const TagRecordBytes& record, int from_table, const LastRead* known) {
  // A field handed back as last read means the file's whole text (the record
  // holds only its first 128 characters). A field the caller did not take
  // from the table stays in the file byte for byte; one it took is stored as
  // the table shows it, unless it is a longer text come back unchanged.
  const char* fields[k_fields] = {record.title, record.artist, record.album};
  constexpr int k_bits[k_fields] = {field_bit::title, field_bit::artist, field_bit::album};
  WantedTexts wanted;
  for (int i = 0; i < k_fields; ++i) {
    WantedText& w = wanted[i];
    const QByteArray bytes = field_bytes(fields[i]);
    const bool unchanged = known && bytes == known->bytes[i];
    w.text = unchanged ? known->text[i] : QString::fromUtf8(bytes);
    w.written = (from_table & k_bits[i]) != 0;
    w.kept = unchanged && (!w.written || known->cut[i]);
    w.from_id3v1 = w.kept && !w.written && known->source[i] == Source::id3v1;
  }
  return wanted;
}

}  // namespace tn
