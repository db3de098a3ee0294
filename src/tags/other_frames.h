#pragma once
// The frames of the fields beyond title, artist and album, as a write
// through TagLib sets them (taglib_tag.cpp): each field's one frame
// replaced, added or removed, every other frame left to the carrying check.

#include <taglib/id3v2tag.h>

#include <QByteArray>
#include <QString>
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

// Whether a read of the tag of `version` and `tag_size` in `bytes` gives
// every field of `others` as set (a genre as players show it).
bool others_read_as_set(const TagBytes& bytes, int version, std::int64_t tag_size, const OtherEdits& others);

// A frame of `version` (3 or 4) of our own: a header without flags, then
// content as it is.
QByteArray plain_frame(const char* id, const QByteArray& content, int version);

// A new frame of field f (any of them) holding text, as a write through
// TagLib stores it in a tag of `version` (3 or 4): in `encoding`,
// a comment without description in `language` ("XXX" when none), a 2.4
// sort frame TagLib leaves out of a 2.3 tag as add_dropped puts it back.
// Empty where TagLib stores the field in more than one frame (a full date
// in 2.3).
QByteArray new_field_frame(Field f, const QString& text, int encoding, const QByteArray& language, int version);

// Whether a field's one frame (its content) already holds the text as a
// write through TagLib sees it: the same text, in an encoding that holds it.
bool holds_already(Field f, const QByteArray& content, const QString& text);

// The encoding a write through TagLib gives a field's new frame: a comment
// Latin-1 when ASCII; a text frame that of its one old frame (was, -1 for
// none), Latin-1 for none; either, where Latin-1 can't hold the text,
// `unicode`.
int other_encoding(Field f, const QString& text, int was, int unicode);

}  // namespace tn
