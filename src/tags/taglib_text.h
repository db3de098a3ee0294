#pragma once
// Texts as TagLib reads them: the fallback reader for tags the fast one
// can't say about, and the check of a tag TagLib rendered.

#include <taglib/id3v2tag.h>
#include <taglib/tstring.h>

#include <QString>
#include <array>

#include "tags/write_plan.h"

namespace tn {

QString from_taglib(const TagLib::String& s);
TagLib::String to_taglib(const QString& s);

// The text of the first text frame with this id; Latin-1 frames through the
// legacy decision, one value at a time (or, with legacy false, as Latin-1, as
// other players show them).
QString frame_text(TagLib::ID3v2::Tag& tag, const char* id, bool legacy = true);

// The encoding of a new text frame: UTF-16 in ID3v2.3 (what every player
// reads); in 2.4 the tag's own choice of Unicode, this frame's first, then
// any other text frame's.
TagLib::String::Type unicode_encoding(TagLib::ID3v2::Tag& tag, const char* id, TagLib::ID3v2::Version version);

// Puts text into the tag's only `id` frame, when that is a plain text frame
// whose rendered size stays the same.
bool replace_same_size(TagLib::ID3v2::Tag& tag, const char* id, const TagLib::String& text,
                       TagLib::String::Type encoding);

// Title, artist and album of a rendered tag, as a read of the file would give them.
bool rendered_texts(const TagLib::ByteVector& rendered, std::array<QString, k_fields>& out);

struct Id3v2Fields;
// Every field of a whole tag in memory, as TagLib reads it.
bool rendered_fields(const QByteArray& tag, Id3v2Fields& out);

}  // namespace tn
