// The record's byte form: any text into a fixed field and back. The field
// must hold valid UTF-8 only, never a character cut in half, never more than
// its width, and give back the longest whole-character start of the text
// that fits. Any 652 bytes read as a record must come back as valid UTF-8 too.

#include <cstring>

#include "fuzz_support.h"
#include "tags/tag_record.h"

using namespace tn;
using tn::fuzz::check;

namespace {

// The expected field: whole characters of text while their UTF-8 fits.
QByteArray expected_prefix(const QString& text, int width) {
  QByteArray out;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QByteArray one = text.mid(i, n).toUtf8();
    if (out.size() + one.size() > width) break;
    out += one;
    i += n;
  }
  return out;
}

void field_round_trip(const QString& text, int width, char pad) {
  char field[k_tag_text_bytes + 1];
  std::memset(field, 0x5A, sizeof field);
  set_field(field, width, text, pad);
  check(field[width] == 0x5A, "wrote past the field");
  // The stored text ends where the padding starts.
  int len = width;
  while (len > 0 && field[len - 1] == pad) --len;
  check(tn::fuzz::valid_utf8(field, static_cast<std::size_t>(len)), "field is not valid UTF-8");
  const QString back = field_text(field, width);
  check(back.isValidUtf16(), "text read back is not valid UTF-16");
  if (text.isValidUtf16()) {
    const QByteArray want = expected_prefix(text, width);
    QByteArray stored(field, width);
    check(stored.startsWith(want), "field does not start with the text");
    for (qsizetype i = want.size(); i < width; ++i) check(stored[i] == pad, "junk after the text");
    // Read up to the first zero byte: the text's own or the padding.
    const qsizetype zero = stored.indexOf('\0');
    const QByteArray visible = zero < 0 ? stored : stored.left(zero);
    check(back == QString::fromUtf8(visible), "text read back differs");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // First byte: how the rest is taken as text and which field it goes into.
  const std::uint8_t mode = data[0];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const auto n = static_cast<qsizetype>(size - 1);
  const QString text =
      mode & 1 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(QByteArray(rest, n).constData()),
                                    n / 2)  // may hold lone surrogates
               : QString::fromUtf8(rest, n);
  const int width = mode & 2 ? k_year_bytes : k_tag_text_bytes;
  field_round_trip(text, width, mode & 4 ? ' ' : '\0');

  // Arbitrary bytes as a whole record, through the program's form and back.
  TagRecordBytes raw = empty_tag_bytes();
  std::memcpy(&raw, data, std::min(size, sizeof raw));
  const TagRecord rec = from_bytes(raw);
  const TagRecordBytes again = to_bytes(rec);
  for (const char* f : {again.title, again.artist, again.album, again.comment, again.genre_name}) {
    const void* zero = std::memchr(f, 0, k_tag_text_bytes);
    const auto len = zero ? static_cast<const char*>(zero) - f : k_tag_text_bytes;
    check(tn::fuzz::valid_utf8(f, static_cast<std::size_t>(len)), "record field is not valid UTF-8");
  }
  check(again.genre_no == raw.genre_no, "genre number changed");
  return 0;
}
