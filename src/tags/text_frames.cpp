#include "tags/text_frames.h"

#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <QByteArray>
#include <algorithm>
#include <cstring>

#include "id3/header.h"
#include "tags/id3v2_reader.h"
#include "durable/safe_write.h"

namespace tn {

namespace {

constexpr std::int64_t k_padding = 1024;

// A frame of the new tag: an old one (its bytes where they are now) or a new one.
struct Frame {
  std::array<char, 4> id{};
  int field = -1;
  int encoding = -1;
  std::int64_t from = -1;  // the old frame's offset; -1 for a new frame
  std::int64_t size = 0;
  QByteArray bytes;        // a new frame's
};

// A new text frame as TagLib renders it into a tag of this version (through
// a tag of its own: only a tag sets the version a frame is rendered in).
QByteArray render_text_frame(const char* id, const QString& text, int encoding, int version) {
  TagLib::ID3v2::Tag tag;
  auto* frame = new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(id, 4),
                                                            static_cast<TagLib::String::Type>(encoding));
  frame->setText(TagLib::String(text.toStdString(), TagLib::String::UTF8));
  tag.addFrame(frame);
  const TagLib::ByteVector b = tag.render(version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
  if (b.size() < 20) return {};
  const std::uint32_t body = frame_size(reinterpret_cast<const unsigned char*>(b.data()) + 14, version);
  if (20 + std::int64_t{body} > b.size()) return {};
  return QByteArray(b.data() + 10, static_cast<qsizetype>(10 + body));
}

bool is_unicode(int encoding) { return encoding >= 1 && encoding <= 3; }

// The encoding of a new text frame, as the TagLib path chooses it: UTF-16 in
// 2.3; in 2.4 this frame's Unicode, then any other text frame's.
int new_encoding(const std::vector<Frame>& frames, int field, int version) {
  constexpr int utf16 = 1;
  if (version != 4) return utf16;
  for (const Frame& f : frames)
    if (f.field == field && is_unicode(f.encoding)) return f.encoding;
  for (const Frame& f : frames)
    if (f.id[0] == 'T' && is_unicode(f.encoding)) return f.encoding;
  return utf16;
}

// The bytes of the new tag, piece by piece: where each lies in the new tag
// and where it comes from.
struct Piece {
  std::int64_t at = 0, size = 0;
  std::int64_t from = -1;  // in the old tag; -1: `bytes`, or zeros when that is empty
  QByteArray bytes;
};

class NewTag {
 public:
  // header: the new header, or empty for the old one (same size, same flags).
  NewTag(int fd, const QByteArray& header, std::int64_t tag_size, const std::vector<Frame>& frames) : fd_(fd) {
    pieces_.push_back({0, 10, header.isEmpty() ? 0 : -1, header});
    std::int64_t at = 10;
    for (const Frame& f : frames) {
      pieces_.push_back({at, f.size, f.from, f.bytes});
      at += f.size;
    }
    if (at < tag_size) pieces_.push_back({at, tag_size - at, -1, {}});
  }
  const std::vector<Piece>& pieces() const { return pieces_; }

  // Reads of the new tag, for the walk that checks it.
  bool read(std::int64_t offset, void* buf, std::size_t n) const {
    auto* out = static_cast<char*>(buf);
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                               [](std::int64_t o, const Piece& p) { return o < p.at; });
    if (it == pieces_.begin()) return false;
    for (--it; n > 0; ++it) {
      if (it == pieces_.end()) return false;
      const std::int64_t skip = offset - it->at;
      const auto take = static_cast<std::size_t>(std::min<std::int64_t>(it->size - skip, static_cast<std::int64_t>(n)));
      if (!piece_bytes(*it, skip, out, take)) return false;
      out += take;
      offset += static_cast<std::int64_t>(take);
      n -= take;
    }
    return true;
  }

  bool piece_bytes(const Piece& p, std::int64_t skip, char* out, std::size_t n) const {
    if (p.from >= 0) return read_exact(fd_, p.from + skip, out, n);
    if (p.bytes.isEmpty()) std::memset(out, 0, n);
    else std::memcpy(out, p.bytes.constData() + skip, n);
    return true;
  }

 private:
  int fd_;
  std::vector<Piece> pieces_;
};

}  // namespace

Planned plan_text_frames(int fd, const Mp3Probe& probe, const WantedTexts& wanted,
                         std::vector<Patch>& patches, std::vector<TagPiece>& grown) {
  patches.clear();
  grown.clear();
  const int version = probe.id3v2_major;
  if (version != 3 && version != 4) return Planned::taglib;
  Id3v2Texts texts;
  Id3v2Layout old;
  switch (walk_id3v2(file_bytes(fd), version, probe.id3v2_size, texts, &old)) {
    case Id3v2Read::done: break;
    case Id3v2Read::cannot_say: return Planned::taglib;
    case Id3v2Read::read_error: return Planned::read_error;
  }
  if (!old.plain || !old.whole) return Planned::taglib;

  std::vector<Frame> frames;
  for (const Id3v2Frame& f : old.frames) frames.push_back({f.id, f.field, f.encoding, f.offset, f.size, {}});
  auto count = [&](int field) {
    return std::count_if(frames.begin(), frames.end(), [&](const Frame& f) { return f.field == field; });
  };
  auto add = [&](int field, int encoding) {
    Frame f;
    std::memcpy(f.id.data(), k_frame_ids[field], 4);
    f.field = field;
    f.encoding = encoding;
    f.bytes = render_text_frame(k_frame_ids[field], wanted[field].text, encoding, version);
    f.size = f.bytes.size();
    frames.push_back(f);
  };
  bool changed = false;
  for (int i = 0; i < 3; ++i) {
    const WantedText& w = wanted[i];
    const int encoding = new_encoding(frames, i, version);
    if (w.kept) {
      if (w.from_id3v1 && count(i) == 0) {
        add(i, encoding);
        changed = true;
      }
      continue;
    }
    // Already shown as the table shows it by every player.
    if (count(i) <= 1 && old.shown_as_latin1[i] == w.text) continue;
    changed = true;
    const auto at = std::find_if(frames.begin(), frames.end(), [&](const Frame& f) { return f.field == i; });
    if (!w.text.isEmpty() && count(i) == 1) {
      QByteArray fresh = render_text_frame(k_frame_ids[i], w.text, encoding, version);
      if (fresh.size() == at->size) {
        at->from = -1;
        at->encoding = encoding;
        at->bytes = std::move(fresh);
        continue;
      }
    }
    frames.erase(std::remove_if(frames.begin(), frames.end(), [&](const Frame& f) { return f.field == i; }),
                 frames.end());
    if (!w.text.isEmpty()) add(i, encoding);
  }
  if (!changed) return Planned::patches;

  std::int64_t frames_end = 10;
  for (const Frame& f : frames) frames_end += f.size;
  // A tag that must grow gets TagLib's padding, room for the next change.
  const bool grows = frames_end > probe.id3v2_size;
  const std::int64_t tag_size = grows ? frames_end + k_padding : probe.id3v2_size;
  if (tag_size - 10 > 0x0FFFFFFF) return Planned::taglib;
  QByteArray header;
  if (grows) {
    header.resize(10);
    if (!read_exact(fd, 0, header.data(), 10)) return Planned::read_error;
    put_synchsafe(header.data() + 6, static_cast<std::uint32_t>(tag_size - 10));
  }
  const NewTag tag(fd, header, tag_size, frames);
  // What a read of the new tag will give, frame by frame.
  Id3v2Texts back;
  Id3v2Layout now;
  const TagBytes new_bytes = [&tag](std::int64_t o, void* b, std::size_t n) { return tag.read(o, b, n); };
  if (walk_id3v2(new_bytes, version, tag_size, back, &now) != Id3v2Read::done ||
      !now.plain || !now.whole || now.frames.size() != frames.size() || now.frames_end != frames_end)
    return Planned::taglib;
  for (int i = 0; i < 3; ++i)
    if (back[i] != wanted[i].text) return Planned::taglib;
  if (grows) {
    for (const Piece& p : tag.pieces()) grown.push_back({p.from, p.size, p.bytes});
    return Planned::grown;
  }

  // Only pieces that are new or have moved differ from what is there.
  QByteArray was, want;
  for (const Piece& p : tag.pieces()) {
    if (p.from == p.at) continue;
    was.resize(static_cast<qsizetype>(p.size));
    want.resize(static_cast<qsizetype>(p.size));
    if (!read_exact(fd, p.at, was.data(), static_cast<std::size_t>(p.size)) ||
        !tag.piece_bytes(p, 0, want.data(), static_cast<std::size_t>(p.size)))
      return Planned::read_error;
    add_patches(patches, p.at, was, want);
  }
  return Planned::patches;
}

bool write_pieces(int from, const std::vector<TagPiece>& pieces, int to) {
  static const QByteArray zeros(64 * 1024, '\0');
  for (const TagPiece& p : pieces) {
    if (p.from >= 0) {
      if (!copy_range(from, p.from, p.size, to)) return false;
    } else if (!p.bytes.isEmpty()) {
      if (!write_all(to, p.bytes.constData(), static_cast<std::size_t>(p.bytes.size()))) return false;
    } else {
      for (std::int64_t left = p.size; left > 0; left -= zeros.size())
        if (!write_all(to, zeros.constData(), static_cast<std::size_t>(std::min<std::int64_t>(left, zeros.size()))))
          return false;
    }
  }
  return true;
}

}  // namespace tn
