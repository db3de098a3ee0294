#pragma once
// Step 3 of a write (write_plan.h) for a tag the plain plan leaves to TagLib:
// the old tag is read once, TagLib parses it from memory and renders the new
// one, which is then checked against what the table must show.

#include <QByteArray>

#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

// fd: the file, open for reading; probe: probe_mp3 of it, without
// tag_broken. old_tag: a buffer for the old tag's bytes (kept by the caller
// from file to file, like the heap). others: the write's fields beyond
// title, artist and album (nullptr: none). Returns tag_error::none with `out` filled, or
// the error the write fails with.
int taglib_id3v2(int fd, const Mp3Probe& probe, const WantedTexts& wanted, QByteArray& old_tag,
                 NewId3v2& out, const OtherEdits* others = nullptr);

}  // namespace tn
