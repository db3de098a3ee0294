#include "tags/taglib_text.h"

#include <taglib/id3v2frame.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>

#include <QStringList>
#include <fcntl.h>
#include <memory>

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

}  // namespace tn
