#pragma once
// What an ID3v2 frame holds, from the bytes stored after its header: the
// extra bytes its format flags put before the data taken off,
// unsynchronisation undone and zlib compression inflated. Unusual, but
// written by some taggers and read by every good tag library.

#include <QByteArray>
#include <cstdint>

namespace tn {

// A tag of `version` with the header flags `tag_flags` (byte 5): whether
// its frames carry format flags of their own, and whether the whole tag
// is unsynchronised (2.2, 2.3; in 2.4 unsynchronisation goes by frame).
inline bool tag_unsynchronised(int version, unsigned tag_flags) { return version < 4 && (tag_flags & 0x80); }

// Undoes unsynchronisation: every 0xFF 0x00 becomes 0xFF.
QByteArray resynchronise(const char* data, std::int64_t n);

enum class Content {
  ok,         // out holds what the frame holds
  encrypted,  // no key to it
  broken,     // flags that promise more bytes than there are, or bad zlib data
};

// The content of a 2.3 or 2.4 frame: stored, the `n` bytes after its header;
// format, the second flags byte; tag_flags, the tag header's flags (a 2.4
// tag may mark all its frames unsynchronised there).
Content frame_content(int version, unsigned format, unsigned tag_flags, const char* stored, std::int64_t n,
                      QByteArray& out);

// Whether frames with these format flags hold their content as stored.
inline bool stored_as_is(int version, unsigned format, unsigned tag_flags) {
  if (version < 3) return true;
  return version == 3 ? (format & 0xE0) == 0 : (format & 0x4F) == 0 && !(tag_flags & 0x80);
}

}  // namespace tn
