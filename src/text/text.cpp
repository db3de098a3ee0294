#include "text/text.h"

namespace tn {

namespace {
// UTF-16 units of the character starting at i: a surrogate pair is one.
qsizetype width_at(const QString& s, qsizetype i) {
  return s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate() ? 2 : 1;
}
// Index in UTF-16 units just after the first n characters of s.
qsizetype unit_index(const QString& s, int n) {
  qsizetype i = 0;
  for (int k = 0; k < n && i < s.size(); ++k) i += width_at(s, i);
  return i;
}
}  // namespace

int char_count(const QString& s) {
  int n = 0;
  for (qsizetype i = 0; i < s.size(); ++n) i += width_at(s, i);
  return n;
}

QString drop_last_chars(const QString& s, int n) {
  const int keep = char_count(s) - n;
  return keep <= 0 ? QString() : s.left(unit_index(s, keep));
}

QString first_chars(const QString& s, int n) { return s.left(unit_index(s, n)); }

QString without_lone_surrogates(QString s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (!s[i].isSurrogate()) continue;
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
      ++i;
    else
      s[i] = QChar::ReplacementCharacter;
  }
  return s;
}

int utf8_sequence(const unsigned char* p, qsizetype n, char32_t& cp) {
  const unsigned c = p[0];
  int len;
  char32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    len = 2, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (n < len) return 0;
  cp = c & (0x7Fu >> len);
  for (int k = 1; k < len; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (p[k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool is_strict_utf8(const unsigned char* p, qsizetype n) {
  char32_t cp;
  for (qsizetype i = 0; i < n;) {
    const int len = utf8_sequence(p + i, n - i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

QString read_delimited_field(const QString& text, qsizetype& pos, QChar separator) {
  QString field;
  const qsizetype n = text.size();
  if (pos < n && text[pos] == u'"') {
    for (++pos; pos < n; ++pos) {
      if (text[pos] != u'"') {
        field += text[pos];
      } else if (pos + 1 < n && text[pos + 1] == u'"') {
        field += u'"';
        ++pos;
      } else {
        ++pos;
        break;
      }
    }
  }
  while (pos < n && text[pos] != separator && text[pos] != u'\n' && text[pos] != u'\r')
    field += text[pos++];
  return field;
}

}  // namespace tn
