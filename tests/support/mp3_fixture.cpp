#include "mp3_fixture.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/textidentificationframe.h>

#include <QFile>
#include <iconv.h>
#include <random>
#include <stdexcept>

namespace tn::test {

namespace {

QByteArray be32(quint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (24 - 8 * i));
  return b;
}

QByteArray synchsafe(quint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (21 - 7 * i)) & 0x7F);
  return b;
}

}  // namespace

QByteArray frame_bytes(int version, const Id3Frame& f) {
  const auto size = static_cast<quint32>(f.body.size());
  if (version == 2) {
    QByteArray h = f.id.left(3);
    h += be32(size).right(3);
    return h + f.body;
  }
  QByteArray h = f.id.left(4);
  h += version == 4 ? synchsafe(size) : be32(size);
  h += f.status;
  h += f.format;
  return h + f.body;
}

namespace {

QString from_tl(const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); }

QByteArray v1_field(const QByteArray& block, int offset, int width) {
  QByteArray f = block.mid(offset, width);
  const int zero = f.indexOf('\0');
  return zero < 0 ? f : f.left(zero);
}

}  // namespace

QByteArray encode(Enc enc, const QString& text) {
  switch (enc) {
    case Enc::latin1: return text.toLatin1();
    case Enc::utf8: return text.toUtf8();
    case Enc::utf16: {
      QByteArray b("\xFF\xFE", 2);
      for (const QChar c : text) {
        b += static_cast<char>(c.unicode() & 0xFF);
        b += static_cast<char>(c.unicode() >> 8);
      }
      return b;
    }
    case Enc::utf16be: {
      QByteArray b;
      for (const QChar c : text) {
        b += static_cast<char>(c.unicode() >> 8);
        b += static_cast<char>(c.unicode() & 0xFF);
      }
      return b;
    }
  }
  return {};
}

QByteArray sjis(const QString& text) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no CP932");
  QByteArray in = text.toUtf8();
  QByteArray out(in.size() * 2 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1))
    throw std::runtime_error("not encodable as CP932: " + text.toStdString());
  out.resize(static_cast<int>(op - out.data()));
  return out;
}

QByteArray text_body(Enc enc, const QString& text) {
  return QByteArray(1, static_cast<char>(enc)) + encode(enc, text);
}

QByteArray raw_text_body(const QByteArray& bytes) { return QByteArray(1, '\0') + bytes; }

static QByteArray terminator(Enc enc) {
  return enc == Enc::utf16 || enc == Enc::utf16be ? QByteArray(2, '\0') : QByteArray(1, '\0');
}

QByteArray comm_body(Enc enc, const QString& text, const QByteArray& lang) {
  // encoding, language, empty description, text
  return QByteArray(1, static_cast<char>(enc)) + lang.left(3) + encode(enc, QString()) +
         terminator(enc) + encode(enc, text);
}

QByteArray uslt_body(Enc enc, const QString& lyrics, const QByteArray& lang) {
  return comm_body(enc, lyrics, lang);
}

QByteArray txxx_body(Enc enc, const QString& description, const QString& value) {
  return QByteArray(1, static_cast<char>(enc)) + encode(enc, description) + terminator(enc) +
         encode(enc, value);
}

QByteArray picture_bytes(int bytes) {
  // A JPEG start and end marker around repeatable filler.
  QByteArray b("\xFF\xD8\xFF\xE0", 4);
  for (int i = 0; b.size() < bytes - 2; ++i) b += static_cast<char>((i * 37 + 11) & 0xFF);
  b += QByteArray("\xFF\xD9", 2);
  return b.left(std::max(bytes, 6));
}

QByteArray apic_body(int bytes, int version) {
  QByteArray b(1, '\0');  // Latin-1 description
  b += version == 2 ? QByteArray("JPG") : QByteArray("image/jpeg") + '\0';
  b += '\x03';  // front cover
  b += "cover";
  b += '\0';
  return b + picture_bytes(bytes);
}

Id3v2 text_tag(int version, Enc enc, const QString& title, const QString& artist,
               const QString& album, int padding) {
  Id3v2 t;
  t.version = version;
  t.padding = padding;
  const std::pair<QByteArray, QString> fields[] = {
      {t.title_id(), title}, {t.artist_id(), artist}, {t.album_id(), album}};
  for (const auto& [id, text] : fields)
    if (!text.isEmpty()) t.frames.push_back({id, text_body(enc, text)});
  return t;
}

Id3v2 raw_tag(int version, const QByteArray& title, const QByteArray& artist,
              const QByteArray& album, int padding) {
  Id3v2 t;
  t.version = version;
  t.padding = padding;
  const std::pair<QByteArray, QByteArray> fields[] = {
      {t.title_id(), title}, {t.artist_id(), artist}, {t.album_id(), album}};
  for (const auto& [id, bytes] : fields)
    if (!bytes.isEmpty()) t.frames.push_back({id, raw_text_body(bytes)});
  return t;
}

void add_extras(Id3v2& t, int picture_size) {
  const bool v2 = t.version == 2;
  const Enc enc = Enc::utf16;
  struct Extra {
    const char* id22;
    const char* id;
    QByteArray body;
  };
  const Extra extras[] = {
      {"TRK", "TRCK", text_body(Enc::latin1, QStringLiteral("7/12"))},
      {"TYE", t.version == 4 ? "TDRC" : "TYER", text_body(Enc::latin1, QStringLiteral("1998"))},
      {"COM", "COMM", comm_body(enc, QStringLiteral("コメントです"))},
      {"TCO", "TCON", text_body(Enc::latin1, QStringLiteral("J-Pop"))},
      {"ULT", "USLT", uslt_body(enc, QStringLiteral("歌詞の一行目\n二行目"))},
      {"TXX", "TXXX", txxx_body(enc, QStringLiteral("MOOD"), QStringLiteral("静か"))},
      {"XXX", "XXXX", QByteArray("\x01\x02unknown frame data\x00\xFF", 22)},
  };
  for (const Extra& e : extras) t.frames.push_back({v2 ? e.id22 : e.id, e.body});
  // A 2.2 frame of no standard has no 2.3 form, so a tag holding one can't
  // be upgraded whole: the 2.2 tag gets a composer instead.
  if (v2) t.frames.back() = {"TCM", text_body(Enc::latin1, QStringLiteral("Composer"))};
  if (picture_size > 0) t.frames.push_back({v2 ? "PIC" : "APIC", apic_body(picture_size, t.version)});
}

void add_fields(Id3v2& t, Enc enc, const QMap<QByteArray, QString>& texts) {
  static const QMap<QByteArray, QByteArray> id22{
      {"TIT2", "TT2"}, {"TALB", "TAL"}, {"TPE1", "TP1"}, {"TRCK", "TRK"}, {"TPOS", "TPA"},
      {"TYER", "TYE"}, {"TCON", "TCO"}, {"TPE2", "TP2"}, {"TCOM", "TCM"}, {"COMM", "COM"},
      {"TSOT", "TST"}, {"TSOA", "TSA"}, {"TSOP", "TSP"}, {"TSO2", "TS2"}};
  for (auto i = texts.begin(); i != texts.end(); ++i) {
    if (i.value().isEmpty()) continue;
    QByteArray id = t.version == 2 ? id22.value(i.key()) : i.key();
    if (t.version == 4 && id == "TYER") id = "TDRC";
    t.frames.push_back({id, i.key() == "COMM" ? comm_body(enc, i.value()) : text_body(enc, i.value())});
  }
}

QByteArray audio_frames(int count) {
  // MPEG-1 Layer III, 128 kbps, 44.1 kHz, no padding, mono; side information
  // and main data all zero: a frame of silence.
  QByteArray frame(k_frame_bytes, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  frame[3] = '\xC4';
  QByteArray out;
  out.reserve(count * k_frame_bytes);
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

QByteArray id3v2_bytes(const Id3v2& tag) {
  QByteArray body = tag.extended_header;
  for (const Id3Frame& f : tag.frames) body += frame_bytes(tag, f);
  body += QByteArray(tag.padding, '\0');
  // In 2.4 each frame is unsynchronised on its own (format flag 0x02).
  if ((tag.flags & 0x80) && tag.version < 4) body = unsynchronise(body);
  QByteArray h("ID3");
  h += static_cast<char>(tag.version);
  h += '\0';  // revision
  h += tag.flags;
  h += synchsafe(static_cast<quint32>(body.size()));
  return h + body;
}

QByteArray unsynchronise(const QByteArray& b) {
  QByteArray out;
  for (qsizetype i = 0; i < b.size(); ++i) {
    out += b[i];
    const char next = i + 1 < b.size() ? b[i + 1] : '\0';
    if (b[i] == '\xFF' && (next == '\0' || (static_cast<unsigned char>(next) & 0xE0) == 0xE0)) out += '\0';
  }
  return out;
}

QByteArray compressed_body(int version, const QByteArray& body) {
  const QByteArray z = qCompress(body).mid(4);  // the zlib stream, without Qt's size prefix
  const auto n = static_cast<quint32>(body.size());
  return (version == 4 ? synchsafe(n) : be32(n)) + z;
}

QByteArray id3v1_bytes(const Id3v1& t) {
  auto field = [](const QByteArray& b, int width) {
    QByteArray f = b.left(width);
    f.append(QByteArray(width - f.size(), '\0'));
    return f;
  };
  QByteArray b("TAG");
  b += field(t.title, 30) + field(t.artist, 30) + field(t.album, 30) + field(t.year, 4);
  if (t.track) {
    b += field(t.comment, 28);
    b += '\0';
    b += static_cast<char>(t.track);
  } else {
    b += field(t.comment, 30);
  }
  b += static_cast<char>(t.genre);
  return b;
}

QByteArray mp3_bytes(const Mp3Spec& spec) {
  QByteArray b;
  if (spec.v2) b += id3v2_bytes(*spec.v2);
  b += audio_frames(spec.audio_frames);
  if (spec.v1) b += id3v1_bytes(*spec.v1);
  return b;
}

QByteArray broken_bytes(Broken kind) {
  switch (kind) {
    case Broken::empty: return {};
    case Broken::random_bytes: {
      std::mt19937 rng(1234);
      QByteArray b(4096, '\0');
      for (char& c : b) c = static_cast<char>(rng() & 0xFF);
      b[0] = 'R';  // keep clear of a chance frame sync or "ID3" at the start
      return b;
    }
    case Broken::text_file:
      return QByteArray("これはMP3ではありません。ただのテキストです。\n").repeated(20);
    case Broken::id3_garbage: {
      QByteArray b = id3v2_bytes(text_tag(3, Enc::utf16, QStringLiteral("壊れた"), {}, {}, 16));
      for (int i = 0; i < 4000; ++i) b += static_cast<char>('A' + i % 26);
      return b;
    }
    case Broken::truncated_tag: {
      // Cut within its first frame: no text of it can be read.
      Id3v2 t = text_tag(3, Enc::utf16, QStringLiteral("途中で切れたタグ"), {}, {});
      add_extras(t, 3000);
      return id3v2_bytes(t).left(24);
    }
    case Broken::bad_sync: {
      QByteArray b = audio_frames(4);
      b[2] = '\xF0';  // bitrate index 15: no such bitrate
      return b;
    }
  }
  return {};
}

void write_file(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("can't write " + path.toStdString());
}

QByteArray read_file(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString make_mp3(const QString& dir, const QString& name, const Mp3Spec& spec) {
  const QString path = dir + (dir.endsWith('/') ? QString() : QStringLiteral("/")) + name;
  write_file(path, mp3_bytes(spec));
  return path;
}

QByteArray audio_bytes_of(const QByteArray& file) {
  qsizetype start = 0;
  if (file.size() >= 10 && file.startsWith("ID3")) {
    quint32 size = 0;
    for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<quint8>(file[i]) & 0x7F);
    start = 10 + size + ((static_cast<quint8>(file[5]) & 0x10) ? 10 : 0);
    // Padding past the declared size is not audio either.
    while (start < file.size() && file[start] == '\0') ++start;
  }
  qsizetype end = file.size();
  if (end - start >= 128 && file.mid(end - 128, 3) == "TAG") end -= 128;
  return start >= end ? QByteArray() : file.mid(start, end - start);
}

QByteArray audio_bytes(const QString& path) { return audio_bytes_of(read_file(path)); }

TagDump dump_tags(const QString& path) {
  TagDump d;
  const QByteArray name = QFile::encodeName(path);
  {
    TagLib::MPEG::File f(name.constData(), false);
    if (!f.isValid()) return d;
    d.valid = true;
    if (f.hasID3v2Tag()) {
      TagLib::ID3v2::Tag* t = f.ID3v2Tag();
      d.v2_version = static_cast<int>(t->header()->majorVersion());
      for (TagLib::ID3v2::Frame* fr : t->frameList()) {
        const QString id = QString::fromLatin1(fr->frameID().data(), fr->frameID().size());
        d.v2_ids << id;
        d.v2_texts[id] << from_tl(fr->toString());
        if (auto* a = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(fr);
            a && d.picture.isEmpty())
          d.picture = QByteArray(a->picture().data(), a->picture().size());
        if (auto* tf = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(fr);
            tf && !d.v2_encodings.contains(id)) {
          d.v2_encodings[id] = static_cast<int>(tf->textEncoding());
          if (tf->textEncoding() == TagLib::String::Latin1) {
            const TagLib::ByteVector raw = tf->toString().data(TagLib::String::Latin1);
            d.v2_raw[id] = QByteArray(raw.data(), raw.size());
          }
        }
      }
    }
  }
  const QByteArray bytes = read_file(path);
  if (bytes.size() >= 128 && bytes.right(128).startsWith("TAG")) {
    d.has_v1 = true;
    d.v1_block = bytes.right(128);
    d.v1_title = v1_field(d.v1_block, 3, 30);
    d.v1_artist = v1_field(d.v1_block, 33, 30);
    d.v1_album = v1_field(d.v1_block, 63, 30);
  }
  TagLib::FileRef ref(name.constData(), false);
  if (!ref.isNull() && ref.tag()) {
    d.title = from_tl(ref.tag()->title());
    d.artist = from_tl(ref.tag()->artist());
    d.album = from_tl(ref.tag()->album());
  }
  return d;
}

}  // namespace tn::test
