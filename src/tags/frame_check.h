#pragma once
// The check before a write replaces a text: the frame holds the text the
// table read from it. Where the walk of a tag stepped over anything TagLib
// does not read as it does (a frame of no valid id, a zero-size frame, UTF-16
// without a byte order mark), TagLib parses the tag on its own and must find
// the same texts in the fields the write replaces; a disagreement means one
// of the two misread the tag, and the write is refused rather than replace
// a text nobody was shown. Ordinary tags are not parsed twice.

#include <QByteArray>

#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

// tag: a whole ID3v2 tag of `version`; walked, layout: what walk_id3v2 read
// of it. tag_error::none when the texts of the fields `wanted` replaces,
// and those of `others`, are the same by TagLib's parse, or the walk
// stepped over nothing; else write_failed.
int check_replaced_texts(const QByteArray& tag, int version, const Id3v2Texts& walked,
                         const Id3v2Layout& layout, const WantedTexts& wanted, const OtherEdits& others = {});

// The same for the tag of a file (probe: probe_mp3 of it, without
// tag_broken; file: its tag's bytes), walked here.
int check_replaced_texts(const TagBytes& file, const Mp3Probe& probe, const WantedTexts& wanted,
                         const OtherEdits& others);

}  // namespace tn
