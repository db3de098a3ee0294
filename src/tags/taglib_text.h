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

// Title, artist and album of a rendered tag, as a read of the file would give them.
bool rendered_texts(const TagLib::ByteVector& rendered, std::array<QString, k_fields>& out);

}  // namespace tn
