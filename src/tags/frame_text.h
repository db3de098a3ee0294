#pragma once
// The text of an ID3v2 text frame's body, as the fast reader gives it.

#include <QString>
#include <cstdint>
#include <optional>

namespace tn {

// d, n: the frame's content (encoding byte first). TagLib's field list
// (trailing zeros dropped, split at aligned terminators, empty values
// skipped, a UTF-16 byte order mark of the first value reused for the
// following ones), each value through the legacy decision when stored as
// ISO-8859-1 (or, with legacy false, as ISO-8859-1, as other players show
// it), joined by " / ". UTF-16 without a byte order mark is read as
// little-endian, as mutagen reads it (TagLib reads no text there); no_mark,
// when given, tells whether a value was. Nothing when TagLib's result would
// depend on its quirks.
std::optional<QString> text_of_frame(const unsigned char* d, std::int64_t n, bool legacy,
                                     bool* no_mark = nullptr);

}  // namespace tn
