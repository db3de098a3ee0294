#pragma once
// The frames of the fields beyond title, artist and album, as a write
// through TagLib sets them (taglib_tag.cpp): each field's one frame
// replaced, added or removed, every other frame left to the carrying check.

#include <taglib/id3v2tag.h>

#include <QByteArray>
#include <vector>

#include "tags/id3v2_reader.h"
#include "tags/write_plan.h"

namespace tn {

// Sets the fields of `others` in the parsed tag (TagLib holds every tag in
// 2.4 ids); true when any changed.
bool set_others(TagLib::ID3v2::Tag& tag, const OtherEdits& others, TagLib::ID3v2::Version version);

// Whether a frame holds one of the fields of `others` (which the write may
// change, add or remove).
bool set_by_others(const Id3v2Frame& frame, const OtherEdits& others);

// The frames of `others` a rendered tag of `version` lacks (TagLib leaves
// the 2.4 sort frames out of a 2.3 tag), to be put back as our own; false
// when a field reads back otherwise than it was set.
bool dropped_others(const QByteArray& tag, int version, const OtherEdits& others, std::vector<Id3v2Frame>& dropped);

}  // namespace tn
