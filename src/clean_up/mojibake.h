#pragma once
// Shift-JIS text that some tool decoded as Windows-1252 (or Latin-1) and
// stored again as Unicode: "ƒ|ƒbƒvƒX" for ポップス, "‰Ì" for 歌.

#include <QString>
#include <optional>

namespace tn {

// The Japanese text a double-encoded text was, or nothing when it is not
// one. Strict, so that no European title is ever taken for one: every
// character must be a byte of Windows-1252 (the bytes it leaves undefined as
// the controls U+0081..U+009F), those bytes valid CP932, and the result must
// hold kana or kanji, no control or private-use character, and no Japanese
// character sitting inside a Latin word (what an accented letter followed
// by a letter decodes to: "Pokémon" gives a kanji for "ém").
std::optional<QString> repair_mojibake(const QString& text);

}  // namespace tn
