#include "tags/id3v2_fields.h"

#include <taglib/id3v1genres.h>

#include <cstring>
#include <vector>

#include "tags/frame_text.h"
#include "tags/taglib_text.h"

namespace tn {

namespace {

struct FieldFrames {
  Field field;
  const char* id;     // 2.3 and 2.4
  const char* id_22;  // 2.2, and iTunes' 2.3 tags
};

// The year has two ids (TYER, TDRC: below) and one 2.2 id.
constexpr FieldFrames k_frames[] = {
    {Field::title, "TIT2", "TT2"},       {Field::album, "TALB", "TAL"},
    {Field::artist, "TPE1", "TP1"},      {Field::track, "TRCK", "TRK"},
    {Field::disc, "TPOS", "TPA"},        {Field::year, "TYER", "TYE"},
    {Field::genre, "TCON", "TCO"},       {Field::album_artist, "TPE2", "TP2"},
    {Field::composer, "TCOM", "TCM"},    {Field::comment, "COMM", "COM"},
    {Field::title_sort, "TSOT", "TST"},  {Field::album_sort, "TSOA", "TSA"},
    {Field::artist_sort, "TSOP", "TSP"}, {Field::album_artist_sort, "TSO2", "TS2"},
};

// Title, artist and album come from the walk itself, in its order.

bool walked(Field f) { return f == Field::title || f == Field::artist || f == Field::album; }

// A frame's text, with the legacy decision and as ISO-8859-1.
struct Decoded {
  std::optional<QString> text, latin1;
};
Decoded decode(Field f, const unsigned char* d, std::int64_t n) {
  // Only ISO-8859-1 has another reading.
  const bool latin1 = n > 0 && d[0] == 0;
  if (f == Field::comment) return {comment_of(d, n, true), latin1 ? comment_of(d, n, false) : std::nullopt};
  return {text_of_frame(d, n, true), latin1 ? text_of_frame(d, n, false) : std::nullopt};
}

// Reads of the first bytes of a tag from one buffer: the walk's first
// window and the bodies of the frames near the start share one read.
class HeadCache {
 public:
  HeadCache(const TagBytes& bytes, std::int64_t present) : bytes_(bytes), present_(present) {}
  TagBytes reader() {
    return [this](std::int64_t offset, void* buf, std::size_t n) {
      const auto end = offset + static_cast<std::int64_t>(n);
      if (offset >= 0 && end <= k_head && end <= present_) {
        if (head_.isEmpty()) {
          head_.resize(static_cast<qsizetype>(std::min(k_head, present_)));
          if (!bytes_(0, head_.data(), static_cast<std::size_t>(head_.size()))) {
            head_.clear();
            return false;
          }
        }
        std::memcpy(buf, head_.constData() + offset, n);
        return true;
      }
      return bytes_(offset, buf, n);
    };
  }

 private:
  static constexpr std::int64_t k_head = 8192;
  const TagBytes& bytes_;
  std::int64_t present_;
  QByteArray head_;
};

void take(Id3v2Fields& out, PerField<bool>& seen, Field f, const Decoded& d) {
  if (!d.text) return;
  seen[f] = true;
  out.text[f] = f == Field::genre ? genre_shown(*d.text) : *d.text;
  out.legacy[f] = d.latin1 && *d.latin1 != *d.text;
}

}  // namespace

std::optional<QString> comment_of(const unsigned char* d, std::int64_t n, bool legacy) {
  if (n < 4) return std::nullopt;
  const int enc = d[0];
  const bool wide = enc == 1 || enc == 2;
  std::int64_t end = 4;  // past the description's terminator
  if (wide) {
    while (end + 1 < n && (d[end] | d[end + 1])) end += 2;
    end += 2;
  } else {
    while (end < n && d[end]) ++end;
    end += 1;
  }
  // A description the frame ends in, without its terminator: TagLib reads
  // neither description nor text, an empty comment, and shows it.
  if (end > n) return QString();
  const bool empty_description = wide ? end == 6 || (end == 8 && (d[4] == 0xFF || d[4] == 0xFE)) : end == 5;
  if (!empty_description) return std::nullopt;
  if (end >= n) return QString();
  QByteArray text(1, static_cast<char>(enc));
  text.append(reinterpret_cast<const char*>(d + end), static_cast<qsizetype>(n - end));
  const std::optional<QString> shown =
      text_of_frame(reinterpret_cast<const unsigned char*>(text.constData()), text.size(), legacy);
  // A text of a known encoding that does not decode (UTF-16 with a lone
  // surrogate): TagLib shows this comment, empty, not the next one.
  return shown || enc > 3 ? shown : QString();
}

const char* frame_id_of(Field f, int version) {
  if (f == Field::year && version >= 4) return "TDRC";
  for (const FieldFrames& ff : k_frames)
    if (ff.field == f) return ff.id;
  return "";
}

std::optional<Field> field_of_frame(const char id[4]) {
  if (std::memcmp(id, "TDRC", 4) == 0) return Field::year;
  const bool short_id = id[3] == '\0';
  for (const FieldFrames& ff : k_frames)
    if (std::memcmp(id, short_id ? ff.id_22 : ff.id, short_id ? 3 : 4) == 0) return ff.field;
  return std::nullopt;
}

QString genre_shown(const QString& stored) {
  // "(13)", "(13)Britpop", "(RX)", or "13".
  QString number = stored;
  const qsizetype close = stored.startsWith(QLatin1Char('(')) ? stored.indexOf(QLatin1Char(')')) : -1;
  if (close > 1) {
    if (close + 1 < stored.size()) return stored.mid(close + 1);
    number = stored.mid(1, close - 1);
    if (number == QLatin1String("RX")) return QStringLiteral("Remix");
    if (number == QLatin1String("CR")) return QStringLiteral("Cover");
  }
  bool ok = false;
  const int n = number.toInt(&ok);
  if (!ok || n < 0 || n > 255) return stored;
  const QString name = from_taglib(TagLib::ID3v1::genre(n));
  return name.isEmpty() ? stored : name;
}

Id3v2Read read_id3v2_fields(const TagBytes& bytes, int version, std::int64_t tag_size, std::int64_t present,
                            Id3v2Fields& out) {
  out = {};
  HeadCache cache(bytes, std::min(present, tag_size));
  const TagBytes read = cache.reader();
  Id3v2Texts texts;
  Id3v2Layout layout;
  const Id3v2Read r = walk_id3v2(read, version, tag_size, texts, &layout, present);
  if (r != Id3v2Read::done) return r;
  for (int i = 0; i < 3; ++i) {
    out.text[k_three[i]] = texts[static_cast<std::size_t>(i)];
    out.legacy[k_three[i]] = !texts[static_cast<std::size_t>(i)].isEmpty() &&
                              layout.shown_as_latin1[static_cast<std::size_t>(i)] != texts[static_cast<std::size_t>(i)];
  }
  // A tag whose frames are not stored as they are is walked again for
  // their contents (rare: unsynchronised or compressed frames).
  if (!layout.plain) {
    Id3v2Texts again;
    layout = {};
    layout.with_content = true;
    if (walk_id3v2(read, version, tag_size, again, &layout, present) != Id3v2Read::done) return Id3v2Read::done;
  }
  const std::int64_t head = version == 2 ? 6 : 10;
  PerField<bool> seen;
  std::vector<unsigned char> body;
  for (const Id3v2Frame& frame : layout.frames) {
    const std::optional<Field> f = field_of_frame(frame.id.data());
    if (!f || walked(*f) || seen[*f] || !frame.readable || frame.size <= head) continue;
    if (layout.with_content) {
      const auto* d = reinterpret_cast<const unsigned char*>(frame.content.constData());
      take(out, seen, *f, decode(*f, d, frame.content.size()));
      continue;
    }
    body.resize(static_cast<std::size_t>(frame.size - head));
    if (!read(frame.offset + head, body.data(), body.size())) continue;
    take(out, seen, *f, decode(*f, body.data(), static_cast<std::int64_t>(body.size())));
  }
  return Id3v2Read::done;
}

Id3v2Read read_id3v2_fields(int fd, const Mp3Probe& probe, Id3v2Fields& out) {
  out = {};
  if (probe.id3v2_major == 0) return Id3v2Read::done;
  const std::int64_t present = probe.tag_cut ? probe.file_size : probe.id3v2_size;
  return read_id3v2_fields(file_bytes(fd, probe.id3v2_offset), probe.id3v2_major, probe.id3v2_size, present, out);
}

}  // namespace tn
