#pragma once
// Text that some tool decoded from the wrong bytes as Windows-1252 (or
// Latin-1) and stored again as Unicode: UTF-8 ("ãƒ\x9dãƒƒãƒ—ã‚¹" for
// ポップス, "CafÃ©" for Café) or Shift-JIS ("ƒ|ƒbƒvƒX" for ポップス, "‰Ì"
// for 歌), sometimes twice over.

#include <QString>
#include <optional>

namespace tn {

// The text a double-encoded text was, or nothing when it is not one. Every
// character must be a byte of Windows-1252 (the bytes it leaves undefined as
// the controls U+0081..U+009F). Those bytes are read as UTF-8 when they are
// valid UTF-8 (whose structure chance seldom gives), else as CP932; a UTF-8
// result that is double-encoded in turn is repaired again. Strict, so that
// no European title is ever taken for one: the result must read as text (no
// control or private-use character; CP932 must give kana or kanji and no
// Japanese character sitting inside a Latin word, what an accented letter
// followed by a letter decodes to: "Pokémon" gives a kanji for "ém"), and
// must not look like mojibake itself (UTF-8 read as CP932: "繝昴ャ繝励せ").
std::optional<QString> repair_mojibake(const QString& text);

}  // namespace tn
