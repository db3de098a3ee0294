#include "tags/taglib_text.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2frame.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>

#include <QStringList>
#include <fcntl.h>
#include <memory>

#include "tags/id3v2_fields.h"
#include "tags/id3v2_reader.h"
#include "tags/legacy_text.h"

namespace tn {

namespace {

// TagLib over a duplicate of our descriptor: it reads exactly the file we
// probed, even if the name is replaced meanwhile.
struct TagLibFile {
  std::unique_ptr<TagLib::FileStream> stream;
  std::unique_ptr<TagLib::MPEG::File> file;

  bool open(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return false;
    stream = std::make_unique<TagLib::FileStream>(copy, true);
    if (!stream->isOpen()) return false;
    file = std::make_unique<TagLib::MPEG::File>(
        stream.get(), TagLib::ID3v2::FrameFactory::instance(), false);
    return file->isValid();
  }
  ~TagLibFile() {
    file.reset();  // before the stream it reads from
    stream.reset();
  }
};

}  // namespace

QString from_taglib(const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); }
TagLib::String to_taglib(const QString& s) { return TagLib::String(s.toStdString(), TagLib::String::UTF8); }

QString frame_text(TagLib::ID3v2::Tag& tag, const char* id, bool legacy) {
  const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[id];
  for (TagLib::ID3v2::Frame* f : frames) {
    auto* tf = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(f);
    if (!tf) continue;
    QStringList parts;
    for (const TagLib::String& s : tf->fieldList()) {
      if (s.isEmpty()) continue;
      if (legacy && tf->textEncoding() == TagLib::String::Latin1) {
        const TagLib::ByteVector raw = s.data(TagLib::String::Latin1);
        parts << decode_legacy(QByteArray(raw.data(), static_cast<int>(raw.size())));
      } else {
        parts << from_taglib(s);
      }
    }
    return parts.join(QStringLiteral(" / "));
  }
  return {};
}

// The encoding of a new text frame: UTF-16 in ID3v2.3 (what every player
// reads); in 2.4 the tag's own choice of Unicode, this frame's first, then any
// other text frame's.
TagLib::String::Type unicode_encoding(TagLib::ID3v2::Tag& tag, const char* id,
                                      TagLib::ID3v2::Version version) {
  constexpr auto utf16 = TagLib::String::UTF16;
  if (version != TagLib::ID3v2::v4) return utf16;
  auto unicode = [](TagLib::ID3v2::Frame* f) {
    auto* tf = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(f);
    const int t = tf ? static_cast<int>(tf->textEncoding()) : -1;
    return t > TagLib::String::Latin1 && t <= TagLib::String::UTF8 ? t : -1;
  };
  for (TagLib::ID3v2::Frame* f : tag.frameListMap()[id])
    if (unicode(f) >= 0) return static_cast<TagLib::String::Type>(unicode(f));
  for (TagLib::ID3v2::Frame* f : tag.frameList())
    if (unicode(f) >= 0) return static_cast<TagLib::String::Type>(unicode(f));
  return utf16;
}

// Puts text into the tag's only `id` frame, when that is a plain text frame
// whose rendered size stays the same.
bool replace_same_size(TagLib::ID3v2::Tag& tag, const char* id, const TagLib::String& text,
                       TagLib::String::Type encoding) {
  const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[id];
  auto* frame = frames.size() == 1 ? dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front()) : nullptr;
  if (!frame) return false;
  TagLib::ID3v2::TextIdentificationFrame fresh(id, encoding);
  fresh.setText(text);
  if (fresh.render().size() != frame->render().size()) return false;
  frame->setTextEncoding(encoding);
  frame->setText(text);
  return true;
}

bool rendered_texts(const TagLib::ByteVector& rendered, std::array<QString, k_fields>& out) {
  TagLib::ByteVectorStream stream(rendered);
  TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!f.isValid() || !f.hasID3v2Tag()) return false;
  for (int i = 0; i < k_fields; ++i) out[i] = frame_text(*f.ID3v2Tag(), k_frame_ids[i]);
  return true;
}

bool read_id3v2_texts_taglib(int fd, Id3v2Texts& texts) {
  texts = {};
  TagLibFile tl;
  if (!tl.open(fd)) return false;
  TagLib::MPEG::File& f = *tl.file;
  if (!f.hasID3v2Tag()) return true;
  for (int i = 0; i < k_fields; ++i) texts[i] = frame_text(*f.ID3v2Tag(), k_frame_ids[i]);
  return true;
}

namespace {

// The first comment with an empty description, as the walk takes it.
QString comment_text(TagLib::ID3v2::Tag& tag) {
  for (TagLib::ID3v2::Frame* f : tag.frameListMap()["COMM"]) {
    auto* cf = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(f);
    if (!cf || !cf->description().isEmpty()) continue;
    if (cf->textEncoding() != TagLib::String::Latin1) return from_taglib(cf->text());
    const TagLib::ByteVector raw = cf->text().data(TagLib::String::Latin1);
    return decode_legacy(QByteArray(raw.data(), static_cast<int>(raw.size())));
  }
  return {};
}

// Every field of a tag TagLib parsed, as read_id3v2_fields gives it.
void fields_of(TagLib::ID3v2::Tag& tag, Id3v2Fields& out) {
  // TagLib holds every tag in 2.4 ids, the year as TDRC.
  for (Field field : all_fields()) {
    if (field == Field::comment) {
      out.text[field] = comment_text(tag);
      continue;
    }
    const QString text = frame_text(tag, frame_id_of(field, 4));
    out.text[field] = field == Field::genre ? genre_shown(text) : text;
  }
}

}  // namespace

bool read_id3v2_fields_taglib(int fd, const Mp3Probe& probe, Id3v2Fields& out) {
  out = {};
  if (probe.id3v2_major == 0) return true;
  TagLibFile tl;
  if (!tl.open(fd)) return false;
  if (tl.file->hasID3v2Tag()) fields_of(*tl.file->ID3v2Tag(), out);
  return true;
}

bool rendered_fields(const QByteArray& tag, Id3v2Fields& out) {
  out = {};
  TagLib::ByteVectorStream stream(TagLib::ByteVector(tag.constData(), static_cast<unsigned int>(tag.size())));
  TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!f.isValid() || !f.hasID3v2Tag()) return false;
  fields_of(*f.ID3v2Tag(), out);
  return true;
}

}  // namespace tn
