#pragma once
// Character counts for limits the user sees: a character is a code point, so
// a kanji or an emoji counts one, like a half-width letter.

#include <QByteArray>
#include <QString>

namespace tn {

int char_count(const QString& s);
// s without its last n characters (empty when it has fewer).
QString drop_last_chars(const QString& s, int n);
// The first n characters of s.
QString first_chars(const QString& s, int n);

// s with every surrogate that has no pair (a file name's byte that is no
// UTF-8 keeps one) as U+FFFD: no tag or sheet can hold one.
QString without_lone_surrogates(QString s);

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
// Length of the sequence at p (n bytes left), 0 when it is not one; cp gets
// its code point.
int utf8_sequence(const unsigned char* p, qsizetype n, char32_t& cp);
// True when all n bytes at p are strict UTF-8.
bool is_strict_utf8(const unsigned char* p, qsizetype n);
inline bool is_strict_utf8(const QByteArray& b) {
  return is_strict_utf8(reinterpret_cast<const unsigned char*>(b.constData()), b.size());
}

// Reads the field of delimited text (.csv, .tsv, the clipboard) that starts
// at pos, leaving pos on the separator, line break or end after it. A field
// opened by a quote runs to its closing quote, separators and line breaks
// included, "" standing for one quote; what follows the closing quote up to
// the separator stays, as spreadsheet programs keep it.
QString read_delimited_field(const QString& text, qsizetype& pos, QChar separator);

}  // namespace tn
