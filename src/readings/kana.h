#pragma once
// Character classes and kana scripts, as the readings need them.

#include <QString>

namespace tn::readings {

enum class Script { hiragana, katakana };

// Katakana -> hiragana or the reverse; every other character stays (the
// long-vowel mark ー is shared by both scripts).
QString to_script(const QString& text, Script script);

// Kanji (with 々 〆 ヶ), the characters a reading must replace.
bool has_kanji(const QString& text);
// Hiragana, katakana and the long-vowel mark only.
bool is_kana(const QString& text);
// Any Latin letter or digit, half or full width: such a piece is kept as it
// is, never given kana.
bool has_latin(const QString& text);

}  // namespace tn::readings
