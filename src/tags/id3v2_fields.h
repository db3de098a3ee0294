#pragma once
// Every field of an ID3v2 tag, read in the one walk of its frame headers
// (id3v2_reader.h): title, artist and album as the walk reads them, the
// other fields from the bodies of their frames, which in the usual layout
// lie in the bytes the walk has already read.

#include <QByteArray>
#include <QString>
#include <optional>

#include "tags/fields.h"
#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"

namespace tn {

// The frame a write stores a field in, for a tag of `version` (3 or 4):
// the year is TYER in 2.3 and TDRC in 2.4, the comment COMM.
const char* frame_id_of(Field f, int version);

// The field a frame holds; ids of 2.2 (three letters and a zero, also as
// iTunes stored them in 2.3 tags) and the year frame of the other version
// included. nullopt for any other frame.
std::optional<Field> field_of_frame(const char id[4]);

// A genre as players show it: a reference to the ID3v1 genre list ("(13)",
// "13") as its name, a refinement ("(13)Britpop") as its text.
QString genre_shown(const QString& stored);

// A comment frame's text when its description is empty (the comment
// players show); nothing for any other. d, n: its content.
std::optional<QString> comment_of(const unsigned char* d, std::int64_t n, bool legacy);

struct Id3v2Fields {
  PerField<QString> text;
  // Stored as ISO-8859-1 but decoded as Shift-JIS or UTF-8: other players
  // show it garbled.
  PerField<bool> legacy;
};

// The tag at the start of fd (probe: probe_mp3 of it, without tag_broken
// unless tag_cut), as read_id3v2_texts reads it.
Id3v2Read read_id3v2_fields(int fd, const Mp3Probe& probe, Id3v2Fields& out);
// Any tag of `version` and `tag_size`; present as for walk_id3v2.
Id3v2Read read_id3v2_fields(const TagBytes& bytes, int version, std::int64_t tag_size, std::int64_t present,
                            Id3v2Fields& out);

// The same through TagLib, for tags the walk can't say about.
bool read_id3v2_fields_taglib(int fd, const Mp3Probe& probe, Id3v2Fields& out);

}  // namespace tn
