// Arbitrary bytes as an MP3 file (the seeds: the tags of the test tables),
// read by our frame walker and by TagLib: wherever TagLib reads a title,
// artist or album, ours is the same (ours may read more: zero-size frames,
// a damaged frame's neighbours), but for the few cases where TagLib reads
// against the ID3v2 standard or we read more carefully, said below. Where
// TagLib strays from the standard (a 2.3 extended header, frames with format
// flags), the yardstick is TagLib's reading of the same frames put into a
// plain tag as the standard reads them (standard_tag.h), and there ours must
// be the same, empty fields included. Then the album is written, and the new tag
// must carry every frame of the old one with its content (frame_accounting.h),
// or the write must fail and leave the file as it was.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "id3/header.h"
#include "standard_tag.h"
#include "tags/frame_accounting.h"
#include "tags/frame_body.h"
#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"
#include "tags/tag_library.h"
#include "tags/upgrade_22.h"

using namespace tn;
using tn::fuzz::check;

namespace {

// The frames of the file's ID3v2 tag (2.2 in its 2.3 form); false when it
// has none that can be walked whole.
bool frames_of(const QByteArray& file, std::vector<Id3v2Frame>& frames) {
  if (file.size() < 10 || !file.startsWith("ID3")) return false;
  const int version = file[3];
  std::int64_t size = 0;
  for (int i = 6; i < 10; ++i) size = size << 7 | (file[i] & 0x7F);
  if (version == 4 && (file[5] & 0x10)) size += 10;
  if (version < 2 || version > 4 || 10 + size > file.size()) return false;
  QByteArray tag = file.left(static_cast<qsizetype>(10 + size)), upgraded;
  if (version == 2) return upgrade_22(tag, upgraded) && tag_frames(upgraded, 3, frames);
  return tag_frames(tag, version, frames);
}

// Whether TagLib reads the tag as the ID3v2 standard says: not so a 2.3 extended
// header (skipped by too little, what follows read as frames) nor frames
// with format flags (their extra bytes read as data).
bool taglib_reads_alike(const QByteArray& file, const Mp3Probe& probe) {
  const int v = probe.id3v2_major;
  if (v < 3) return true;
  if (v == 3 && (file[5] & 0x40)) return false;
  QByteArray tag = file.left(static_cast<qsizetype>(probe.id3v2_size));
  if (tag_unsynchronised(v, static_cast<unsigned char>(file[5])))
    tag = tag.left(10) + resynchronise(tag.constData() + 10, tag.size() - 10);
  const auto* b = reinterpret_cast<const unsigned char*>(tag.constData());
  const std::int64_t end = tag.size();
  std::int64_t at = 10;
  // A 2.4 extended header, stepped over where it fits in the tag (its size
  // a plain number where it is no synchsafe one); TagLib reads the frames
  // from the tag's start where it does not fit.
  if ((file[5] & 0x40) && end >= 14) {
    const std::int64_t ext = is_synchsafe(b + 10) ? synchsafe(b + 10) : be32(b + 10);
    if (ext <= end - 10) at += ext;
  }
  while (at + 10 <= end && b[at] != 0) {
    if (b[at + 9] != 0) return false;
    at += 10 + std::int64_t{frame_size(b + at + 4, v)};
  }
  return true;
}

// TagLib's texts of the tag, or of its frames as the standard reads them,
// against ours.
void compare_with_taglib(int fd, const Mp3Probe& probe, const QByteArray& from_tag, const Id3v2Texts& ours) {
  Id3v2Texts theirs;
  const bool alike = taglib_reads_alike(from_tag, probe);
  if (alike) {
    if (!read_id3v2_texts_taglib(fd, theirs)) return;
  } else {
    const std::optional<QByteArray> plain = tn::fuzz::standard_tag(from_tag.left(probe.id3v2_size));
    if (!plain) return;
    static const std::string path = tn::fuzz::scratch_dir() + "/standard.mp3";
    const QByteArray file = *plain + from_tag.mid(static_cast<qsizetype>(probe.id3v2_size));
    if (!tn::fuzz::write_whole(path, reinterpret_cast<const std::uint8_t*>(file.constData()),
                               static_cast<std::size_t>(file.size())))
      return;
    const int plain_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (plain_fd < 0) return;
    const bool got = read_id3v2_texts_taglib(plain_fd, theirs);
    ::close(plain_fd);
    if (!got) return;
  }
  for (int i = 0; i < 3; ++i)
    // A UTF-8 value with a byte that is no UTF-8 we show with U+FFFD where
    // TagLib drops the value.
    if ((!theirs[i].isEmpty() || !alike) && theirs[i] != ours[i] && !ours[i].contains(QChar(0xFFFD))) {
      std::fprintf(stderr, "field %d: ours \"%s\", TagLib's \"%s\"%s\n", i, qPrintable(ours[i]),
                   qPrintable(theirs[i]), alike ? "" : " (frames as the standard reads them)");
      check(false, "our reader and TagLib's read a text differently");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/differential.mp3";
  if (!tn::fuzz::write_whole(path, data, size)) return 0;
  const QByteArray before(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const Mp3Probe probe = probe_mp3(fd);
  Id3v2Texts ours;
  const bool read = !probe.error && (!probe.tag_broken || probe.tag_cut) &&
                    read_id3v2_texts(fd, probe, ours) == Id3v2Read::done;
  std::vector<Id3v2Frame> old_frames;
  const bool walked = frames_of(before, old_frames);
  const QByteArray from_tag = before.mid(static_cast<qsizetype>(probe.id3v2_offset));
  // TagLib reads a text frame the file's end cuts in half; we, as mutagen,
  // don't. A tag after junk at the head both find.
  // Past a frame we step over, and in UTF-16 without a byte order mark,
  // TagLib reads no text where we read it as mutagen does.
  Id3v2Texts again;
  Id3v2Layout layout;
  const bool stepped = read && probe.id3v2_major &&
                       walk_id3v2(file_bytes(fd, probe.id3v2_offset), probe.id3v2_major, probe.id3v2_size, again,
                                  &layout) == Id3v2Read::done &&
                       layout.stepped_over;
  // After junk at the head TagLib takes the first "ID3" it meets, whatever
  // its version; the standard ignores a tag of a version it does not know,
  // and we read the next one.
  const bool same_tag = probe.id3v2_offset == 0 || before.indexOf("ID3") == probe.id3v2_offset;
  if (read && probe.id3v2_major && !probe.tag_cut && !stepped && same_tag)
    compare_with_taglib(fd, probe, from_tag, ours);
  ::close(fd);

  // The album written: every other frame carried, or nothing written.
  auto lib = make_taglib_library();
  const QByteArray native = QByteArray::fromStdString(path);
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes record = empty_tag_bytes();
  if (!lib->vbmp3_open(native, info) || !lib->vbmp3_getTagInfo(record)) return 0;
  set_field(record.album, k_tag_text_bytes, QStringLiteral("新しいアルバム"), ' ');
  const int ok = lib->vbmp3_setTagInfo(native, record, field_bit::album, 1);
  lib->vbmp3_close();
  lib->finish_writes();
  const QByteArray after = tn::fuzz::read_whole(path);
  if (!ok) {
    check(after == before, "a failed write changed the file");
    return 0;
  }
  if (!walked || after == before) return 0;
  std::vector<Id3v2Frame> new_frames;
  check(frames_of(after, new_frames), "the written tag can't be walked whole");
  // Title and artist were kept; one ID3v2 does not show (the table's text
  // from ID3v1, or none) the write may store into ID3v2.
  WantedTexts wanted;
  for (int i = 0; i < 3; ++i) {
    wanted[i].kept = i != 2;
    wanted[i].from_id3v1 = !read || ours[i].isEmpty();
  }
  const FramesOff off = frames_off(old_frames, new_frames, wanted);
  if (!off.none()) {
    for (const Id3v2Frame* f : off.missing) std::fprintf(stderr, "not carried: %.4s\n", f->id.data());
    for (const Id3v2Frame* f : off.extra) std::fprintf(stderr, "not in the old tag: %.4s\n", f->id.data());
    for (const Id3v2Frame& f : old_frames) std::fprintf(stderr, "old: %.4s, %d bytes\n", f.id.data(), int(f.content.size()));
    for (const Id3v2Frame& f : new_frames) std::fprintf(stderr, "new: %.4s, %d bytes\n", f.id.data(), int(f.content.size()));
    check(false, "a write lost or changed a frame it was not asked to change");
  }
  return 0;
}
