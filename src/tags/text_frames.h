#pragma once
// Step 3 of a write (write_plan.h), for a plain tag.
// New title, artist and album frames for a plain ID3v2.3 or 2.4 tag, worked
// out from the frame headers alone: a cover picture behind the text frames is
// neither read nor copied, and every frame not written stays byte for byte.
//
// The frames change as the TagLib path changes them (taglib_tag.cpp): a
// text that renders to the frame's size goes where the frame stands, one of
// another size goes behind the last frame, before the padding (where the next
// change fits again without moving what lies between), an empty one removes
// the frame; the tag keeps its size when the frames fit, and grows by
// TagLib's padding when they do not. The new tag is walked again as TagLib
// would read it before anything is planned; whatever does not come back as
// asked is left to the TagLib path, as are tags that are not plain.

#include <vector>

#include "durable/journal.h"
#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

enum class Planned {
  patches,  // fits: the ID3v2 part of the write, in `patches` (none: nothing to change)
  grown,    // does not fit: the new tag, in `grown`, with room to spare
  taglib,   // left to the TagLib path
  read_error,
};

// fd: the file, open for reading; probe: probe_mp3 of it, without tag_broken.
Planned plan_text_frames(int fd, const Mp3Probe& probe, const WantedTexts& wanted,
                         std::vector<Patch>& patches, std::vector<TagPiece>& grown);

// Writes the pieces at the end of `to`, old bytes taken from `from`.
bool write_pieces(int from, const std::vector<TagPiece>& pieces, int to);

}  // namespace tn
