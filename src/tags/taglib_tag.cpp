#include "tags/taglib_tag.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "id3/header.h"
#include "tags/frame_accounting.h"
#include "tags/id3v1_block.h"
#include "tags/id3v1_seed.h"
#include "tags/other_frames.h"
#include "durable/safe_write.h"
#include "tags/tag_library.h"
#include "tags/taglib_text.h"
#include "tags/upgrade_22.h"

namespace tn {

namespace {

// Pads a tag TagLib rendered to `size` bytes when its frames fit: TagLib's
// own padding follows the size of the file it read (a percent of it), not
// the room the old tag leaves, and would send a write that fits to the
// rewrite path. TagLib renders neither unsynchronisation nor an extended
// header; a tag with a footer is left as it is.
void fit_to_size(TagLib::ByteVector& tag, std::int64_t size, bool v4) {
  if (tag.size() < 10 || (static_cast<unsigned char>(tag[5]) & 0x10) || size < 10 ||
      size > 0x0FFFFFFF + 10)
    return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(tag.data());
  std::int64_t end = 10;  // where the frames end
  while (end + 10 <= tag.size() && tag[static_cast<unsigned int>(end)] != '\0') {
    end += 10 + frame_size(bytes + end + 4, v4 ? 4 : 3);
  }
  if (end > size || end > tag.size()) return;
  tag.resize(static_cast<unsigned int>(end));
  tag.resize(static_cast<unsigned int>(size), '\0');
  const auto body = static_cast<std::uint32_t>(size - 10);
  put_synchsafe(tag.data() + 6, body);
}

// A frame with an encoding byte of no known encoding is read as UTF-16, but
// TagLib renders its text as nothing: a field the user never touched would
// be emptied by the write. Store it as the UTF-16 it was read as. (The byte
// comes through as a signed char: 0xE5 is a negative type, and is turned
// into an int at once, as no String::Type variable may hold it.)
void store_unknown_encodings_as_utf16(TagLib::ID3v2::Tag& tag) {
  auto unknown = [](int t) { return t < TagLib::String::Latin1 || t > TagLib::String::UTF8; };
  for (TagLib::ID3v2::Frame* frame : tag.frameList()) {
    constexpr auto utf16 = TagLib::String::UTF16;
    if (auto* tf = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
      if (unknown(static_cast<int>(tf->textEncoding()))) tf->setTextEncoding(utf16);
    } else if (auto* cf = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame)) {
      if (unknown(static_cast<int>(cf->textEncoding()))) cf->setTextEncoding(utf16);
    } else if (auto* lf = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame)) {
      if (unknown(static_cast<int>(lf->textEncoding()))) lf->setTextEncoding(utf16);
    }
  }
}

// The three text frames changed in the parsed tag as the table asks; true
// when any changed.
bool set_texts(TagLib::ID3v2::Tag& tag, const WantedTexts& wanted, TagLib::ID3v2::Version version) {
  bool changed = false;
  auto add_text = [&](const char* id, const QString& value, TagLib::String::Type encoding) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
    frame->setText(to_taglib(value));
    tag.addFrame(frame);
    changed = true;
  };
  for (int i = 0; i < k_fields; ++i) {
    const char* id = k_frame_ids[i];
    const QString& text = wanted[i].text;
    const TagLib::String::Type encoding = unicode_encoding(tag, id, version);
    if (wanted[i].kept) {
      // Text shown from the ID3v1 tag goes into ID3v2 as well: most players
      // look no further once there is an ID3v2 tag.
      if (wanted[i].from_id3v1 && tag.frameListMap()[id].isEmpty()) add_text(id, text, encoding);
      continue;
    }
    // A frame that every player already shows as the table does stays as it
    // is; one they would show otherwise (Shift-JIS marked as Latin-1, above
    // all) is stored again in Unicode.
    if (tag.frameListMap()[id].size() <= 1 && frame_text(tag, id, false) == text) continue;
    // A new text of the frame's size is put into the frame where it stands,
    // so that an in-place write changes only its bytes; one of another size
    // moves to the end of the tag, beside the padding, where it can change
    // again without moving the frames behind it (a cover picture).
    if (!text.isEmpty() && replace_same_size(tag, id, to_taglib(text), encoding)) {
      changed = true;
      continue;
    }
    if (!tag.frameListMap()[id].isEmpty()) {
      tag.removeFrames(id);
      changed = true;
    }
    // An empty field removes the frame: players show a missing frame as empty,
    // while an empty one is dropped by some writers and shown oddly by others.
    if (!text.isEmpty()) add_text(id, text, encoding);
  }
  return changed;
}

// TagLib drops or damages some frames as it renders them (one flagged to be
// discarded when the tag changes, for one). What the table shows must come
// back from the new tag: a kept field as it was read, a changed one as
// written. A field that does not is stored again as a plain frame, once.
bool render_checked(TagLib::ID3v2::Tag& tag, const WantedTexts& wanted, TagLib::ID3v2::Version version,
                    TagLib::ByteVector& rendered) {
  rendered = tag.render(version);
  for (int round = 0;; ++round) {
    std::array<QString, k_fields> back;
    if (!rendered_texts(rendered, back)) return false;
    bool repaired = false;
    for (int i = 0; i < k_fields; ++i) {
      const QString& want = wanted[i].text;
      if (back[i] == want) continue;
      if (round > 0) return false;
      tag.removeFrames(k_frame_ids[i]);
      if (!want.isEmpty()) {
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(k_frame_ids[i], TagLib::String::UTF16);
        frame->setText(to_taglib(want));
        tag.addFrame(frame);
      }
      repaired = true;
    }
    if (!repaired) return true;
    rendered = tag.render(version);
  }
}

// The rendered tag mended where TagLib changed what it was not asked to:
// the frames it made up left out, the old frames it dropped or changed put
// back as they were, behind the others. TagLib drops in 2.3 the 2.4 frames
// some taggers store in 2.3 tags anyway (TSST, TMOO, TDRL), turns a TDOR or
// TDRC there into its 2.3 frames, and drops any frame flagged to be
// discarded when the tag changes. A frame put back gets its header anew,
// without flags: its content is stored as it is.
void mend(TagLib::ByteVector& rendered, const std::vector<Id3v2Frame>& frames, const FramesOff& off, bool v4) {
  QByteArray tag(rendered.data(), static_cast<qsizetype>(rendered.size()));
  QByteArray out = tag.left(10);
  std::int64_t end = 10;
  for (const Id3v2Frame& f : frames) {
    end = std::max(end, f.offset + f.size);
    const bool made_up = std::any_of(off.extra.begin(), off.extra.end(),
                                     [&](const Id3v2Frame* e) { return e->offset == f.offset; });
    if (!made_up) out += tag.mid(f.offset, f.size);
  }
  for (const Id3v2Frame* f : off.missing) out += plain_frame(f->id.data(), f->content, v4 ? 4 : 3);
  out += tag.mid(end);  // the padding
  const auto body = static_cast<std::uint32_t>(out.size() - 10);
  put_synchsafe(out.data() + 6, body);
  rendered = TagLib::ByteVector(out.constData(), static_cast<unsigned int>(out.size()));
}

// The new tag rendered with every frame of the old one carried
// (frame_accounting.h), mended once where TagLib did not; a tag that still
// does not carry them all, or no longer reads as the table asks, is not
// written.
// others: the frames of those fields are the write's too, left out of the check.
bool render_carried(TagLib::ID3v2::Tag& tag, const std::vector<Id3v2Frame>& old_frames,
                    const WantedTexts& wanted, TagLib::ID3v2::Version version, TagLib::ByteVector& rendered,
                    const OtherEdits& others) {
  if (!render_checked(tag, wanted, version, rendered)) return false;
  const bool v4 = version == TagLib::ID3v2::v4;
  for (int round = 0;; ++round) {
    std::vector<Id3v2Frame> frames;
    const QByteArray bytes = QByteArray::fromRawData(rendered.data(), static_cast<qsizetype>(rendered.size()));
    if (!tag_frames(bytes, v4 ? 4 : 3, frames)) return false;
    std::vector<Id3v2Frame> now = frames;
    std::erase_if(now, [&](const Id3v2Frame& f) { return set_by_others(f, others); });
    FramesOff off = frames_off(old_frames, now, wanted);
    if (off.none()) {
      if (round == 0) return true;
      std::array<QString, k_fields> back;
      if (!rendered_texts(rendered, back)) return false;
      for (int i = 0; i < k_fields; ++i)
        if (back[i] != wanted[i].text) return false;
      return true;
    }
    if (round > 0) return false;
    mend(rendered, frames, off, v4);
  }
}

// The frames of the other fields TagLib left out of the rendered tag, put
// back; false when one still does not read back as set.
bool add_dropped(TagLib::ByteVector& rendered, const OtherEdits& others, bool v4) {
  if (others.empty()) return true;
  const auto bytes = [&] { return QByteArray(rendered.data(), static_cast<qsizetype>(rendered.size())); };
  std::vector<Id3v2Frame> dropped, frames;
  if (!dropped_others(bytes(), v4 ? 4 : 3, others, dropped)) return false;
  if (dropped.empty()) return true;
  if (!tag_frames(bytes(), v4 ? 4 : 3, frames)) return false;
  FramesOff off;
  for (const Id3v2Frame& f : dropped) off.missing.push_back(&f);
  mend(rendered, frames, off, v4);
  std::vector<Id3v2Frame> still;
  return dropped_others(bytes(), v4 ? 4 : 3, others, still) && still.empty();
}

// Whether a read of this tag gives the texts of the fields the write sets,
// as a read of the file does (taglib_library.cpp).
bool reads_as_wanted(const QByteArray& tag, int version, const WantedTexts& wanted, const OtherEdits& others) {
  Id3v2Texts texts;
  switch (walk_id3v2(memory_bytes(tag), version, tag.size(), texts)) {
    case Id3v2Read::done: break;
    case Id3v2Read::read_error: return false;
    case Id3v2Read::cannot_say:
      if (!rendered_texts(TagLib::ByteVector(tag.constData(), static_cast<unsigned int>(tag.size())), texts))
        return false;
      prefer_own_texts(memory_bytes(tag), version, tag.size(), texts);
      break;
  }
  for (int i = 0; i < k_fields; ++i)
    if (!wanted[i].kept && texts[i] != wanted[i].text) return false;
  return others_read_as_set(memory_bytes(tag), version, tag.size(), others);
}

}  // namespace

int taglib_id3v2(int fd, const Mp3Probe& probe, const WantedTexts& wanted, QByteArray& old_tag,
                 NewId3v2& out, const OtherEdits* others) {
  const OtherEdits none;
  const OtherEdits& other = others ? *others : none;
  out = {};
  // Only the tag at the start, or past junk at the head, counts (TagLib
  // would find one inside the audio too, where no player looks).
  const std::int64_t old_v2_size = probe.id3v2_major ? probe.id3v2_size : 0;
  const std::int64_t at = probe.id3v2_major ? probe.id3v2_offset : 0;  // past junk at the head
  old_tag.resize(static_cast<qsizetype>(old_v2_size));
  if (!read_exact(fd, at, old_tag.data(), static_cast<std::size_t>(old_tag.size())))
    return tag_error::read_failed;
  // TagLib parses the old tag from memory; a 2.2 tag in the 2.3 form it
  // becomes, which TagLib then upgrades no further.
  QByteArray upgraded;
  const bool upgrade = old_v2_size > 0 && probe.id3v2_major == 2;
  const bool upgradable = upgrade && upgrade_22(old_tag, upgraded);
  // A file with only an ID3v1 block starts from a tag of what that holds.
  QByteArray seeded;
  if (old_v2_size == 0 && probe.has_id3v1) {
    QByteArray v1;
    if (!read_id3v1(fd, probe, v1)) return tag_error::read_failed;
    seeded = id3v2_from_id3v1(v1);
  }
  const QByteArray& source = upgradable ? upgraded : !seeded.isEmpty() ? seeded : old_tag;
  const int source_version = upgradable || !seeded.isEmpty() ? 3 : probe.id3v2_major;
  TagLib::ByteVectorStream old_stream(
      TagLib::ByteVector(source.constData(), static_cast<unsigned int>(source.size())));
  std::optional<TagLib::MPEG::File> parsed;
  TagLib::ID3v2::Tag no_tag;
  if (!source.isEmpty()) {
    parsed.emplace(&old_stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!parsed->isValid() || !parsed->hasID3v2Tag()) return tag_error::read_failed;
  }
  const bool had_v2 = parsed.has_value();
  const auto version = probe.id3v2_major == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
  TagLib::ID3v2::Tag& tag = had_v2 ? *parsed->ID3v2Tag() : no_tag;

  const bool texts_changed = set_texts(tag, wanted, version);
  const bool others_changed = set_others(tag, other, version);
  if (!texts_changed && !others_changed) {
    // The tag stays as it is, which is right only when a read of the file
    // already gives what the table shows. A frame TagLib drops as damaged
    // (one running past the tag's end), or never reaches (behind a frame of
    // size zero), is read by our own reader, and TagLib can't change what
    // it did not parse.
    return had_v2 && !reads_as_wanted(source, source_version, wanted, other)
               ? tag_error::write_failed
               : tag_error::none;
  }

  // Every frame of the old tag must come through whole, or nothing is
  // written: an encrypted one, for one, TagLib would write back with its
  // flags cleared, so players would read the ciphertext as its text.
  std::vector<Id3v2Frame> old_frames;
  if (upgrade && !upgradable) return tag_error::write_failed;
  if (had_v2 && !tag_frames(source, source_version, old_frames))
    return tag_error::write_failed;
  store_unknown_encodings_as_utf16(tag);
  // Frames were added or changed, so the new tag has one.
  TagLib::ByteVector rendered;
  std::erase_if(old_frames, [&](const Id3v2Frame& f) { return set_by_others(f, other); });
  if (!render_carried(tag, old_frames, wanted, version, rendered, other)) return tag_error::write_failed;
  if (!add_dropped(rendered, other, version == TagLib::ID3v2::v4)) return tag_error::write_failed;
  if (old_v2_size > 0) fit_to_size(rendered, old_v2_size, version == TagLib::ID3v2::v4);
  const QByteArray new_v2(rendered.data(), static_cast<qsizetype>(rendered.size()));

  if (old_v2_size > 0 && new_v2.size() == old_v2_size) {
    // Fits the old space: only the bytes that differ are written, and the
    // audio is not moved. (Written ourselves: TagLib's save() strips a tag
    // its isEmpty() calls empty, cover picture and all.)
    out.kind = NewId3v2::Kind::in_place;
    add_patches(out.patches, at, old_tag, new_v2);
  } else {
    out.kind = NewId3v2::Kind::rewrite;
    if (at > 0) out.tag.push_back({0, at, {}});
    out.tag.push_back({-1, new_v2.size(), new_v2});
  }
  return tag_error::none;
}

}  // namespace tn
