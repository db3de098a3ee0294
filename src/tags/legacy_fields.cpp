#include "tags/legacy_fields.h"

#include <algorithm>

#include "tags/id3v1_block.h"
#include "tags/id3v2_reader.h"
#include "tags/legacy_text.h"
#include "tags/tag_library.h"

namespace tn {

namespace {

constexpr int k_bits[k_fields] = {field_bit::title, field_bit::artist, field_bit::album};

bool beyond_ascii(const QString& s) {
  return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x80; });
}

}  // namespace

int legacy_fields(int fd, const Mp3Probe& probe, const LastRead& read, const QByteArray& id3v1) {
  int bits = 0;
  std::optional<bool> walked;
  Id3v2Texts texts;
  Id3v2Layout layout;
  for (int i = 0; i < k_fields; ++i) {
    const QString& text = read.text[i];
    if (!beyond_ascii(text)) continue;
    if (read.source[i] == Source::id3v1) {
      if (is_legacy(id3v1_bytes(id3v1, i))) bits |= k_bits[i];
      continue;
    }
    if (read.source[i] != Source::id3v2) continue;
    if (!walked) {
      const std::int64_t present = probe.tag_cut ? probe.file_size : probe.id3v2_size;
      walked = walk_id3v2(file_bytes(fd), probe.id3v2_major, probe.id3v2_size, texts, &layout, present) ==
               Id3v2Read::done;
    }
    // What other players show, when the walk read the text shown.
    if (*walked && texts[i] == text && layout.shown_as_latin1[i] != text) bits |= k_bits[i];
  }
  if (bits && probe.id3v2_size == 0) bits |= k_legacy_v1_alone;
  return bits;
}

}  // namespace tn
