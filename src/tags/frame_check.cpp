#include "tags/frame_check.h"

#include <taglib/tbytevector.h>

#include "durable/safe_write.h"
#include "tags/id3v2_fields.h"
#include "tags/tag_library.h"
#include "tags/taglib_text.h"

namespace tn {

namespace {

// n into `bytes` bytes at `at`, seven bits a byte where synchsafe.
void put_size(QByteArray& b, qsizetype at, std::int64_t n, int bytes, bool synchsafe) {
  const int bits = synchsafe ? 7 : 8;
  for (int k = 0; k < bytes; ++k)
    b[at + k] = static_cast<char>((n >> (bits * (bytes - 1 - k))) & ((1 << bits) - 1));
}

// The tag as TagLib can read it without guessing: the frames TagLib would
// stop at left out, and a byte order mark put before UTF-16 text that has
// none (for TagLib then reads it as the walk did). Everything else, frame
// boundaries above all, TagLib finds on its own.
QByteArray for_taglib(const QByteArray& tag, int version, const Id3v2Layout& layout) {
  // Offsets are those of the resynchronised tag: an unsynchronised one goes as it is.
  if (version < 4 && (tag[5] & 0x80)) return tag;
  const int head = version == 2 ? 6 : 10;
  QByteArray out = tag.left(layout.frames.empty() ? layout.frames_end : layout.frames.front().offset);
  for (const Id3v2Frame& f : layout.frames) {
    if (f.stepped_over) continue;
    QByteArray frame = tag.mid(f.offset, f.size);
    const bool as_is = version == 2 || frame.size() < head || frame[9] == 0;
    if (f.no_mark && as_is && frame.size() > head) {
      frame.insert(head + 1, "\xFF\xFE", 2);
      put_size(frame, version == 2 ? 3 : 4, frame.size() - head, version == 2 ? 3 : 4, version == 4);
    }
    out += frame;
  }
  out += tag.mid(layout.frames_end);
  put_size(out, 6, out.size() - 10, 4, true);
  return out;
}

}  // namespace

int check_replaced_texts(const QByteArray& tag, int version, const Id3v2Texts& walked,
                         const Id3v2Layout& layout, const WantedTexts& wanted, const OtherEdits& others) {
  if (!layout.stepped_over) return tag_error::none;
  const QByteArray readable = for_taglib(tag, version, layout);
  Id3v2Texts parsed;
  if (!rendered_texts(TagLib::ByteVector(readable.constData(), static_cast<unsigned int>(readable.size())), parsed))
    return tag_error::write_failed;
  for (int i = 0; i < k_fields; ++i)
    if (!wanted[i].kept && parsed[i] != walked[i]) return tag_error::write_failed;
  if (others.empty()) return tag_error::none;
  Id3v2Fields ours, theirs;
  if (read_id3v2_fields(memory_bytes(tag), version, tag.size(), tag.size(), ours) != Id3v2Read::done ||
      !rendered_fields(readable, theirs))
    return tag_error::write_failed;
  for (const OtherEdit& e : others)
    if (ours.text[e.field] != theirs.text[e.field]) return tag_error::write_failed;
  return tag_error::none;
}

int check_replaced_texts(const TagBytes& file, const Mp3Probe& probe, const WantedTexts& wanted,
                         const OtherEdits& others) {
  if (!probe.id3v2_major) return tag_error::none;
  Id3v2Texts walked;
  Id3v2Layout layout;
  if (walk_id3v2(file, probe.id3v2_major, probe.id3v2_size, walked, &layout) != Id3v2Read::done ||
      !layout.stepped_over)
    return tag_error::none;
  QByteArray tag(static_cast<qsizetype>(probe.id3v2_size), Qt::Uninitialized);
  if (!file(0, tag.data(), static_cast<std::size_t>(tag.size()))) return tag_error::read_failed;
  return check_replaced_texts(tag, probe.id3v2_major, walked, layout, wanted, others);
}

}  // namespace tn
