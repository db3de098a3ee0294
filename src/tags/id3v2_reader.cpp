#include "tags/id3v2_reader.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include "id3/header.h"
#include "tags/frame_body.h"
#include "tags/frame_text.h"
#include "durable/safe_write.h"

// The walk and the text decoding follow TagLib 1.13 step by step (its frame
// loop, frame header, text frame parsing and String conversions), so that
// for a plain tag the fast answer and TagLib's never differ. Beyond that it
// reads what a careful reader reads where TagLib gives up or loses text
// (mutagen's way): zero-size frames stepped over, extended headers skipped
// by their stated size, unsynchronised and compressed frames decoded, an
// invalid UTF-8 byte shown as U+FFFD, and a damaged frame ending the walk
// with the frames before it read. Where following TagLib would mean copying
// one of its quirks, the answer is "can't say" instead.

namespace tn {

namespace {

// One read brings the tag header and, in the usual layout, every text frame.
constexpr std::int64_t k_window = 4096;
constexpr int k_fields = 3;
constexpr const char* k_ids_22[k_fields] = {"TT2", "TP1", "TAL"};
constexpr const char* k_ids[k_fields] = {"TIT2", "TPE1", "TALB"};

// Reads of the tag [0, end) through a small window.
class TagWindow {
 public:
  TagWindow(const TagBytes& bytes, std::int64_t end) : bytes_(bytes), end_(end), buf_(k_window) {}
  // n (<= k_window) bytes at offset, valid until the next call; nullptr when
  // the range leaves the tag or the file gives fewer bytes.
  const unsigned char* at(std::int64_t offset, std::int64_t n) {
    if (offset < 0 || n > k_window || offset + n > end_) return nullptr;
    if (offset < start_ || offset + n > start_ + len_) {
      const std::int64_t want = std::min(k_window, end_ - offset);
      len_ = 0;
      if (!bytes_(offset, buf_.data(), static_cast<std::size_t>(want))) return nullptr;
      start_ = offset;
      len_ = want;
    }
    return buf_.data() + (offset - start_);
  }

 private:
  const TagBytes& bytes_;
  std::int64_t end_;
  std::vector<unsigned char> buf_;
  std::int64_t start_ = 0, len_ = 0;
};

// TagLib's test for a frame id: upper-case letters and digits only.
bool valid_id(const unsigned char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= '0' && p[i] <= '9'))) return false;
  return true;
}

// Where the frames of a tag whose header has the flag 0x40 start in its
// body of `size` bytes; nothing, with the walk's answer in r, where the walk
// can't go on.
std::optional<std::int64_t> frames_start(TagWindow& tag, int version, std::int64_t size, std::int64_t present,
                                         Id3v2Read& r) {
  const unsigned char* e = 14 <= present ? tag.at(10, 4) : nullptr;
  if (version == 2) {
    // 2.2 defined no compression: the flag is a tagger's slip over plain
    // frames. TagLib takes it for an extended header sized by the first
    // four bytes, which where they begin a frame come to more than the tag:
    // then it reads the frames as they stand, and so do we.
    r = size >= 4 && !e ? Id3v2Read::read_error : Id3v2Read::cannot_say;
    if (!e || (is_synchsafe(e) ? synchsafe(e) : be32(e)) <= size) return std::nullopt;
    return 0;
  }
  // An extended header is stepped over by its stated size, which in 2.3
  // leaves out the four bytes of the size itself, and which in 2.4, where
  // it is no synchsafe number, a tagger wrote as a plain one; a size past
  // the tag means no extended header after all (as TagLib takes both).
  r = Id3v2Read::read_error;
  if (!e) return std::nullopt;
  const std::int64_t pos = version == 3 ? 4 + std::int64_t{be32(e)} : is_synchsafe(e) ? synchsafe(e) : be32(e);
  if (pos < 4 || pos > size) return 0;
  return pos;
}

}  // namespace

Id3v2Read walk_id3v2(const TagBytes& bytes, int version, std::int64_t tag_size, Id3v2Texts& texts,
                     Id3v2Layout* layout, std::int64_t present) {
  texts = {};
  const bool with_content = layout && layout->with_content;
  if (layout) {
    *layout = {};
    layout->with_content = with_content;
  }
  if (version < 2 || version > 4 || tag_size < 10) return Id3v2Read::cannot_say;
  present = std::min(present, tag_size);
  TagWindow tag(bytes, present);
  const unsigned char* h = tag.at(0, 10);
  if (!h) return Id3v2Read::read_error;
  if (std::memcmp(h, "ID3", 3) != 0 || h[3] != version) return Id3v2Read::cannot_say;
  const unsigned flags = h[5];
  if (!is_synchsafe(h + 6)) return Id3v2Read::cannot_say;
  const std::int64_t size = synchsafe(h + 6);
  const bool footer = version == 4 && (flags & 0x10);
  if (10 + size + (footer ? 10 : 0) != tag_size) return Id3v2Read::cannot_say;  // changed since the probe
  if (layout) layout->plain = flags == 0;

  if (tag_unsynchronised(version, flags)) {
    // The whole tag resynchronised in memory, then walked as any other.
    QByteArray resynced(reinterpret_cast<const char*>(h), 10);
    QByteArray stored(static_cast<qsizetype>(present - 10), Qt::Uninitialized);
    if (!bytes(10, stored.data(), static_cast<std::size_t>(stored.size()))) return Id3v2Read::read_error;
    resynced += resynchronise(stored.constData(), stored.size());
    resynced[5] = static_cast<char>(flags & ~0x80u);
    const std::int64_t body = resynced.size() - 10;
    put_synchsafe(resynced.data() + 6, static_cast<std::uint32_t>(body));
    const Id3v2Read r = walk_id3v2(memory_bytes(resynced), version, resynced.size(), texts, layout);
    if (layout) layout->plain = false;
    return r;
  }

  const std::int64_t head = version == 2 ? 6 : 10;
  const int id_len = version == 2 ? 3 : 4;
  if (size == 0) return Id3v2Read::done;
  // pos: in the tag's body, which starts at byte 10.
  std::int64_t pos = 0;
  bool whole = true, cut = false;
  if (flags & 0x40) {
    Id3v2Read r;
    const std::optional<std::int64_t> first = frames_start(tag, version, size, present, r);
    if (!first) return r;
    pos = *first;
  }
  if (size < head) return Id3v2Read::cannot_say;
  std::array<bool, k_fields> seen{};
  int found = 0;
  QByteArray content;     // a frame's, when not stored as is
  std::vector<unsigned char> big;
  // As in TagLib, a frame header needs more than its own size left.
  while (pos < size - head) {
    if (10 + pos + head > present) {
      cut = true;
      break;
    }
    const unsigned char* p = tag.at(10 + pos, head);
    if (!p) return Id3v2Read::read_error;
    if (p[0] == 0) break;  // padding
    unsigned char f[10];
    std::memcpy(f, p, static_cast<std::size_t>(head));
    // iTunes stored 2.2 ids, a zero byte added, in 2.3 tags; TagLib reads them.
    const bool id_22 = version == 3 && f[3] == 0 && valid_id(f, 3);
    const bool odd_id = !id_22 && !valid_id(f, id_len);
    const bool unsafe_size = version == 4 && ((f[4] | f[5] | f[6] | f[7]) & 0x80);
    std::int64_t frame_size;
    if (version == 2) {
      frame_size = std::int64_t{f[3]} << 16 | f[4] << 8 | f[5];
    } else if (version == 3) {
      frame_size = be32(f + 4);
    } else {
      // A size that is not synchsafe TagLib reads as a plain one.
      if (unsafe_size && !odd_id) return Id3v2Read::cannot_say;
      frame_size = synchsafe(f + 4);
    }
    // A frame of an id no tagger writes (a "Date") is stepped over by its
    // size, as mutagen does, when that ends inside the tag; else it is a
    // damaged frame, which ends the walk, what came before it standing.
    if (odd_id && (frame_size == 0 || unsafe_size || pos + head + frame_size > size)) {
      whole = false;
      break;
    }
    // Compression, encryption, grouping, unsynchronisation, data length.
    const unsigned format = version >= 3 ? f[9] : 0;
    if (format != 0 && layout) layout->plain = false;
    // A frame running past the tag is read up to the tag's end, the last
    // one (as TagLib and mutagen do); one the file's end cuts short is not
    // read at all, a text cut in half being no text.
    const bool past = pos + head + frame_size > size;
    if (!past && 10 + pos + head + frame_size > present) {
      cut = true;
      break;
    }
    if (past) {
      frame_size = size - pos - head;
      whole = false;
      if (10 + size > present) {
        cut = true;
        break;
      }
    }
    const std::int64_t end = pos + head + frame_size;
    auto there = [&](std::int64_t at) { return at + 4 <= size && 10 + at + 4 <= present; };
    if (version == 4 && frame_size > 127 && !past) {
      // TagLib takes a 2.4 size for a 2.3-style plain one when it leads to no
      // frame and the plain one does.
      const unsigned char* next = there(end) ? tag.at(10 + end, 4) : nullptr;
      if (there(end) && !next) return Id3v2Read::read_error;
      if (!next || !valid_id(next, 4)) {
        const std::int64_t other = pos + head + be32(f + 4);
        if (there(other)) {
          const unsigned char* q = tag.at(10 + other, 4);
          if (!q) return Id3v2Read::read_error;
          if (valid_id(q, 4)) return Id3v2Read::cannot_say;
        }
      }
    }
    // TagLib stops at both, the frames behind them unread.
    if (layout && (odd_id || frame_size == 0)) layout->stepped_over = true;
    int field = -1;
    for (int i = 0; i < k_fields; ++i) {
      const bool short_id = version == 2 || id_22;
      if (std::memcmp(f, short_id ? k_ids_22[i] : k_ids[i], short_id ? 3 : 4) == 0) field = i;
    }
    const bool as_is = stored_as_is(version, format, flags);
    const bool text_wanted = field >= 0 && !seen[field];
    Id3v2Frame frame;
    if (layout) {
      std::memcpy(frame.id.data(), f, static_cast<std::size_t>(id_len));
      frame.offset = 10 + pos;
      frame.size = head + frame_size;
      frame.field = field;
      frame.stepped_over = odd_id || frame_size == 0;
    }
    // A zero-size frame (some players wrote empty ones) is stepped over.
    if (frame_size > 0 && (text_wanted || with_content || (layout && f[0] == 'T'))) {
      const unsigned char* body = nullptr;
      std::int64_t n = frame_size;
      if (!text_wanted && !with_content && as_is) {
        n = 1;  // only the encoding byte
        body = tag.at(10 + pos + head, 1);
      } else if (frame_size <= k_window) {
        body = tag.at(10 + pos + head, frame_size);
      } else {
        big.resize(static_cast<std::size_t>(frame_size));
        if (bytes(10 + pos + head, big.data(), big.size())) body = big.data();
      }
      if (!body) return Id3v2Read::read_error;
      if (!as_is) {
        const Content c = frame_content(version, format, flags, reinterpret_cast<const char*>(body), n, content);
        body = c == Content::ok ? reinterpret_cast<const unsigned char*>(content.constData()) : nullptr;
        n = content.size();
        frame.readable = c == Content::ok;
      }
      if (body && n > 0 && f[0] == 'T') frame.encoding = body[0];
      if (body && text_wanted) {
        // The first frame of an id counts, as in taglib_text.cpp.
        bool no_mark = false;
        const std::optional<QString> text = text_of_frame(body, n, true, &no_mark);
        if (layout && no_mark) layout->stepped_over = frame.no_mark = true;
        // The contents of frames are wanted, not what TagLib makes of them.
        if (!text && !with_content) return Id3v2Read::cannot_say;
        texts[static_cast<std::size_t>(field)] = text.value_or(QString());
        if (layout && !text) layout->odd_encoding[static_cast<std::size_t>(field)] = true;
        if (layout && text) layout->shown_as_latin1[static_cast<std::size_t>(field)] = *text_of_frame(body, n, false);
        seen[static_cast<std::size_t>(field)] = true;
        // Frames further on cannot change what the first ones said.
        if (++found == k_fields && !layout) return Id3v2Read::done;
      }
      if (body && with_content) frame.content = QByteArray(reinterpret_cast<const char*>(body), n);
    }
    if (layout) layout->frames.push_back(frame);
    pos = end;
    if (past) break;
  }
  if (layout) {
    layout->frames_end = 10 + pos;
    layout->whole = whole && !cut;
  }
  // A tag the file's end cuts short before any of the texts can't be read.
  if (cut && found == 0) return Id3v2Read::read_error;
  return Id3v2Read::done;
}

Id3v2Read read_id3v2_texts(int fd, const Mp3Probe& probe, Id3v2Texts& texts) {
  texts = {};
  if (probe.id3v2_major == 0) return Id3v2Read::done;
  // A tag cut short by the end of the file is read as far as it goes.
  const std::int64_t present = probe.tag_cut ? probe.file_size : probe.id3v2_size;
  return walk_id3v2(file_bytes(fd, probe.id3v2_offset), probe.id3v2_major, probe.id3v2_size, texts, nullptr,
                    present);
}

void prefer_own_texts(const TagBytes& bytes, int version, std::int64_t tag_size, Id3v2Texts& texts,
                      std::int64_t present) {
  Id3v2Texts ours;
  Id3v2Layout layout;
  layout.with_content = true;
  if (walk_id3v2(bytes, version, tag_size, ours, &layout, present) != Id3v2Read::done) return;
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (!layout.odd_encoding[i]) texts[i] = ours[i];
}

TagBytes file_bytes(int fd, std::int64_t start) {
  // A walk reads ten bytes of frame header at a time, and the planning of a
  // write walks one tag several times over the same open: the reads come
  // from a few windows of the file, each read once for every walk that
  // shares this reader (copies share them), not a read each. The file must
  // not be written while they are in use.
  struct Window {
    std::int64_t at = -1;
    QByteArray bytes;
  };
  struct Windows {
    std::array<Window, 4> held;
    std::size_t next = 0;
  };
  // A window is the read asked for, at least 2 KiB; reads of up to 8 KiB
  // (a walk's own window, the field read's first read) are kept.
  static constexpr std::size_t k_window = 2048, k_kept = 8192;
  auto ws = std::make_shared<Windows>();
  return [fd, start, ws](std::int64_t offset, void* buf, std::size_t n) {
    if (n > k_kept || offset < 0) return read_exact(fd, start + offset, buf, n);
    const auto end = offset + static_cast<std::int64_t>(n);
    const Window* hit = nullptr;
    for (const Window& w : ws->held)
      if (w.at >= 0 && offset >= w.at && end <= w.at + w.bytes.size()) hit = &w;
    if (!hit) {
      Window& w = ws->held[ws->next++ % ws->held.size()];
      const std::size_t want = std::max(n, k_window);
      w.bytes.resize(static_cast<qsizetype>(want));
      const std::int64_t got = read_up_to(fd, start + offset, w.bytes.data(), want);
      w.at = got < 0 ? -1 : offset;
      w.bytes.resize(std::max<qsizetype>(got, 0));
      if (end > offset + got) return false;
      hit = &w;
    }
    std::memcpy(buf, hit->bytes.constData() + (offset - hit->at), n);
    return true;
  };
}

TagBytes memory_bytes(const QByteArray& b) {
  return [&b](std::int64_t offset, void* buf, std::size_t n) {
    if (offset < 0 || offset + static_cast<std::int64_t>(n) > b.size()) return false;
    std::memcpy(buf, b.constData() + offset, n);
    return true;
  };
}

}  // namespace tn
