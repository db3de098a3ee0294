#pragma once
// The frame sizes of an ID3v2.4 tag as readers find them. The standard
// writes them synchsafe; iTunes wrote plain 32-bit integers for a while,
// and readers guess: TagLib frame by frame (a size that is not synchsafe,
// or a synchsafe one that leads to no frame where the plain one does, is
// plain), mutagen once for the whole tag (the reading that finds more
// frames). A tag is carried only where both find the same frames.

#include <QByteArray>
#include <cstdint>

namespace tn {

enum class SizeForm {
  synchsafe,
  plain,    // every size a plain integer
  unclear,  // the readers part ways, or the frames do not fit the tag
};

// The form of the sizes of the 2.4 tag `tag` (header and all), whose frames
// begin at frames_at (after an extended header).
SizeForm frame_size_form(const QByteArray& tag, std::int64_t frames_at);

// The same tag with every frame's size written synchsafe, the frames found
// as sizes of `form`: what a walk of synchsafe tags reads as the readers
// read the original.
QByteArray with_synchsafe_sizes(QByteArray tag, std::int64_t frames_at, SizeForm form);

}  // namespace tn
