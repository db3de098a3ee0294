#pragma once
// The check behind a write's promise about the frames it was not asked to
// change: every frame of the old tag is in the new one with the same
// content, and the new one holds no frame the old one lacks, but for the
// title, artist and album frames the write sets. A frame TagLib rendered
// anew counts when it holds the same bytes, or for a text, comment or lyrics
// frame the same texts in another encoding.

#include <QByteArray>
#include <vector>

#include "tags/id3v2_reader.h"
#include "tags/write_plan.h"

namespace tn {

// Every frame of a tag held in memory, with its content. False when the
// tag can't be walked whole (a damaged frame, a frame whose content can't
// be read, a size that only TagLib's quirks decide).
bool tag_frames(const QByteArray& tag, int version, std::vector<Id3v2Frame>& frames);

// What is off between an old tag's frames and a new one's (both from
// tag_frames, in 2.3 or 2.4 ids): the old frames the new one lacks, and the
// new frames the old one lacks, but for those of the fields the write sets.
struct FramesOff {
  std::vector<const Id3v2Frame*> missing;  // of old
  std::vector<const Id3v2Frame*> extra;    // of now
  bool none() const { return missing.empty() && extra.empty(); }
};
FramesOff frames_off(const std::vector<Id3v2Frame>& old, const std::vector<Id3v2Frame>& now,
                     const WantedTexts& wanted);

}  // namespace tn
