#include "tags/other_frames.h"

#include <taglib/commentsframe.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstring>

#include "id3/header.h"
#include "tags/frame_accounting.h"
#include "tags/frame_text.h"
#include "tags/rendered_frames.h"
#include "tags/id3v2_fields.h"
#include "tags/taglib_text.h"

namespace tn {

namespace {

bool ascii(const QString& s) {
  return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The comment players show: the first with an empty description.
TagLib::ID3v2::CommentsFrame* shown_comment(TagLib::ID3v2::Tag& tag) {
  for (TagLib::ID3v2::Frame* f : tag.frameListMap()["COMM"]) {
    auto* cf = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(f);
    if (cf && cf->description().isEmpty()) return cf;
  }
  return nullptr;
}

bool set_comment(TagLib::ID3v2::Tag& tag, const QString& text, TagLib::ID3v2::Version version) {
  TagLib::ID3v2::CommentsFrame* old = shown_comment(tag);
  const TagLib::String value = to_taglib(text);
  if (old && old->text() == value && (ascii(text) || old->textEncoding() != TagLib::String::Latin1)) return false;
  if (text.isEmpty()) {
    if (old) tag.removeFrame(old);
    return old != nullptr;
  }
  // The language stays; a new comment says none.
  const TagLib::String::Type encoding = ascii(text) ? TagLib::String::Latin1 : unicode_encoding(tag, "COMM", version);
  auto* frame = new TagLib::ID3v2::CommentsFrame(encoding);
  frame->setLanguage(old ? old->language() : TagLib::ByteVector("XXX"));
  frame->setText(value);
  if (old) tag.removeFrame(old);
  tag.addFrame(frame);
  return true;
}

// A text frame as text, in its own encoding where that holds the text (a
// number in Latin-1 stays Latin-1), else in Unicode.
bool set_text(TagLib::ID3v2::Tag& tag, const char* id, const QString& text, TagLib::ID3v2::Version version) {
  const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[id];
  auto* old = frames.size() == 1 ? dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front()) : nullptr;
  const TagLib::String value = to_taglib(text);
  const int was = old ? static_cast<int>(old->textEncoding()) : -1;
  const bool known = was >= TagLib::String::Latin1 && was <= TagLib::String::UTF8;
  if (old && old->toString() == value && (ascii(text) || (known && was != TagLib::String::Latin1))) return false;
  if (text.isEmpty()) {
    // Told before the removal empties the list `frames` refers to.
    const bool had = !frames.isEmpty();
    tag.removeFrames(id);
    return had;
  }
  TagLib::String::Type encoding = known ? static_cast<TagLib::String::Type>(was) : TagLib::String::Latin1;
  if (!ascii(text) && encoding == TagLib::String::Latin1) encoding = unicode_encoding(tag, id, version);
  if (replace_same_size(tag, id, value, encoding)) return true;
  tag.removeFrames(id);
  auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
  frame->setText(value);
  tag.addFrame(frame);
  return true;
}

// A text frame's content of our own: UTF-16 with a byte order mark.
QByteArray utf16_content(const QString& text) {
  QByteArray c("\x01\xFF\xFE", 3);
  c.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return c;
}

bool empty_description(const QByteArray& c) {
  if (c.size() < 5) return c.size() == 4;
  if (c[0] != 1 && c[0] != 2) return c[4] == '\0';
  const auto at = [&](int i) { return i < c.size() ? static_cast<unsigned char>(c[i]) : 0u; };
  const bool bom = (at(4) == 0xFF && at(5) == 0xFE) || (at(4) == 0xFE && at(5) == 0xFF);
  return bom ? (at(6) | at(7)) == 0 : (at(4) | at(5)) == 0;
}

bool same_shown(Field f, const QString& read, const QString& set) {
  return f == Field::genre ? read == genre_shown(set) : read == set;
}

QByteArray render_other_frame(Field f, const QString& text, int encoding, const QByteArray& language, int version) {
  TagLib::ID3v2::Tag tag;
  const auto type = static_cast<TagLib::String::Type>(encoding);
  if (f == Field::comment) {
    auto* frame = new TagLib::ID3v2::CommentsFrame(type);
    frame->setLanguage(TagLib::ByteVector(language.size() == 3 ? language.constData() : "XXX", 3));
    frame->setText(to_taglib(text));
    tag.addFrame(frame);
  } else {
    // A 2.3 year is a TYER of the text as typed. Through TagLib's TDRC it
    // would be cut to four characters, a date split into a TDAT beside it,
    // and the year read back would not be the one written.
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(frame_id_of(f, version), type);
    frame->setText(to_taglib(text));
    tag.addFrame(frame);
  }
  const TagLib::ByteVector b = tag.render(version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
  const QByteArray rendered(b.data(), static_cast<qsizetype>(b.size()));
  std::vector<Id3v2Frame> frames;
  if (rendered.size() > 10 && !tag_frames(rendered, version, frames)) return {};
  if (frames.size() == 1) return rendered.mid(frames.front().offset, frames.front().size);
  if (!frames.empty() || f == Field::comment) return {};
  return plain_frame(frame_id_of(f, version), utf16_content(text), version);
}

}  // namespace

bool others_read_as_set(const TagBytes& bytes, int version, std::int64_t tag_size, const OtherEdits& others) {
  if (others.empty()) return true;
  Id3v2Fields back;
  if (read_id3v2_fields(bytes, version, tag_size, tag_size, back) != Id3v2Read::done) return false;
  return std::all_of(others.begin(), others.end(),
                     [&](const OtherEdit& e) { return same_shown(e.field, back.text[e.field], e.text); });
}

QByteArray plain_frame(const char* id, const QByteArray& content, int version) {
  QByteArray frame(id, 4);
  char size[4];
  put_frame_size(size, static_cast<std::uint32_t>(content.size()), version);
  return frame + QByteArray(size, 4) + QByteArray(2, '\0') + content;
}

QByteArray new_field_frame(Field f, const QString& text, int encoding, const QByteArray& language, int version) {
  // Keyed by the field too, not by its id alone ("" for a field without one).
  const QByteArray id = frame_id_of(f, version) + QByteArray::number(static_cast<int>(f));
  return rendered_frame({id, text, encoding, version, language},
                        [&] { return render_other_frame(f, text, encoding, language, version); });
}

bool holds_already(Field f, const QByteArray& content, const QString& text) {
  const auto* d = reinterpret_cast<const unsigned char*>(content.constData());
  const qsizetype n = content.size();
  const std::optional<QString> now = f == Field::comment ? comment_of(d, n, false) : text_of_frame(d, n, false);
  return now && *now == text && (ascii(text) || (n > 0 && d[0] != TagLib::String::Latin1 && d[0] <= TagLib::String::UTF8));
}

int other_encoding(Field f, const QString& text, int was, int unicode) {
  constexpr int latin1 = TagLib::String::Latin1;
  const bool known = f != Field::comment && was >= latin1 && was <= TagLib::String::UTF8;
  const int encoding = known ? was : latin1;
  return encoding == latin1 && !ascii(text) ? unicode : encoding;
}

bool set_others(TagLib::ID3v2::Tag& tag, const OtherEdits& others, TagLib::ID3v2::Version version) {
  bool changed = false;
  for (const OtherEdit& e : others) {
    if (e.field == Field::comment) {
      changed |= set_comment(tag, e.text, version);
    } else if (e.field == Field::year && version == TagLib::ID3v2::v3) {
      // TagLib holds a 2.3 year as a TDRC, which its 2.3 render cuts to
      // four characters and a TDAT; a TYER of our own keeps the text.
      const TagLib::ID3v2::FrameList& held = tag.frameListMap()["TDRC"];
      if (held.size() == 1 && held.front()->toString() == to_taglib(e.text) && ascii(e.text)) continue;
      const bool had = !held.isEmpty();
      tag.removeFrames("TDRC");
      changed |= set_text(tag, "TYER", e.text, version) || had;
    } else {
      changed |= set_text(tag, frame_id_of(e.field, 4), e.text, version);
    }
  }
  return changed;
}

bool set_by_others(const Id3v2Frame& frame, const OtherEdits& others) {
  const std::optional<Field> f = field_of_frame(frame.id.data());
  if (!f) return false;
  // Only a comment without description is the field's; the others stay.
  if (*f == Field::comment && !empty_description(frame.content)) return false;
  return std::any_of(others.begin(), others.end(), [&](const OtherEdit& e) { return e.field == *f; });
}

bool dropped_others(const QByteArray& tag, int version, const OtherEdits& others, std::vector<Id3v2Frame>& dropped) {
  dropped.clear();
  Id3v2Fields back;
  if (read_id3v2_fields(memory_bytes(tag), version, tag.size(), tag.size(), back) != Id3v2Read::done) return false;
  for (const OtherEdit& e : others) {
    if (same_shown(e.field, back.text[e.field], e.text)) continue;
    if (!back.text[e.field].isEmpty() || e.field == Field::comment) return false;
    Id3v2Frame frame;
    std::memcpy(frame.id.data(), frame_id_of(e.field, version), 4);
    frame.content = utf16_content(e.text);
    dropped.push_back(frame);
  }
  return true;
}

}  // namespace tn
