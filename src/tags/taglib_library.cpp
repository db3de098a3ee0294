// The tag library over TagLib.
//
// Reading: our own probe of the file's start decides whether it is MPEG audio
// at all (TagLib would scan a whole file that does not start like one). The
// ID3v2 texts come from id3v2_reader, which reads only the frame headers and
// the three text frames; TagLib reads the tag (without audio properties) only
// when that reader can't say, for unusual tags. The ID3v1 block is read byte
// for byte. Text stored as ISO-8859-1 is decoded by legacy_text.
//
// Writing: a plain ID3v2.3 or 2.4 tag gets its new text frames planned from
// the frame headers (text_frames.h), without reading the rest of it. Any
// other tag is read once; TagLib parses it from memory and renders the new
// one. When the new tag has the old one's size, only the byte ranges that
// differ (ID3v2 and ID3v1 together) are overwritten in place, under a
// rollback journal (journal.h; the writes a run announces share one
// journal flush); otherwise a complete new file is written beside the old
// one and renamed over it (safe_write). The ID3v1
// block is patched field by field: TagLib's own ID3v1 renderer would turn an
// empty year into "0", cut a 30-byte comment to 28 and split double-byte
// characters.
//
// A write through a library that has the file open goes only into the file
// it opened: if the path names another file by then, nothing is written.
//
// Permissions are not changed here: the writers make a file owner-writable
// before they hand it to us (make_owner_writable), and a file we may not
// write is refused with cannot_open rather than replaced behind its owner's
// back.

#include <taglib/commentsframe.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <QStringList>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tags/id3v2_reader.h"
#include "tags/journal.h"
#include "tags/legacy_text.h"
#include "tags/mp3_probe.h"
#include "tags/safe_write.h"
#include "tags/tag_library.h"
#include "tags/text_frames.h"
#include "table/text.h"

namespace tn {

namespace {

constexpr int k_fields = 3;  // title, artist, album
constexpr const char* k_frame_ids[k_fields] = {"TIT2", "TPE1", "TALB"};
constexpr int k_v1_offsets[k_fields] = {3, 33, 63};
constexpr int k_v1_width = 30;

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& o) noexcept {
    reset();
    fd = o.fd;
    o.fd = -1;
    return *this;
  }
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// TagLib over a duplicate of our descriptor: it reads exactly the file we
// probed, even if the name is replaced meanwhile.
struct TagLibFile {
  std::unique_ptr<TagLib::FileStream> stream;
  std::unique_ptr<TagLib::MPEG::File> file;

  bool open(int fd, bool read_only) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return false;
    stream = std::make_unique<TagLib::FileStream>(copy, read_only);
    if (!stream->isOpen()) return false;
    file = std::make_unique<TagLib::MPEG::File>(
        stream.get(), TagLib::ID3v2::FrameFactory::instance(), false);
    return file->isValid() && (read_only || !file->readOnly());
  }
  void close() {
    file.reset();  // before the stream it reads from
    stream.reset();
  }
  ~TagLibFile() { close(); }
};

QString from_taglib(const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); }
TagLib::String to_taglib(const QString& s) { return TagLib::String(s.toStdString(), TagLib::String::UTF8); }

// The text of the first text frame with this id; Latin-1 frames through the
// legacy decision, one value at a time (or, with legacy false, as Latin-1, as
// other players show them).
QString frame_text(TagLib::ID3v2::Tag& tag, const char* id, bool legacy = true) {
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

QByteArray trim_blanks(QByteArray b) {
  while (!b.isEmpty() && b.back() == ' ') b.chop(1);
  return b;
}

// A field of the byte form up to its first zero, trailing blanks dropped.
QByteArray field_bytes(const char* field) {
  const void* zero = std::memchr(field, 0, k_tag_text_bytes);
  const int len = zero ? static_cast<int>(static_cast<const char*>(zero) - field) : k_tag_text_bytes;
  return trim_blanks(QByteArray(field, len));
}

FileIdentity identity_of(const struct stat& st, bool link) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
          static_cast<std::int64_t>(st.st_mtim.tv_nsec), link};
}

// Opens path; link tells whether its last part is a symbolic link (decided
// by the same open, so a link swapped in meanwhile can't slip through).
int open_noting_link(const QByteArray& path, int flags, bool& link) {
  const int fd = ::open(path.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
  link = fd < 0 && errno == ELOOP;
  return link ? ::open(path.constData(), flags | O_CLOEXEC) : fd;
}

// Whether the ID3v2 tag (all its bytes) holds an encrypted frame (2.2 frames
// have no flags). Frame headers are walked as TagLib walks them.
bool has_encrypted_frame(const QByteArray& tag_bytes, const Mp3Probe& probe) {
  if (probe.id3v2_major < 3) return false;
  if (tag_bytes.size() < 10) return true;
  const bool v4 = probe.id3v2_major == 4;
  const auto flags = static_cast<unsigned char>(tag_bytes[5]);
  const std::int64_t body_size = probe.id3v2_size - 10 - (v4 && (flags & 0x10) ? 10 : 0);
  if (body_size < 0 || body_size > tag_bytes.size() - 10) return true;
  QByteArray body = tag_bytes.mid(10, static_cast<qsizetype>(body_size));
  if (!v4 && (flags & 0x80)) body.replace(QByteArray("\xFF\x00", 2), QByteArray("\xFF"));
  auto u = [&](qsizetype i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(body[i])); };
  auto size_at = [&](qsizetype i, bool synchsafe) {
    return synchsafe ? u(i) << 21 | u(i + 1) << 14 | u(i + 2) << 7 | u(i + 3)
                     : u(i) << 24 | u(i + 1) << 16 | u(i + 2) << 8 | u(i + 3);
  };
  qsizetype pos = 0;
  if ((flags & 0x40) && body.size() >= 4) pos = v4 ? size_at(0, true) : size_at(0, false) + 4;
  while (pos + 10 <= body.size() && body[pos] != '\0') {
    if (static_cast<unsigned char>(body[pos + 9]) & (v4 ? 0x04 : 0x40)) return true;
    pos += 10 + static_cast<qsizetype>(size_at(pos + 4, v4));
  }
  return false;
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

// Pads a tag TagLib rendered to `size` bytes when its frames fit: TagLib's
// own padding follows the size of the file it read (a percent of it), not
// the room the old tag leaves, and would send a write that fits to the
// rewrite path. TagLib renders neither unsynchronisation nor an extended
// header; a tag with a footer is left as it is.
void fit_to_size(TagLib::ByteVector& tag, std::int64_t size, bool v4) {
  if (tag.size() < 10 || (static_cast<unsigned char>(tag[5]) & 0x10) || size < 10 ||
      size > 0x0FFFFFFF + 10)
    return;
  auto u = [&](unsigned int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(tag[i])); };
  std::int64_t end = 10;  // where the frames end
  while (end + 10 <= tag.size() && tag[static_cast<unsigned int>(end)] != '\0') {
    const auto i = static_cast<unsigned int>(end) + 4;
    const std::uint32_t n = v4 ? u(i) << 21 | u(i + 1) << 14 | u(i + 2) << 7 | u(i + 3)
                               : u(i) << 24 | u(i + 1) << 16 | u(i + 2) << 8 | u(i + 3);
    end += 10 + n;
  }
  if (end > size || end > tag.size()) return;
  tag.resize(static_cast<unsigned int>(end));
  tag.resize(static_cast<unsigned int>(size), '\0');
  const auto body = static_cast<std::uint32_t>(size - 10);
  for (int k = 0; k < 4; ++k) tag[static_cast<unsigned int>(6 + k)] = static_cast<char>((body >> (7 * (3 - k))) & 0x7F);
}

// Title, artist and album of a rendered tag, as a read of the file would give them.
bool rendered_texts(const TagLib::ByteVector& rendered, std::array<QString, k_fields>& out) {
  TagLib::ByteVectorStream stream(rendered);
  TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!f.isValid() || !f.hasID3v2Tag()) return false;
  for (int i = 0; i < k_fields; ++i) out[i] = frame_text(*f.ID3v2Tag(), k_frame_ids[i]);
  return true;
}

enum class Source { none, id3v2, id3v1 };

class TaglibLibrary final : public TagLibrary {
 public:
  int vbmp3_open(const QByteArray& path, OpenRecordBytes& info) override;
  int vbmp3_getTagInfo(TagRecordBytes& record) override;
  int vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record, int, int) override;
  void vbmp3_close() override;
  int vbmp3_getLastErrorNo() override { return last_error_; }
  std::optional<FileIdentity> open_file_identity() const override {
    return is_open_ ? std::optional(identity_) : std::nullopt;
  }
  void announce_write(const QByteArray& path, const TagRecordBytes& record, int from_table) override {
    const int error = last_error_;
    write_tags(path, record, from_table, Mode::announce);
    last_error_ = error;
  }
  QByteArrayList finish_writes() override {
    recovered_folder_.clear();
    return in_place_.finish();
  }

 private:
  // announce: everything up to the write, which is staged if in place.
  enum class Mode { write, announce };

  int fail(int error) {
    last_error_ = error;
    return 0;
  }
  int write_in_place(const QByteArray& path, int fd, const struct stat& st, std::vector<Patch> patches,
                     Mode mode) {
    if (mode == Mode::announce) {
      in_place_.stage(path, fd, st, std::move(patches));
      return 1;
    }
    if (!in_place_.write(path, fd, st, patches)) return fail(tag_error::write_failed);
    last_error_ = tag_error::none;
    return 1;
  }
  int write_tags(const QByteArray& path, const TagRecordBytes& record, int from_table, Mode mode);
  // A complete new file: the tag write_tag writes (tag_size bytes), the
  // audio [audio_begin, audio_end) of fd, the ID3v1 block v1 (or none).
  int rewrite(const QByteArray& path, int fd, const struct stat& st, std::int64_t tag_size,
              std::int64_t audio_begin, std::int64_t audio_end, const QByteArray& v1,
              const std::function<bool(int)>& write_tag);

  // The open file.
  bool is_open_ = false;
  QByteArray open_path_;
  Fd fd_;
  Mp3Probe probe_;
  FileIdentity identity_;

  // Writing: the journal of in-place writes, the folder whose leftovers of
  // dead writers were last cleared, and the old tag's bytes (kept, like the
  // heap, from file to file).
  InPlaceWriter in_place_;
  QByteArray recovered_folder_;
  QByteArray old_tag_;

  // What the last tag read returned, so that a field handed back unchanged is
  // left in the file as it is.
  struct LastRead {
    QByteArray path;
    struct stat st {};
    std::array<QByteArray, k_fields> bytes;  // as returned, trailing blanks dropped
    std::array<QString, k_fields> text;      // the file's whole text
    std::array<Source, k_fields> source{};
    std::array<bool, k_fields> cut{};        // longer than the record holds
  };
  std::optional<LastRead> last_read_;

  int last_error_ = tag_error::none;
};

int TaglibLibrary::vbmp3_open(const QByteArray& path, OpenRecordBytes& info) {
  vbmp3_close();
  info = empty_open_bytes();
  bool link = false;
  Fd fd(open_noting_link(path, O_RDONLY, link));
  struct stat st;
  if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0) return fail(tag_error::cannot_open);
  const Mp3Probe probe = probe_mp3(fd.fd);
  if (probe.error) return fail(probe.error);
  // A broken tag still opens; reading it then reports the failure.
  is_open_ = true;
  open_path_ = path;
  fd_ = std::move(fd);
  probe_ = probe;
  identity_ = identity_of(st, link);
  last_error_ = tag_error::none;
  return 1;
}

int TaglibLibrary::vbmp3_getTagInfo(TagRecordBytes& record) {
  if (!is_open_) return fail(tag_error::no_file_open);
  if (probe_.tag_broken) return fail(tag_error::read_failed);
  struct stat st;
  if (::fstat(fd_.fd, &st) != 0) return fail(tag_error::read_failed);

  LastRead lr;
  lr.path = open_path_;
  lr.st = st;
  if (probe_.id3v2_major) {
    Id3v2Texts v2;
    switch (read_id3v2_texts(fd_.fd, probe_, v2)) {
      case Id3v2Read::done: break;
      case Id3v2Read::read_error: return fail(tag_error::read_failed);
      case Id3v2Read::cannot_say:
        if (!read_id3v2_texts_taglib(fd_.fd, v2)) return fail(tag_error::read_failed);
        break;
    }
    for (int i = 0; i < k_fields; ++i) {
      lr.text[i] = v2[i];
      if (!lr.text[i].isEmpty()) lr.source[i] = Source::id3v2;
    }
  }
  if (probe_.has_id3v1) {
    char block[128];
    if (!read_exact(fd_.fd, probe_.file_size - 128, block, sizeof block))
      return fail(tag_error::read_failed);
    for (int i = 0; i < k_fields; ++i) {
      if (lr.source[i] != Source::none) continue;
      QByteArray raw(block + k_v1_offsets[i], k_v1_width);
      const int zero = raw.indexOf('\0');
      if (zero >= 0) raw.truncate(zero);
      lr.text[i] = decode_legacy(trim_blanks(raw));
      if (!lr.text[i].isEmpty()) lr.source[i] = Source::id3v1;
    }
  }
  // Every field is filled, so a reused record never carries another file's text.
  record = empty_tag_bytes();
  char* fields[k_fields] = {record.title, record.artist, record.album};
  for (int i = 0; i < k_fields; ++i) {
    const QString shown = first_chars(lr.text[i], k_tag_text_chars);
    lr.cut[i] = shown.size() < lr.text[i].size();
    set_field(fields[i], k_tag_text_bytes, shown);
    lr.bytes[i] = field_bytes(fields[i]);
  }
  last_read_ = std::move(lr);
  last_error_ = tag_error::none;
  return 1;
}

void TaglibLibrary::vbmp3_close() {
  fd_.reset();
  is_open_ = false;
  open_path_.clear();
  probe_ = Mp3Probe{};
}

int TaglibLibrary::vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record,
                                    int from_table, int) {
  const int ok = write_tags(path, record, from_table, Mode::write);
  // The file has changed (or may have): what was read no longer describes it,
  // and an open handle on it is renewed.
  last_read_.reset();
  if (is_open_ && open_path_ == path) {
    const int error = last_error_;
    OpenRecordBytes info;
    const QByteArray p = open_path_;
    vbmp3_open(p, info);
    last_error_ = error;
  }
  return ok;
}

int TaglibLibrary::write_tags(const QByteArray& path, const TagRecordBytes& record,
                              int from_table, Mode mode) {
  // What dead writers left in this folder goes first: a journal's file must
  // be rolled back before anything else is written into it.
  const QByteArray folder = folder_of(path);
  if (folder != recovered_folder_) {
    recover_folder(folder);
    recovered_folder_ = folder;
  }
  bool link = false;
  Fd fd(open_noting_link(path, O_RDWR, link));
  if (fd.fd < 0) return fail(tag_error::cannot_open);
  struct stat st;
  if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) return fail(tag_error::cannot_open);
  if (is_open_ && open_path_ == path && identity_of(st, link) != identity_)
    return fail(tag_error::changed_on_disk);
  // The owner's write bit decides, for root too: the rewrite path could
  // otherwise replace a file its owner marked read-only.
  if (!(st.st_mode & S_IWUSR)) return fail(tag_error::cannot_open);
  const Mp3Probe probe = probe_mp3(fd.fd);
  if (probe.error) return fail(probe.error);
  if (probe.tag_broken) return fail(tag_error::read_failed);

  // The new texts. A field handed back as last read means the file's whole
  // text (the record holds only its first 128 characters). A field the caller
  // did not take from the table stays in the file byte for byte; one it took
  // is stored as the table shows it, unless it is a longer text come back
  // unchanged.
  const char* fields[k_fields] = {record.title, record.artist, record.album};
  constexpr int k_bits[k_fields] = {field_bit::title, field_bit::artist, field_bit::album};
  const bool known = last_read_ && last_read_->path == path && same_file(last_read_->st, st);
  std::array<QString, k_fields> text;
  std::array<bool, k_fields> written{}, kept{};
  for (int i = 0; i < k_fields; ++i) {
    const QByteArray bytes = field_bytes(fields[i]);
    const bool unchanged = known && bytes == last_read_->bytes[i];
    text[i] = unchanged ? last_read_->text[i] : QString::fromUtf8(bytes);
    written[i] = (from_table & k_bits[i]) != 0;
    kept[i] = unchanged && (!written[i] || last_read_->cut[i]);
  }

  // The ID3v1 block, patched only in the fields that change.
  QByteArray v1, v1_old;
  bool v1_changed = false;
  if (probe.has_id3v1) {
    v1.resize(128);
    if (!read_exact(fd.fd, probe.file_size - 128, v1.data(), 128)) return fail(tag_error::read_failed);
    v1_old = v1;
    for (int i = 0; i < k_fields; ++i) {
      if (kept[i] && !written[i]) continue;
      QByteArray b = id3v1_field_bytes(text[i], k_v1_width);
      b.append(QByteArray(k_v1_width - b.size(), '\0'));
      v1.replace(k_v1_offsets[i], k_v1_width, b);
    }
    v1_changed = v1 != v1_old;
  }

  // A plain tag gets its new text frames from their headers alone
  // (text_frames.h), in place; any other goes through TagLib below.
  std::array<WantedText, k_fields> wanted;
  for (int i = 0; i < k_fields; ++i)
    wanted[i] = {text[i], kept[i], kept[i] && !written[i] && last_read_->source[i] == Source::id3v1};
  std::vector<Patch> patches;
  std::vector<TagPiece> grown;
  const std::int64_t audio_end = probe.file_size - (probe.has_id3v1 ? 128 : 0);
  switch (plan_text_frames(fd.fd, probe, wanted, patches, grown)) {
    case Planned::patches:
      if (v1_changed) add_patches(patches, probe.file_size - 128, v1_old, v1);
      return write_in_place(path, fd.fd, st, std::move(patches), mode);
    case Planned::grown: {
      if (mode == Mode::announce) return 1;
      std::int64_t size = 0;
      for (const TagPiece& p : grown) size += p.size;
      return rewrite(path, fd.fd, st, size, probe.id3v2_size, audio_end, v1,
                     [&](int out) { return write_pieces(fd.fd, grown, out); });
    }
    case Planned::read_error: return fail(tag_error::read_failed);
    case Planned::taglib: break;
  }
  // Unusual tags and rewrites are journaled, if at all, on their own.
  if (mode == Mode::announce) return 1;

  // The old tag, read once: TagLib parses it from memory, and the new one is
  // compared with it. Only the tag at the start counts (TagLib would find
  // one inside the audio too, where no player looks).
  const std::int64_t old_v2_size = probe.id3v2_major ? probe.id3v2_size : 0;
  old_tag_.resize(static_cast<qsizetype>(old_v2_size));
  if (!read_exact(fd.fd, 0, old_tag_.data(), static_cast<std::size_t>(old_tag_.size())))
    return fail(tag_error::read_failed);
  TagLib::ByteVectorStream old_stream(
      TagLib::ByteVector(old_tag_.constData(), static_cast<unsigned int>(old_tag_.size())));
  std::optional<TagLib::MPEG::File> parsed;
  TagLib::ID3v2::Tag no_tag;
  if (old_v2_size > 0) {
    parsed.emplace(&old_stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!parsed->isValid() || !parsed->hasID3v2Tag()) return fail(tag_error::read_failed);
  }
  const bool had_v2 = parsed.has_value();
  const auto version = probe.id3v2_major == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
  TagLib::ID3v2::Tag& tag = had_v2 ? *parsed->ID3v2Tag() : no_tag;

  bool v2_changed = false;
  auto add_text = [&](const char* id, const QString& value, TagLib::String::Type encoding) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
    frame->setText(to_taglib(value));
    tag.addFrame(frame);
    v2_changed = true;
  };
  for (int i = 0; i < k_fields; ++i) {
    const char* id = k_frame_ids[i];
    const TagLib::String::Type encoding = unicode_encoding(tag, id, version);
    if (kept[i]) {
      // Text shown from the ID3v1 tag goes into ID3v2 as well: most players
      // look no further once there is an ID3v2 tag.
      if (!written[i] && last_read_->source[i] == Source::id3v1 && tag.frameListMap()[id].isEmpty())
        add_text(id, text[i], encoding);
      continue;
    }
    // A frame that every player already shows as the table does stays as it
    // is; one they would show otherwise (Shift-JIS marked as Latin-1, above
    // all) is stored again in Unicode.
    if (tag.frameListMap()[id].size() <= 1 && frame_text(tag, id, false) == text[i]) continue;
    // A new text of the frame's size is put into the frame where it stands,
    // so that an in-place write changes only its bytes; one of another size
    // moves to the end of the tag, beside the padding, where it can change
    // again without moving the frames behind it (a cover picture).
    if (!text[i].isEmpty() && replace_same_size(tag, id, to_taglib(text[i]), encoding)) {
      v2_changed = true;
      continue;
    }
    if (!tag.frameListMap()[id].isEmpty()) {
      tag.removeFrames(id);
      v2_changed = true;
    }
    // An empty field removes the frame: players show a missing frame as empty,
    // while an empty one is dropped by some writers and shown oddly by others.
    if (!text[i].isEmpty()) add_text(id, text[i], encoding);
  }

  if (!v2_changed && !v1_changed) {
    last_error_ = tag_error::none;
    return 1;
  }

  // TagLib writes an encrypted frame back with its flags cleared, so players
  // would read the ciphertext as the frame's text. Such a tag is left alone.
  if (v2_changed && has_encrypted_frame(old_tag_, probe)) return fail(tag_error::write_failed);
  // A frame with an encoding byte of no known encoding is read as UTF-16, but
  // TagLib renders its text as nothing: a field the user never touched would
  // be emptied by the write. Store it as the UTF-16 it was read as. (The byte
  // comes through as a signed char: 0xE5 is a negative type, and is turned
  // into an int at once, as no String::Type variable may hold it.)
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
  // No tag is written only where there was none and no frame is to be added:
  // "no frame" rather than TagLib's isEmpty(), which looks at the basic fields
  // only and would drop a tag holding just a cover picture. A tag left
  // without frames stays as an empty one: bytes between it and the first
  // audio frame would otherwise start the file, which then reads as no MP3.
  const bool v2_empty = !had_v2 && tag.frameList().isEmpty();
  TagLib::ByteVector rendered = v2_empty ? TagLib::ByteVector() : tag.render(version);
  // TagLib drops or damages some frames as it renders them (one flagged to be
  // discarded when the tag changes, for one). What the table shows must come
  // back from the new tag: a kept field as it was read, a changed one as
  // written. A field that does not is stored again as a plain frame.
  for (int round = 0; v2_changed && !v2_empty; ++round) {
    std::array<QString, k_fields> back;
    if (!rendered_texts(rendered, back)) return fail(tag_error::write_failed);
    bool repaired = false;
    for (int i = 0; i < k_fields; ++i) {
      const QString& want = text[i];
      if (back[i] == want) continue;
      if (round > 0) return fail(tag_error::write_failed);
      tag.removeFrames(k_frame_ids[i]);
      if (!want.isEmpty()) add_text(k_frame_ids[i], want, TagLib::String::UTF16);
      repaired = true;
    }
    if (!repaired) break;
    rendered = tag.render(version);
  }
  if (v2_changed && had_v2 && !v2_empty) fit_to_size(rendered, old_v2_size, version == TagLib::ID3v2::v4);
  const QByteArray new_v2 = QByteArray::fromRawData(rendered.data(), static_cast<int>(rendered.size()));

  if (!v2_changed || (had_v2 && !v2_empty && new_v2.size() == old_v2_size)) {
    // Fits the old space: the bytes that differ, ID3v2 and ID3v1 in one
    // journaled write; the audio is not moved. (Written ourselves: TagLib's
    // save() strips a tag its isEmpty() calls empty, cover picture and all.)
    patches.clear();
    if (v2_changed) add_patches(patches, 0, old_tag_, new_v2);
    if (v1_changed) add_patches(patches, probe.file_size - 128, v1_old, v1);
    return write_in_place(path, fd.fd, st, std::move(patches), mode);
  }

  // Does not fit: a complete new file.
  return rewrite(path, fd.fd, st, new_v2.size(), old_v2_size, audio_end, v1, [&](int out) {
    return write_all(out, new_v2.constData(), static_cast<std::size_t>(new_v2.size()));
  });
}

int TaglibLibrary::rewrite(const QByteArray& path, int fd, const struct stat& st, std::int64_t tag_size,
                           std::int64_t audio_begin, std::int64_t audio_end, const QByteArray& v1,
                           const std::function<bool(int)>& write_tag) {
  // Beside the old file, renamed over it. Through a symbolic link the file
  // it points to is replaced, not the link.
  char real[PATH_MAX];
  if (!::realpath(path.constData(), real)) return fail(tag_error::cannot_open);
  const std::int64_t expected = tag_size + (audio_end - audio_begin) + v1.size();
  const bool replaced = replace_file(real, st, [&](int out) {
    if (!write_tag(out)) return false;
    if (!copy_range(fd, audio_begin, audio_end - audio_begin, out)) return false;
    if (!v1.isEmpty() && !write_all(out, v1.constData(), 128)) return false;
    struct stat ts;
    if (::fstat(out, &ts) != 0 || ts.st_size != expected) {
      errno = EIO;
      return false;
    }
    return true;
  });
  if (!replaced) return fail(tag_error::write_failed);
  last_error_ = tag_error::none;
  return 1;
}

}  // namespace

bool read_id3v2_texts_taglib(int fd, Id3v2Texts& texts) {
  texts = {};
  TagLibFile tl;
  if (!tl.open(fd, true)) return false;
  TagLib::MPEG::File& f = *tl.file;
  if (!f.hasID3v2Tag()) return true;
  for (int i = 0; i < k_fields; ++i) texts[i] = frame_text(*f.ID3v2Tag(), k_frame_ids[i]);
  return true;
}

std::unique_ptr<TagLibrary> make_taglib_library() {
  // TagLib copies a cover picture several times per write. glibc would map
  // and unmap each such block (and trim the heap) file after file, costing
  // page faults for every byte; held, the memory is reused.
  static const bool held = [] {
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    return true;
  }();
  (void)held;
  return std::make_unique<TaglibLibrary>();
}

}  // namespace tn
