#pragma once
// An extended header carried into a new tag: what it says of the frames
// brought up to date, everything else (flags, restrictions) as it was.

#include <QByteArray>
#include <cstdint>

#include "tags/id3v2_reader.h"

namespace tn {

// head: the new tag's header and extended header (frames begin at its
// end); tag: reads of the new tag; frames_end: where its padding begins.
// A 2.3 header's padding size, and a CRC (2.3: of the frames; 2.4: of
// frames and padding), are set. False when the extended header is not as
// the standard lays it out.
bool update_extended_header(QByteArray& head, int version, const TagBytes& tag, std::int64_t frames_end,
                            std::int64_t tag_size);

}  // namespace tn
