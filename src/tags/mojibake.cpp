#include "tags/mojibake.h"

#include <QList>

#include "text/text.h"
#include "tags/legacy_text.h"

namespace tn {

namespace {

// Windows-1252 at 0x80..0x9F; zero where it leaves the byte undefined.
constexpr char16_t k_cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte a Windows-1252 (or Latin-1) decoder turned into c.
std::optional<char> cp1252_byte(char16_t c) {
  if (c <= 0xFF) return static_cast<char>(c);  // C1 controls: bytes 1252 leaves undefined
  for (int i = 0; i < 32; ++i)
    if (k_cp1252_high[i] == c) return static_cast<char>(0x80 + i);
  return std::nullopt;
}

bool is_ascii_letter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_half_width_kana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }
bool is_kana_or_kanji(char32_t c) {
  return (c >= 0x3041 && c <= 0x30FF) || (c >= 0x3005 && c <= 0x3007) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF);
}
bool is_unwanted(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD;
}

// Whether decoded (all of the CP932 decode) reads as Japanese text rather
// than as Latin words with a few accented letters turned into Japanese.
bool reads_as_japanese(const QList<uint>& s) {
  int kana_kanji = 0, half_width = 0, non_ascii = 0, glued = 0;
  bool letters = false, half_width_mark = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char32_t c = s[i];
    if (is_unwanted(c)) return false;
    letters = letters || is_ascii_letter(c);
    if (c < 0x80) continue;
    ++non_ascii;
    kana_kanji += is_kana_or_kanji(c);
    half_width += is_half_width_kana(c);
    half_width_mark = half_width_mark || c == 0xFF70 || c == 0xFF9E || c == 0xFF9F;
    const bool left = i > 0 && is_ascii_letter(s[i - 1]);
    const bool right = i + 1 < s.size() && is_ascii_letter(s[i + 1]);
    glued += left + right;
  }
  // A run of non-ASCII characters with a letter on both sides is the middle
  // of a Latin word ("Mädchen", "crème"): never Japanese.
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] < 0x80 || (i > 0 && s[i - 1] >= 0x80)) continue;
    qsizetype end = i;
    while (end < s.size() && s[end] >= 0x80) ++end;
    if (i > 0 && is_ascii_letter(s[i - 1]) && end < s.size() && is_ascii_letter(s[end]))
      return false;
  }
  // Half-width katakana alone are what "©", "Ü" or "É" decode to: they
  // count only as a word of their own, with a sound mark or long vowel
  // ("»»ÞÝ" for ｻｻﾞﾝ), in a text without Latin letters.
  if (kana_kanji == 0) return half_width >= 3 && half_width_mark && !letters;
  // Japanese glued to a Latin word now and then ("LOVEマシーン"), but an
  // accented letter decodes to one character glued to its word every time.
  return non_ascii >= 2 * glued + 1;
}

// Text a UTF-8 decode gave reads as text, not as the accented letters of a
// European title paired with a sign by chance ("JOSÉ’S" is valid UTF-8, and
// gives an IPA letter): no control or private-use character, no phonetic
// letter or stray combining mark, and no Greek to Arabic letter glued to a
// Latin one.
bool reads_as_text(const QList<uint>& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char32_t c = s[i];
    if (is_unwanted(c) || (c >= 0x0250 && c <= 0x02FF) || (c >= 0x0591 && c <= 0x05C7)) return false;
    const bool after_letter = i > 0 && QChar::isLetter(s[i - 1]);
    if (c >= 0x0300 && c <= 0x036F && !after_letter) return false;
    const bool glued = (i > 0 && is_ascii_letter(s[i - 1])) || (i + 1 < s.size() && is_ascii_letter(s[i + 1]));
    if (c >= 0x0370 && c <= 0x07FF && glued) return false;
  }
  return true;
}

// Whether bytes have the build of UTF-8: at least three quarters of the
// bytes at 0x80 and above inside well-formed characters of `min_len` bytes
// or more, two of them at least. A '?' may stand for a byte some tool could
// not show, and a byte may be missing (the ones Windows-1252 leaves undefined
// are often dropped), which only lowers the share. Japanese in UTF-8 is
// three bytes a character; two-byte ones CP932 gives by chance (a trail
// byte, then a lead byte of kana).
bool looks_like_utf8(const QByteArray& b, int min_len) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
  const qsizetype n = b.size();
  qsizetype high = 0, inside = 0, chars = 0;
  for (qsizetype i = 0; i < n;) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const int len = p[i] >= 0xF0 ? 4 : p[i] >= 0xE0 ? 3 : p[i] >= 0xC0 ? 2 : 1;
    int k = 1;
    while (k < len && i + k < n && ((p[i + k] & 0xC0) == 0x80 || p[i + k] == '?')) ++k;
    for (int j = 0; j < k; ++j) high += p[i + j] >= 0x80;
    if (len >= min_len && k == len) {
      for (int j = 0; j < k; ++j) inside += p[i + j] >= 0x80;
      ++chars;
    }
    i += k;
  }
  return chars >= 2 && inside * 4 >= high * 3;
}

// The bytes a Windows-1252 (or Latin-1) decoder turned into text, when it
// has one at 0x80 or above; nothing when a character is no such byte.
std::optional<QByteArray> cp1252_bytes(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  bool high = false;
  for (const QChar c : text) {
    const std::optional<char> b = cp1252_byte(c.unicode());
    if (!b) return std::nullopt;
    high = high || static_cast<unsigned char>(*b) >= 0x80;
    bytes += *b;
  }
  if (!high) return std::nullopt;
  return bytes;
}

// A result that is mojibake itself: UTF-8 read as Windows-1252 or as CP932.
bool looks_like_mojibake(const QString& text) {
  if (const auto b = cp1252_bytes(text); b && looks_like_utf8(*b, 2)) return true;
  const std::optional<QByteArray> b = to_cp932(text);
  return b && looks_like_utf8(*b, 3);
}

constexpr int k_max_depth = 3;  // mojibake of mojibake of mojibake

std::optional<QString> repair_from(const QString& text, int depth) {
  const std::optional<QByteArray> bytes = cp1252_bytes(text);
  if (!bytes) return std::nullopt;
  if (is_strict_utf8(*bytes)) {
    const QString once = QString::fromUtf8(*bytes);
    if (depth + 1 < k_max_depth)
      if (std::optional<QString> deeper = repair_from(once, depth + 1)) return deeper;
    if (reads_as_text(once.toUcs4()) && !looks_like_mojibake(once)) return once;
    return std::nullopt;
  }
  const std::optional<QString> decoded = from_cp932(*bytes);
  if (!decoded || !reads_as_japanese(decoded->toUcs4()) || looks_like_mojibake(*decoded)) return std::nullopt;
  return decoded;
}

}  // namespace

std::optional<QString> repair_mojibake(const QString& text) { return repair_from(text, 0); }

}  // namespace tn
