#include "tags/mp3_read.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

#include "tags/id3v1_block.h"
#include "tags/id3v2_fields.h"
#include "tags/mojibake.h"

namespace tn {

namespace {

// The ID3v2 fields, through TagLib where the walk can't say; title, artist
// and album then as the walk alone reads them when it can, as a read
// always did.
bool read_v2(const Mp3Open& file, Id3v2Fields& v2) {
  const Mp3Probe& probe = file.probe;
  const std::int64_t present = probe.tag_cut ? probe.file_size : probe.id3v2_size;
  switch (read_id3v2_fields(file.tag, probe.id3v2_major, probe.id3v2_size, present, v2)) {
    case Id3v2Read::done: return true;
    case Id3v2Read::read_error:
    case Id3v2Read::cannot_say: break;
  }
  Id3v2Texts texts;
  const Id3v2Read plain = walk_id3v2(file.tag, probe.id3v2_major, probe.id3v2_size, texts, nullptr, present);
  if (!read_id3v2_fields_taglib(file.fd.fd, probe, v2)) {
    if (plain != Id3v2Read::done) return false;
    v2 = {};
  }
  if (plain == Id3v2Read::read_error) return false;
  if (plain == Id3v2Read::cannot_say) {
    for (int i = 0; i < 3; ++i) texts[static_cast<std::size_t>(i)] = v2.text[k_three[i]];
    prefer_own_texts(file.tag, probe.id3v2_major, probe.id3v2_size, texts, present);
  }
  for (int i = 0; i < 3; ++i) v2.text[k_three[i]] = texts[static_cast<std::size_t>(i)];
  return true;
}

}  // namespace

int open_file(const QByteArray& path, int flags, Mp3Open& out) {
  int fd = ::open(path.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
  out.link = fd < 0 && errno == ELOOP;
  if (out.link) fd = ::open(path.constData(), flags | O_CLOEXEC);
  out.fd = Fd(fd);
  if (fd < 0 || ::fstat(fd, &out.st) != 0) return tag_error::cannot_open;
  return tag_error::none;
}

int open_mp3(const QByteArray& path, int flags, Mp3Open& out) {
  if (const int error = open_file(path, flags, out)) return error;
  out.probe = probe_mp3(out.fd.fd);
  out.tag = file_bytes(out.fd.fd, out.probe.id3v2_offset);
  return out.probe.error;
}

int read_mp3_fields(const Mp3Open& file, TagRead& out, QByteArray& v1) {
  const Mp3Probe& probe = file.probe;
  out = {};
  out.identity = identity_of(file.st, file.link);
  out.no_audio = probe.no_audio;
  v1.clear();
  Id3v2Fields v2;
  if (probe.id3v2_major && !read_v2(file, v2)) return tag_error::read_failed;
  if (probe.has_id3v1 && !read_id3v1(file.fd.fd, probe, v1)) return tag_error::read_failed;
  bool any_legacy = false;
  for (Field f : all_fields()) {
    FieldValue& v = out.fields[f];
    if (!v2.text[f].isEmpty()) {
      v = {v2.text[f], FieldSource::main_tag, v2.legacy[f], std::nullopt};
    } else if (!v1.isEmpty()) {
      bool legacy = false;
      const QString text = id3v1_field(v1, f, &legacy);
      if (!text.isEmpty()) v = {text, FieldSource::id3v1, legacy, std::nullopt};
    }
    // Mojibake has characters beyond ASCII.
    if (std::any_of(v.text.begin(), v.text.end(), [](QChar c) { return c.unicode() >= 0x80; }))
      v.repaired = repair_mojibake(v.text);
  }
  for (Field f : k_three) any_legacy |= out.fields[f].legacy;
  out.legacy_block_alone = any_legacy && probe.id3v2_size == 0;
  return tag_error::none;
}

}  // namespace tn
