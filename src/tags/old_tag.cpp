#include "tags/old_tag.h"

#include "id3/header.h"
#include "tags/frame_body.h"
#include "tags/upgrade_22.h"

namespace tn {

namespace {

// The frames of a 2.4 tag whose sizes the walk could not say about: found
// as readers find them, and walked in a copy whose sizes are synchsafe (at
// the same offsets, so the file's bytes are carried as they are).
OldTagRead with_plain_sizes(const TagBytes& file, OldTag& tag) {
  QByteArray whole(static_cast<qsizetype>(tag.size), Qt::Uninitialized);
  if (!file(0, whole.data(), static_cast<std::size_t>(whole.size()))) return OldTagRead::read_error;
  tag.sizes = frame_size_form(whole, tag.frames_at);
  if (tag.sizes != SizeForm::plain) return OldTagRead::taglib;
  const QByteArray walked = with_synchsafe_sizes(whole, tag.frames_at, tag.sizes);
  if (walk_id3v2(memory_bytes(walked), 4, tag.size, tag.texts, &tag.layout) != Id3v2Read::done)
    return OldTagRead::taglib;
  return OldTagRead::carried;
}

}  // namespace

std::int64_t extended_header_size(const unsigned char* p, int version, std::int64_t tag_size) {
  if (version == 4 && !is_synchsafe(p)) return 0;
  const std::int64_t n = version == 3 ? 4 + std::int64_t{be32(p)} : synchsafe(p);
  return n >= (version == 3 ? 10 : 6) && n <= tag_size - 10 ? n : 0;
}

OldTagRead old_tag(const TagBytes& file, const Mp3Probe& probe, OldTag& tag, QByteArray& not_carried) {
  tag = {};
  not_carried.clear();
  if (probe.id3v2_major == 0) return OldTagRead::taglib;
  tag.at = probe.id3v2_offset;
  tag.version = probe.id3v2_major;
  tag.size = probe.id3v2_size;
  unsigned char h[10];
  if (!file(0, h, 10)) return OldTagRead::read_error;
  if (tag.version == 4 && (h[5] & 0x10)) return OldTagRead::taglib;  // a footer
  if (tag.version == 2 || tag_unsynchronised(tag.version, h[5])) {
    QByteArray whole(static_cast<qsizetype>(tag.size), Qt::Uninitialized);
    if (!file(0, whole.data(), static_cast<std::size_t>(whole.size()))) return OldTagRead::read_error;
    if (tag.version == 2) {
      if (!upgrade_22(whole, tag.memory, &not_carried))
        return not_carried.isEmpty() ? OldTagRead::taglib : OldTagRead::not_carried;
      tag.version = 3;
    } else {
      tag.memory = whole.left(10) + resynchronise(whole.constData() + 10, whole.size() - 10);
      tag.memory[5] = static_cast<char>(h[5] & ~0x80u);
      put_synchsafe(tag.memory.data() + 6, static_cast<std::uint32_t>(tag.memory.size() - 10));
    }
    tag.size = tag.memory.size();
  }
  const TagBytes bytes = tag.bytes(file);
  if (!bytes(0, h, 10)) return OldTagRead::read_error;
  if (h[5] & 0x40) {
    unsigned char e[4];
    if (!bytes(10, e, 4)) return OldTagRead::read_error;
    const std::int64_t n = extended_header_size(e, tag.version, tag.size);
    if (n == 0) return OldTagRead::taglib;
    tag.frames_at = 10 + n;
  }
  switch (walk_id3v2(bytes, tag.version, tag.size, tag.texts, &tag.layout)) {
    case Id3v2Read::done: break;
    case Id3v2Read::read_error: return OldTagRead::read_error;
    case Id3v2Read::cannot_say:
      if (tag.version != 4 || !tag.in_file()) return OldTagRead::taglib;
      if (const OldTagRead r = with_plain_sizes(file, tag); r != OldTagRead::carried) return r;
      break;
  }
  const auto& frames = tag.layout.frames;
  if (!tag.layout.whole || (!frames.empty() && frames.front().offset != tag.frames_at)) return OldTagRead::taglib;
  return OldTagRead::carried;
}

}  // namespace tn
