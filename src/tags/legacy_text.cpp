#include "tags/legacy_text.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <QList>
#include <iconv.h>

#include "text/text.h"

namespace tn {

namespace {

// Converts all of `in` or nothing, through cd (set back to its start first).
std::optional<QByteArray> convert_with(iconv_t cd, const QByteArray& in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  QByteArray src = in;
  QByteArray out(in.size() * 4 + 8, '\0');
  char* ip = src.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(src.size());
  size_t ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  // Flush any shift state; CP932 has none, but be exact.
  const size_t rc2 = rc == static_cast<size_t>(-1) ? rc : iconv(cd, nullptr, nullptr, &op, &ol);
  if (rc == static_cast<size_t>(-1) || rc2 == static_cast<size_t>(-1) || il != 0)
    return std::nullopt;
  out.resize(op - out.data());
  return out;
}

enum class Way { to_cp932, from_cp932 };

// One converter of each way a thread, opened once: opening one costs more
// than most conversions, and a run converts a field or more of every file.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (opened()) iconv_close(cd);
  }
  bool opened() const { return cd != reinterpret_cast<iconv_t>(-1); }
  const iconv_t cd;
};

// Converts all of `in` or nothing.
std::optional<QByteArray> convert(Way way, const QByteArray& in) {
  thread_local const Converter to("CP932", "UTF-8"), from("UTF-8", "CP932");
  const Converter& c = way == Way::to_cp932 ? to : from;
  return c.opened() ? convert_with(c.cd, in) : std::nullopt;
}

bool is_kana_or_kanji(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) ||  // hiragana, katakana
         (c >= 0x31F0 && c <= 0x31FF) ||  // katakana extensions
         (c >= 0xFF66 && c <= 0xFF9F) ||  // half-width katakana
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x3005 && c <= 0x3007);
}

bool is_ascii_letter(QChar c) { return c.unicode() < 0x80 && c.isLetter(); }

// Western text in Latin-1 decodes as CP932 surprisingly often: "Pokémon"
// gives a kanji for "ém", "MÖTLEY" a half-width katakana for "Ö". Such a
// decode has every non-ASCII character alone and glued to an ASCII letter;
// Japanese text nearly always has a run of two or more.
bool looks_like_western(const QString& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].unicode() < 0x80) continue;
    const bool run_before = i > 0 && s[i - 1].unicode() >= 0x80;
    const bool run_after = i + 1 < s.size() && s[i + 1].unicode() >= 0x80;
    if (run_before || run_after) return false;
    const bool letter_before = i > 0 && is_ascii_letter(s[i - 1]);
    const bool letter_after = i + 1 < s.size() && is_ascii_letter(s[i + 1]);
    if (!letter_before && !letter_after) return false;
  }
  return true;
}

// A character of a script or symbol block that titles are written in.
// Shift-JIS kanji whose bytes happen to be valid UTF-8 (箏曲集 is) decode,
// as UTF-8, into blocks that no title uses: Tifinagh, Ethiopic, CJK
// Extension A, the private use area, C1 controls.
bool in_common_block(char32_t c) {
  static constexpr std::pair<char32_t, char32_t> k_common[] = {
      {0x00A0, 0x058F}, {0x0590, 0x06FF}, {0x0900, 0x0EFF}, {0x10A0, 0x10FF}, {0x1E00, 0x1FFF},
      {0x2000, 0x2BFF}, {0x3000, 0x33FF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7AF}, {0xF900, 0xFAFF},
      {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}, {0x1F000, 0x10FFFF}};
  if (c < 0x80) return true;
  for (const auto& [from, to] : k_common)
    if (c >= from && c <= to) return true;
  return false;
}

// Clean CP932 that yields kana or kanji, not a Western word's accents.
bool reads_as_japanese(const QByteArray& raw) {
  const auto utf8 = convert(Way::from_cp932, raw);
  if (!utf8) return false;
  const QString s = QString::fromUtf8(*utf8);
  bool japanese = false;
  for (const uint c : s.toUcs4()) japanese = japanese || is_kana_or_kanji(c);
  return japanese && !looks_like_western(s);
}

}  // namespace

LegacyCharset guess_legacy_charset(const QByteArray& raw) {
  bool ascii = true;
  for (const char c : raw) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return LegacyCharset::ascii;
  if (is_strict_utf8(raw)) {
    const QList<uint> chars = QString::fromUtf8(raw).toUcs4();
    const bool common = std::all_of(chars.begin(), chars.end(), [](uint c) { return in_common_block(c); });
    return common || !reads_as_japanese(raw) ? LegacyCharset::utf8 : LegacyCharset::cp932;
  }
  return reads_as_japanese(raw) ? LegacyCharset::cp932 : LegacyCharset::latin1;
}

QString decode_legacy(const QByteArray& raw) {
  switch (guess_legacy_charset(raw)) {
    case LegacyCharset::ascii:
    case LegacyCharset::latin1: return QString::fromLatin1(raw);
    case LegacyCharset::utf8: return QString::fromUtf8(raw);
    case LegacyCharset::cp932: return QString::fromUtf8(*convert(Way::from_cp932, raw));
  }
  return {};
}

std::optional<QByteArray> to_cp932(const QString& text) {
  return convert(Way::to_cp932, text.toUtf8());
}

std::optional<QString> from_cp932(const QByteArray& bytes) {
  const std::optional<QByteArray> utf8 = convert(Way::from_cp932, bytes);
  if (!utf8) return std::nullopt;
  return QString::fromUtf8(*utf8);
}

QByteArray id3v1_field_bytes(const QString& text, int width) {
  bool latin1 = true;
  for (const QChar c : text) latin1 = latin1 && c.unicode() <= 0xFF;
  if (latin1) return text.toLatin1().left(width);
  // Whole when every character converts and fits; else a character at a
  // time, as many as fit, "?" for one Shift-JIS lacks.
  if (std::optional<QByteArray> whole = convert(Way::to_cp932, text.toUtf8()); whole && whole->size() <= width)
    return *whole;
  QByteArray out;
  for (const uint c : text.toUcs4()) {
    const char32_t cp = c;
    const QByteArray bytes = convert(Way::to_cp932, QString::fromUcs4(&cp, 1).toUtf8()).value_or(QByteArray("?"));
    if (out.size() + bytes.size() > width) break;
    out += bytes;
  }
  return out;
}

}  // namespace tn
