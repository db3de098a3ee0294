#include "tags/write_plan.h"

#include <cstring>
#include <utility>

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

FileChange file_change(std::int64_t tag_size, std::int64_t file_size, NewId3v2 v2, const TailChange& tail) {
  FileChange change;
  const bool ape_moves = tail.ape.size() != tail.ape_old.size();
  if (v2.kind == NewId3v2::Kind::same && tail.ape == tail.ape_old && tail.v1 == tail.v1_old) return change;
  if (v2.kind != NewId3v2::Kind::rewrite && !ape_moves) {
    change.kind = FileChange::Kind::in_place;
    change.patches = std::move(v2.patches);
    add_patches(change.patches, tail.ape_at, tail.ape_old, tail.ape);
    add_patches(change.patches, file_size - tail.v1_old.size(), tail.v1_old, tail.v1);
    return change;
  }
  change.kind = FileChange::Kind::rewrite;
  if (v2.kind == NewId3v2::Kind::rewrite) {
    change.tag = std::move(v2.tag);
  } else {
    // The old tag with its patches: only the APE tag changes size.
    std::int64_t at = 0;
    for (const Patch& p : v2.patches) {
      if (p.offset > at) change.tag.push_back({at, p.offset - at, {}});
      change.tag.push_back({-1, p.new_bytes.size(), p.new_bytes});
      at = p.offset + p.new_bytes.size();
    }
    if (at < tag_size) change.tag.push_back({at, tag_size - at, {}});
  }
  change.audio_begin = tag_size;
  change.audio_end = tail.ape_at >= 0 ? tail.ape_at : file_size - tail.v1_old.size();
  change.ape = tail.ape;
  change.v1 = tail.v1;
  return change;
}

}  // namespace tn
