#include "tags/text_frames.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <optional>

#include "id3/header.h"
#include "tags/extended_header.h"
#include "tags/frame_body.h"
#include "tags/id3v2_fields.h"
#include "tags/old_tag.h"
#include "tags/other_frames.h"
#include "durable/safe_write.h"

namespace tn {

namespace {

constexpr std::int64_t k_padding = 1024;

// A frame of the new tag: an old one (its bytes where they are now) or a new one.
struct Frame {
  std::array<char, 4> id{};
  int field = -1;                // of the three (WantedTexts' index)
  std::optional<Field> other;    // of `others`: the content below is read
  QByteArray content;
  int encoding = -1;
  bool readable = true;
  std::int64_t from = -1;  // the old frame's offset; -1 for a new frame
  std::int64_t size = 0;
  QByteArray bytes;        // a new frame's
};

// A new 2.4 frame stored as the tag stores its frames: unsynchronised (and
// marked so, for readers that look only at the frame) where the tag's header
// says every frame is, its size a plain integer where the sizes are.
QByteArray stored_as_tag_stores(QByteArray frame, const OldTag& old, unsigned tag_flags) {
  if (old.version != 4 || frame.size() < 10) return frame;
  if (tag_flags & 0x80) {
    QByteArray body;
    for (qsizetype i = 10; i < frame.size(); ++i) {
      const auto b = static_cast<unsigned char>(frame[i]);
      body += frame[i];
      const int next = i + 1 < frame.size() ? static_cast<unsigned char>(frame[i + 1]) : 0;
      if (b == 0xFF && (next == 0 || next >= 0xE0)) body += '\0';
    }
    frame = frame.left(10) + body;
    frame[9] = static_cast<char>(frame[9] | 0x02);
  }
  put_frame_size(frame.data() + 4, static_cast<std::uint32_t>(frame.size() - 10),
                 old.sizes == SizeForm::plain ? 3 : 4);
  return frame;
}

bool is_unicode(int encoding) { return encoding >= 1 && encoding <= 3; }

// A frame of a field the write replaces that can't be read (encrypted,
// broken) is neither kept nor dropped unseen: it stops the write, its id in `named`.
template <typename OfField>
bool unreadable(const std::vector<Frame>& frames, OfField of_field, QByteArray& named) {
  auto stops = [&](const Frame& f) { return !f.readable && of_field(f); };
  const auto it = std::find_if(frames.begin(), frames.end(), stops);
  if (it != frames.end()) named = QByteArray(it->id.data(), it->id[3] ? 4 : 3);
  return it != frames.end();
}

// The encoding of a new text frame, as the TagLib path chooses it: UTF-16 in
// 2.3; in 2.4 this frame's Unicode, then any other text frame's. A field
// of the three by its index, else of `others` by `other`.
int new_encoding(const std::vector<Frame>& frames, int field, int version, std::optional<Field> other = {}) {
  constexpr int utf16 = 1;
  if (version != 4) return utf16;
  for (const Frame& f : frames)
    if ((other ? f.other == other && f.id[0] == 'T' : f.field == field) && is_unicode(f.encoding)) return f.encoding;
  for (const Frame& f : frames)
    if (f.id[0] == 'T' && is_unicode(f.encoding)) return f.encoding;
  return utf16;
}

// Marks the old frames of the fields `others` sets, their contents read:
// every frame of a text field, and the comment players show (the first
// readable one without description); every other comment stays unmarked,
// carried. False when the file could not be read.
bool mark_others(const TagBytes& source, unsigned tag_flags, int version, const OtherEdits& others,
                 std::vector<Frame>& frames) {
  bool comment = false;
  for (Frame& fr : frames) {
    const std::optional<Field> f = field_of_frame(fr.id.data());
    if (!f || std::none_of(others.begin(), others.end(), [&](const OtherEdit& e) { return e.field == *f; }) ||
        (*f == Field::comment && comment))
      continue;
    unsigned char h[10];
    if (fr.size < 10 || !source(fr.from, h, 10)) return false;
    QByteArray stored(static_cast<qsizetype>(fr.size - 10), Qt::Uninitialized);
    if (!source(fr.from + 10, stored.data(), static_cast<std::size_t>(stored.size()))) return false;
    fr.content = stored;  // shared, until frame_content puts what it holds there
    if (!stored_as_is(version, h[9], tag_flags) &&
        frame_content(version, h[9], tag_flags, stored.constData(), stored.size(), fr.content) != Content::ok)
      fr.readable = false;
    const auto* d = reinterpret_cast<const unsigned char*>(fr.content.constData());
    if (*f == Field::comment && (!fr.readable || !comment_of(d, fr.content.size(), false))) continue;
    comment = comment || *f == Field::comment;
    fr.other = *f;
  }
  return true;
}

// The frames of `others` changed as the TagLib path changes them
// (other_frames.h), each in the frame's place when it keeps its size, else
// behind the last; whether any changed, or nothing when the TagLib path
// must decide (a frame of the field unreadable, a field TagLib splits).
std::optional<bool> change_others(const OldTag& old, unsigned tag_flags, const OtherEdits& others,
                                  std::vector<Frame>& frames, QByteArray& not_carried) {
  bool changed = false;
  for (const OtherEdit& e : others) {
    auto of_field = [&](const Frame& f) { return f.other == e.field; };
    const auto count = std::count_if(frames.begin(), frames.end(), of_field);
    if (unreadable(frames, of_field, not_carried)) return std::nullopt;
    const auto at = std::find_if(frames.begin(), frames.end(), of_field);
    if ((count == 1 && holds_already(e.field, at->content, e.text)) || (count == 0 && e.text.isEmpty())) continue;
    changed = true;
    if (e.text.isEmpty()) {
      std::erase_if(frames, of_field);
      continue;
    }
    const int was = count == 1 && !at->content.isEmpty() ? static_cast<unsigned char>(at->content[0]) : -1;
    const int encoding = other_encoding(e.field, e.text, was, new_encoding(frames, -1, old.version, e.field));
    const QByteArray language = count == 1 && e.field == Field::comment ? at->content.mid(1, 3) : QByteArray();
    QByteArray fresh = new_field_frame(e.field, e.text, encoding, language, old.version);
    if (fresh.isEmpty()) return std::nullopt;
    fresh = stored_as_tag_stores(fresh, old, tag_flags);
    if (count == 1 && fresh.size() == at->size) {
      at->from = -1;
      at->bytes = std::move(fresh);
      continue;
    }
    std::erase_if(frames, of_field);
    Frame f;
    std::memcpy(f.id.data(), fresh.constData(), 4);
    f.other = e.field;
    f.size = fresh.size();
    f.bytes = std::move(fresh);
    frames.push_back(std::move(f));
  }
  return changed;
}

// The frames of the new tag, in order; whether any changed, or nothing
// when the TagLib path must decide or a frame the write replaces could not
// be read (encrypted, broken: its id in not_carried).
std::optional<bool> new_frames(const OldTag& old, const TagBytes& source, unsigned tag_flags,
                               const WantedTexts& wanted, const OtherEdits& others, std::vector<Frame>& frames,
                               QByteArray& not_carried) {
  for (const Id3v2Frame& f : old.layout.frames)
    frames.push_back({f.id, f.field, {}, {}, f.encoding, f.readable, f.offset, f.size, {}});
  if (!others.empty() && !mark_others(source, tag_flags, old.version, others, frames)) return std::nullopt;
  auto of_field = [](int field) { return [field](const Frame& f) { return f.field == field; }; };
  auto add = [&](int field, int encoding) {
    Frame f;
    std::memcpy(f.id.data(), k_frame_ids[field], 4);
    f.field = field;
    f.encoding = encoding;
    f.bytes = stored_as_tag_stores(new_field_frame(k_three[field], wanted[field].text, encoding, {}, old.version),
                                   old, tag_flags);
    f.size = f.bytes.size();
    frames.push_back(f);
  };
  bool changed = false;
  for (int i = 0; i < k_fields; ++i) {
    const WantedText& w = wanted[i];
    const int encoding = new_encoding(frames, i, old.version);
    const auto count = std::count_if(frames.begin(), frames.end(), of_field(i));
    if (w.kept) {
      if (w.from_id3v1 && count == 0) {
        add(i, encoding);
        changed = true;
      }
      continue;
    }
    // Already shown as the table shows it by every player.
    if (count <= 1 && old.layout.shown_as_latin1[i] == w.text) continue;
    if (unreadable(frames, of_field(i), not_carried)) return std::nullopt;
    changed = true;
    const auto at = std::find_if(frames.begin(), frames.end(), of_field(i));
    if (!w.text.isEmpty() && count == 1) {
      QByteArray fresh = stored_as_tag_stores(new_field_frame(k_three[i], w.text, encoding, {}, old.version),
                                              old, tag_flags);
      if (fresh.size() == at->size) {
        at->from = -1;
        at->encoding = encoding;
        at->bytes = std::move(fresh);
        continue;
      }
    }
    std::erase_if(frames, of_field(i));
    if (!w.text.isEmpty()) add(i, encoding);
  }
  const std::optional<bool> more = change_others(old, tag_flags, others, frames, not_carried);
  return more ? std::optional<bool>(changed || *more) : std::nullopt;
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
  // head: the new header and extended header, before the frames.
  NewTag(const TagBytes& old, const QByteArray& head, std::int64_t tag_size, const std::vector<Frame>& frames)
      : old_(old) {
    pieces_.push_back({0, head.size(), -1, head});
    std::int64_t at = head.size();
    for (const Frame& f : frames) {
      pieces_.push_back({at, f.size, f.from, f.bytes});
      at += f.size;
    }
    if (at < tag_size) pieces_.push_back({at, tag_size - at, -1, {}});
  }
  const std::vector<Piece>& pieces() const { return pieces_; }
  void set_head(const QByteArray& head) { pieces_.front().bytes = head; }

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
  TagBytes bytes() const {
    return [this](std::int64_t o, void* b, std::size_t n) { return read(o, b, n); };
  }

  bool piece_bytes(const Piece& p, std::int64_t skip, char* out, std::size_t n) const {
    if (p.from >= 0) return old_(p.from + skip, out, n);
    if (p.bytes.isEmpty()) std::memset(out, 0, n);
    else std::memcpy(out, p.bytes.constData() + skip, n);
    return true;
  }

 private:
  const TagBytes& old_;
  std::vector<Piece> pieces_;
};

// Whether a read of the new tag finds the frames planned and the texts
// wanted, those of `others` as players show them; with plain sizes, as the
// readers find its frames.
bool reads_as_planned(const NewTag& tag, const OldTag& old, const WantedTexts& wanted, const OtherEdits& others,
                      std::size_t count, std::int64_t frames_end, std::int64_t tag_size) {
  TagBytes bytes = tag.bytes();
  QByteArray copy;
  if (old.sizes == SizeForm::plain) {
    copy.resize(static_cast<qsizetype>(tag_size));
    if (!tag.read(0, copy.data(), static_cast<std::size_t>(tag_size))) return false;
    const SizeForm form = frame_size_form(copy, old.frames_at);
    if (form == SizeForm::unclear) return false;
    copy = with_synchsafe_sizes(copy, old.frames_at, form);
    bytes = memory_bytes(copy);
  }
  Id3v2Texts back;
  Id3v2Layout now;
  if (walk_id3v2(bytes, old.version, tag_size, back, &now) != Id3v2Read::done || !now.whole ||
      now.frames.size() != count || now.frames_end != frames_end)
    return false;
  for (int i = 0; i < k_fields; ++i)
    if (back[i] != wanted[i].text) return false;
  return others_read_as_set(bytes, old.version, tag_size, others);
}

// The pieces of a new tag that does not fit, as bytes of the file or new ones.
// What lies before the tag (junk at the file's head) goes first, as it is.
std::vector<TagPiece> pieces_to_write(const NewTag& tag, const OldTag& old) {
  std::vector<TagPiece> out;
  if (old.at > 0) out.push_back({0, old.at, {}});
  for (const Piece& p : tag.pieces()) {
    if (p.from < 0 || old.in_file()) {
      out.push_back({p.from < 0 ? -1 : old.at + p.from, p.size, p.bytes});
      continue;
    }
    QByteArray b(static_cast<qsizetype>(p.size), Qt::Uninitialized);
    if (!tag.piece_bytes(p, 0, b.data(), static_cast<std::size_t>(p.size))) return {};
    out.push_back({-1, p.size, b});
  }
  return out;
}

// Where a new tag that fits differs from the file's; only pieces that are
// new or have moved can. A MiB at a time: moved padding is never held whole.
bool patches_of(const TagBytes& file, const NewTag& tag, const OldTag& old, std::vector<Patch>& patches) {
  constexpr std::int64_t k_chunk = 1 << 20;
  QByteArray was, want;
  for (const Piece& p : tag.pieces()) {
    if (old.in_file() && p.from == p.at) continue;
    for (std::int64_t done = 0; done < p.size; done += k_chunk) {
      const auto n = static_cast<std::size_t>(std::min(k_chunk, p.size - done));
      was.resize(static_cast<qsizetype>(n));
      want.resize(static_cast<qsizetype>(n));
      if (!file(p.at + done, was.data(), n) || !tag.piece_bytes(p, done, want.data(), n)) return false;
      add_patches(patches, old.at + p.at + done, was, want);
    }
  }
  return true;
}

}  // namespace

Planned plan_text_frames(const TagBytes& file, const Mp3Probe& probe, const WantedTexts& wanted,
                         const OtherEdits& others, std::vector<Patch>& patches, std::vector<TagPiece>& grown,
                         QByteArray& not_carried) {
  patches.clear();
  grown.clear();
  OldTag old;
  switch (old_tag(file, probe, old, not_carried)) {
    case OldTagRead::carried: break;
    case OldTagRead::taglib: return Planned::taglib;
    case OldTagRead::read_error: return Planned::read_error;
    case OldTagRead::not_carried: return Planned::not_carried;
  }
  const TagBytes source = old.bytes(file);
  QByteArray head(static_cast<qsizetype>(old.frames_at), Qt::Uninitialized);
  if (!source(0, head.data(), static_cast<std::size_t>(head.size()))) return Planned::read_error;
  std::vector<Frame> frames;
  const std::optional<bool> changed =
      new_frames(old, source, static_cast<unsigned char>(head[5]), wanted, others, frames, not_carried);
  if (!changed) return not_carried.isEmpty() ? Planned::taglib : Planned::not_carried;
  if (!*changed) return Planned::patches;

  std::int64_t frames_end = old.frames_at;
  for (const Frame& f : frames) frames_end += f.size;
  // A tag that must grow gets TagLib's padding, room for the next change.
  const bool grows = frames_end > probe.id3v2_size;
  const std::int64_t tag_size = grows ? frames_end + k_padding : probe.id3v2_size;
  if (tag_size - 10 > 0x0FFFFFFF) return Planned::taglib;
  put_synchsafe(head.data() + 6, static_cast<std::uint32_t>(tag_size - 10));
  NewTag tag(source, head, tag_size, frames);
  if (head[5] & 0x40) {
    if (!update_extended_header(head, old.version, tag.bytes(), frames_end, tag_size)) return Planned::taglib;
    tag.set_head(head);
  }
  if (!reads_as_planned(tag, old, wanted, others, frames.size(), frames_end, tag_size)) return Planned::taglib;
  if (grows) {
    grown = pieces_to_write(tag, old);
    return grown.empty() ? Planned::read_error : Planned::grown;
  }
  return patches_of(file, tag, old, patches) ? Planned::patches : Planned::read_error;
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
