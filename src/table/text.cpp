#include "table/text.h"

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

}  // namespace tn
