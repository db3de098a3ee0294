#include "readings/kana.h"

namespace tn::readings {

namespace {

bool hiragana(char16_t c) { return c >= 0x3041 && c <= 0x3096; }
bool katakana(char16_t c) { return c >= 0x30A1 && c <= 0x30F6; }
// Katakana that have a hiragana form at the same distance (ヷ-ヺ do not).
constexpr char16_t k_kana_offset = 0x60;

bool kanji(char16_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
         c == u'々' || c == u'〆' || c == u'ヶ' || c == u'ヵ' || QChar::isSurrogate(c);
}

}  // namespace

QString to_script(const QString& text, Script script) {
  QString out = text;
  for (QChar& ch : out) {
    const char16_t c = ch.unicode();
    if (script == Script::hiragana && katakana(c))
      ch = QChar(static_cast<char16_t>(c - k_kana_offset));
    else if (script == Script::katakana && hiragana(c))
      ch = QChar(static_cast<char16_t>(c + k_kana_offset));
  }
  return out;
}

bool has_kanji(const QString& text) {
  for (const QChar ch : text)
    if (kanji(ch.unicode())) return true;
  return false;
}

bool is_kana(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (!hiragana(c) && !katakana(c) && c != u'ー' && c != u'ゝ' && c != u'ゞ' && c != u'ヽ' && c != u'ヾ')
      return false;
  }
  return true;
}

bool has_latin(const QString& text) {
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if ((c < 0x2E80 && ch.isLetterOrNumber()) || (c >= 0xFF10 && c <= 0xFF5A && ch.isLetterOrNumber()))
      return true;
  }
  return false;
}

}  // namespace tn::readings
