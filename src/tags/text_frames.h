#pragma once
// Step 3 of a write (write_plan.h), for a tag whose frames we carry.
// New frames of the fields written for an ID3v2 tag, worked out from the
// frame headers (and the bodies of the frames of the fields beyond title,
// artist and album) alone: every frame not written stays byte for byte (a
// cover picture is neither read nor copied where the tag stays in place),
// whatever its flags (compressed, encrypted, grouped, a data length), its
// id or its size. An extended header stays, its padding size and CRC made
// to fit the new frames; the tag's own form is kept (old_tag.h): a 2.4 tag
// whose header marks every frame unsynchronised gets its new frames
// unsynchronised and marked, one of plain frame sizes gets plain sizes; a
// 2.3 tag unsynchronised as a whole, and a 2.2 tag, are written anew
// without the flag, in 2.3. Of the comments only the one players show (the
// first without description) is the field's; its language stays. A tag
// after junk at the file's head is written where it stands, the junk as it is.
//
// The frames change as the TagLib path changes them (taglib_tag.cpp): a
// text that renders to the frame's size goes where the frame stands, one of
// another size goes behind the last frame, before the padding (where the next
// change fits again without moving what lies between), an empty one removes
// the frame; the tag keeps its size when the frames fit, and grows by
// TagLib's padding when they do not. The new tag is walked again as readers
// would read it before anything is planned; whatever does not come back as
// asked is left to the TagLib path, as are tags we do not carry.

#include <QByteArray>
#include <vector>

#include "durable/journal.h"
#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

enum class Planned {
  patches,      // fits: the ID3v2 part of the write, in `patches` (none: nothing to change)
  grown,        // does not fit: the new tag, in `grown`, with room to spare
  taglib,       // left to the TagLib path
  read_error,
  not_carried,  // a frame can't be carried into the new tag: its id in not_carried
};

// file: the bytes of the file's tag, from its first (Mp3Open::tag); probe:
// probe_mp3 of the file, without tag_broken. others: the fields beyond the
// three the write sets.
Planned plan_text_frames(const TagBytes& file, const Mp3Probe& probe, const WantedTexts& wanted,
                         const OtherEdits& others, std::vector<Patch>& patches, std::vector<TagPiece>& grown,
                         QByteArray& not_carried);

// Writes the pieces at the end of `to`, old bytes taken from `from`.
bool write_pieces(int from, const std::vector<TagPiece>& pieces, int to);

}  // namespace tn
