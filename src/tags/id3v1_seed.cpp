#include "tags/id3v1_seed.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include "tags/id3v1_block.h"
#include "tags/legacy_text.h"
#include "tags/taglib_text.h"

namespace tn {

namespace {

// A field up to its first zero, trailing blanks dropped, through the legacy decision.
QString v1_field(const QByteArray& block, int offset, int width) {
  QByteArray raw = block.mid(offset, width);
  const qsizetype zero = raw.indexOf('\0');
  if (zero >= 0) raw.truncate(zero);
  while (!raw.isEmpty() && raw.back() == ' ') raw.chop(1);
  return decode_legacy(raw);
}

}  // namespace

QByteArray id3v2_from_id3v1(const QByteArray& block) {
  if (block.size() != k_id3v1_size) return {};
  TagLib::ID3v2::Tag tag;
  auto add = [&](const char* id, const QString& text, TagLib::String::Type encoding) {
    if (text.isEmpty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
    frame->setText(to_taglib(text));
    tag.addFrame(frame);
  };
  // ID3v1.1: the comment's last two bytes a zero and the track.
  const bool v11 = block[125] == '\0' && block[126] != '\0';
  add("TYER", v1_field(block, 93, 4), TagLib::String::Latin1);
  if (v11) add("TRCK", QString::number(static_cast<unsigned char>(block[126])), TagLib::String::Latin1);
  add("TCON", from_taglib(TagLib::ID3v1::genre(static_cast<unsigned char>(block[127]))), TagLib::String::Latin1);
  const QString comment = v1_field(block, 97, v11 ? 28 : 30);
  if (!comment.isEmpty()) {
    auto* frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF16);
    frame->setLanguage("XXX");  // ID3v1 says none
    frame->setText(to_taglib(comment));
    tag.addFrame(frame);
  }
  if (tag.frameList().isEmpty()) return {};
  const TagLib::ByteVector b = tag.render(TagLib::ID3v2::v3);
  return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

}  // namespace tn
