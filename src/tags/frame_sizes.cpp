#include "tags/frame_sizes.h"

#include <optional>
#include <vector>

#include "id3/header.h"

namespace tn {

namespace {

const unsigned char* at_bytes(const QByteArray& t, std::int64_t at) {
  return reinterpret_cast<const unsigned char*>(t.constData()) + at;
}

bool valid_id_at(const QByteArray& t, std::int64_t at) {
  if (at < 0 || at + 4 > t.size()) return false;
  for (int k = 0; k < 4; ++k) {
    const char c = t[static_cast<qsizetype>(at + k)];
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Seven bits of each byte, as mutagen reads a size that is not synchsafe.
std::int64_t seven_bits(const unsigned char* p) {
  return std::int64_t{p[0] & 0x7Fu} << 21 | (p[1] & 0x7Fu) << 14 | (p[2] & 0x7Fu) << 7 | (p[3] & 0x7Fu);
}

enum class Reading { synchsafe, plain, taglib };

// The size of the frame at `at` as a reader takes it; TagLib's way: plain
// when it is not synchsafe, or when the synchsafe one leads to no frame and
// the plain one does.
std::int64_t size_at(const QByteArray& t, std::int64_t at, Reading r) {
  const unsigned char* p = at_bytes(t, at + 4);
  if (r == Reading::plain) return be32(p);
  if (r == Reading::synchsafe) return seven_bits(p);
  if (!is_synchsafe(p)) return be32(p);
  const std::int64_t s = synchsafe(p);
  if (s > 127 && !valid_id_at(t, at + 10 + s) && valid_id_at(t, at + 10 + be32(p))) return be32(p);
  return s;
}

// Where each frame begins, up to the padding; nothing when one runs past the
// tag. TagLib's walk ends at a frame whose id is no id or whose size is
// zero (listed, so that it differs from a walk that goes on): what follows
// it TagLib never reads.
std::optional<std::vector<std::int64_t>> frame_offsets(const QByteArray& t, std::int64_t at, Reading r) {
  std::vector<std::int64_t> out;
  while (at < t.size() - 10 && t[static_cast<qsizetype>(at)] != '\0') {
    out.push_back(at);
    const std::int64_t size = size_at(t, at, r);
    if (r == Reading::taglib && (!valid_id_at(t, at) || size == 0)) break;
    at += 10 + size;
    if (at > t.size()) return std::nullopt;
  }
  return out;
}

// mutagen's choice for the whole tag: the reading that meets more frame
// ids, or at a tie the one that does not run past the tag when the other does.
Reading mutagen_reading(const QByteArray& t, std::int64_t frames_at) {
  auto count = [&](Reading r, std::int64_t& past) {
    int ids = 0;
    std::int64_t o = frames_at;
    past = 0;
    while (o < t.size() - 10) {
      if (t.mid(o, 10) == QByteArray(10, '\0')) return ids;
      if (valid_id_at(t, o)) ++ids;
      o += 10 + size_at(t, o, r);
    }
    past = o - t.size();
    return ids;
  };
  std::int64_t past_synchsafe = 0, past_plain = 0;
  const int synchsafe_ids = count(Reading::synchsafe, past_synchsafe);
  const int plain_ids = count(Reading::plain, past_plain);
  const bool plain = plain_ids > synchsafe_ids ||
                     (plain_ids == synchsafe_ids && past_synchsafe >= 1 && past_plain < 1);
  return plain ? Reading::plain : Reading::synchsafe;
}

}  // namespace

SizeForm frame_size_form(const QByteArray& tag, std::int64_t frames_at) {
  const Reading whole = mutagen_reading(tag, frames_at);
  const auto theirs = frame_offsets(tag, frames_at, whole);
  const auto taglib = frame_offsets(tag, frames_at, Reading::taglib);
  if (!theirs || !taglib || *theirs != *taglib) return SizeForm::unclear;
  return whole == Reading::plain ? SizeForm::plain : SizeForm::synchsafe;
}

QByteArray with_synchsafe_sizes(QByteArray tag, std::int64_t frames_at, SizeForm form) {
  const Reading r = form == SizeForm::plain ? Reading::plain : Reading::synchsafe;
  const auto offsets = frame_offsets(tag, frames_at, r);
  if (!offsets) return {};
  for (const std::int64_t at : *offsets)
    put_synchsafe(tag.data() + at + 4, static_cast<std::uint32_t>(size_at(tag, at, r)));
  return tag;
}

}  // namespace tn
