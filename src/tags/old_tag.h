#pragma once
// The old ID3v2 tag of a file as a write carries its frames: where its
// frames lie and where their bytes come from. Most tags are carried from the
// file as they are. A 2.3 tag unsynchronised as a whole is carried
// resynchronised (its frames as a reader decodes them, the new tag without
// the flag); a 2.2 tag in the 2.3 form it becomes (upgrade_22.h). A 2.4 tag
// whose frame sizes are plain integers (iTunes) is carried as it is, its
// frames found as readers find them (frame_sizes.h). A tag after junk at the
// file's head is carried where it stands; offsets are the tag's own.

#include <QByteArray>
#include <cstdint>

#include "tags/frame_sizes.h"
#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"

namespace tn {

struct OldTag {
  std::int64_t at = 0;  // where the tag starts in the file (past junk at its head)
  int version = 0;      // of the new tag: 3 or 4
  QByteArray memory;    // the tag carried, when not the file's bytes as they are
  std::int64_t size = 0;       // of the tag carried
  std::int64_t frames_at = 10; // where its frames begin, after an extended header
  SizeForm sizes = SizeForm::synchsafe;  // of its 2.4 frames
  Id3v2Texts texts;
  Id3v2Layout layout;
  bool in_file() const { return memory.isEmpty(); }
  // file: the file's tag, from its first byte (`at`).
  TagBytes bytes(const TagBytes& file) const { return in_file() ? file : memory_bytes(memory); }
};

enum class OldTagRead {
  carried,      // `tag` filled
  taglib,       // not carried by us: none, a footer, damaged frames, sizes the readers disagree on
  read_error,
  not_carried,  // a frame that has no place in the new tag; its id in not_carried
};

// file: the bytes of the file's tag, from its first (Mp3Open::tag); probe:
// probe_mp3 of the file, without tag_broken.
OldTagRead old_tag(const TagBytes& file, const Mp3Probe& probe, OldTag& tag, QByteArray& not_carried);

// The extended header's size at byte 10 of a tag (the four size bytes at p);
// 0 when it states none that fits the tag.
std::int64_t extended_header_size(const unsigned char* p, int version, std::int64_t tag_size);

}  // namespace tn
