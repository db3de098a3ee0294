#pragma once
// The sizes of the ID3v2 byte format: the tag header's, and a frame
// header's in each version.

#include <cstdint>
#include <optional>

namespace tn {

// A size in four bytes of seven bits each (the tag header's, an ID3v2.4
// frame's), 28 bits in all. is_synchsafe: whether the bytes are one (each
// below 0x80); synchsafe reads them as one either way.
inline bool is_synchsafe(const unsigned char* p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }
inline std::uint32_t synchsafe(const unsigned char* p) {
  return std::uint32_t{p[0]} << 21 | std::uint32_t{p[1]} << 14 | std::uint32_t{p[2]} << 7 | p[3];
}
// The low 28 bits of n as four synchsafe bytes at out.
inline void put_synchsafe(char* out, std::uint32_t n) {
  for (int k = 0; k < 4; ++k) out[k] = static_cast<char>((n >> (7 * (3 - k))) & 0x7F);
}

// A plain big-endian 32-bit size (an ID3v2.3 frame's).
inline std::uint32_t be32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// A frame's body size in the four bytes at p, and written there: synchsafe
// in a 2.4 tag, plain in a 2.3 one.
inline std::uint32_t frame_size(const unsigned char* p, int version) {
  return version == 4 ? synchsafe(p) : be32(p);
}
void put_frame_size(char* out, std::uint32_t n, int version);

// The 10 bytes that open a tag.
struct Id3v2Header {
  int version = 0;        // 2, 3 or 4
  unsigned flags = 0;
  std::int64_t body = 0;  // the size it states: what follows the header, a footer left out
  bool footer = false;    // 2.4: the header repeated after the tag
  std::int64_t tag_size() const { return 10 + body + (footer ? 10 : 0); }
};

// The header in the 10 bytes at p; nothing when they are none ("ID3",
// version 2 to 4, a revision other than 0xFF, a synchsafe size).
std::optional<Id3v2Header> id3v2_header(const unsigned char* p);

}  // namespace tn
