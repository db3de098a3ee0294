#pragma once
// Character counts for limits the user sees: a character is a code point, so
// a kanji or an emoji counts one, like a half-width letter.

#include <QString>

namespace tn {

int char_count(const QString& s);
// s without its last n characters (empty when it has fewer).
QString drop_last_chars(const QString& s, int n);
// The first n characters of s.
QString first_chars(const QString& s, int n);

}  // namespace tn
