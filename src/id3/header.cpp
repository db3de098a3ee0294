#include "id3/header.h"

namespace tn {

void put_frame_size(char* out, std::uint32_t n, int version) {
  if (version == 4) return put_synchsafe(out, n);
  for (int k = 0; k < 4; ++k) out[k] = static_cast<char>((n >> (8 * (3 - k))) & 0xFF);
}

std::optional<Id3v2Header> id3v2_header(const unsigned char* p) {
  if (p[0] != 'I' || p[1] != 'D' || p[2] != '3' || p[3] < 2 || p[3] > 4 || p[4] == 0xFF || !is_synchsafe(p + 6))
    return std::nullopt;
  Id3v2Header h;
  h.version = p[3];
  h.flags = p[5];
  h.body = synchsafe(p + 6);
  h.footer = h.version == 4 && (h.flags & 0x10);
  return h;
}

}  // namespace tn
