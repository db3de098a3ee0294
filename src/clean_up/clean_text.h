#pragma once
// Text rules of the clean-up commands, one cell at a time.

#include <QString>

namespace tn {

// Full-width ASCII letters, digits and the ideographic blank become
// half-width (Ａ１　 -> A1 ); half-width katakana and their punctuation
// become full-width, a voiced or semi-voiced mark joined to the kana before
// it (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ). Everything else stays: kanji, hiragana,
// full-width punctuation and symbols (！「」～①♪ ...).
QString even_widths(const QString& text);

// A file name every file system takes: the characters FAT, exFAT and Windows
// refuse (\ / : * ? " < > |) as their full-width forms, and trailing dots
// and blanks dropped; with a ".mp3" (any case) at its end, those of the part
// before it. A name that would be left with nothing before its extension
// stays as it is, for the rename to refuse.
QString portable_name(const QString& name);

}  // namespace tn
