#pragma once
// Real MP3 files made from scratch: a run of valid MPEG-1 Layer III frames of
// silence, optionally with an ID3v2 tag in front and an ID3v1 tag behind.
// The tag bytes are built by hand so that a test can put any raw bytes into a
// frame (legacy Shift-JIS in an ISO-8859-1 frame, for instance). Used by the
// tests, the benchmarks, the fuzz seed corpora and the demo folder.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tn::test {

// ID3v2 text encodings (the encoding byte of a text frame).
enum class Enc : char { latin1 = 0, utf16 = 1, utf16be = 2, utf8 = 3 };

// The bytes of text in an encoding (UTF-16 with its byte-order mark).
QByteArray encode(Enc enc, const QString& text);
// Shift-JIS (CP932) bytes of text, for legacy fixtures.
QByteArray sjis(const QString& text);

struct Id3Frame {
  QByteArray id;    // "TIT2"; three letters ("TT2") in a 2.2 tag
  QByteArray body;  // everything after the frame header
  char format = 0;  // 2.3, 2.4: the format flags (compression and so on), body to match
  char status = 0;  // 2.3, 2.4: the status flags (what to do with the frame when the tag changes)
};

// Frame bodies.
QByteArray text_body(Enc enc, const QString& text);
QByteArray raw_text_body(const QByteArray& bytes);  // encoding byte 0 + bytes as given
QByteArray comm_body(Enc enc, const QString& text, const QByteArray& lang = "jpn");
QByteArray uslt_body(Enc enc, const QString& lyrics, const QByteArray& lang = "jpn");
QByteArray txxx_body(Enc enc, const QString& description, const QString& value);
// A cover picture of `bytes` bytes of made-up JPEG data. In a 2.2 tag (PIC) the
// image format is three letters instead of a MIME type.
QByteArray picture_bytes(int bytes);
QByteArray apic_body(int bytes, int version = 3);

struct Id3v2 {
  int version = 3;  // 2, 3 or 4
  std::vector<Id3Frame> frames;
  int padding = 0;  // zero bytes after the last frame
  char flags = 0;   // of the header; 0x80 unsynchronises the whole tag (2.4: says its frames are)
  QByteArray extended_header{};  // before the first frame (flags 0x40 to go with it)
  // 2.4: frame sizes as plain integers, as iTunes wrote them for a while.
  bool plain_sizes = false;
  // Frame ids of the three text fields in this version.
  QByteArray title_id() const { return version == 2 ? "TT2" : "TIT2"; }
  QByteArray artist_id() const { return version == 2 ? "TP1" : "TPE1"; }
  QByteArray album_id() const { return version == 2 ? "TAL" : "TALB"; }
};

// Title, artist and album as text frames in one encoding; empty texts are left out.
Id3v2 text_tag(int version, Enc enc, const QString& title, const QString& artist,
               const QString& album, int padding = 0);
// The same with raw bytes in ISO-8859-1-marked frames.
Id3v2 raw_tag(int version, const QByteArray& title, const QByteArray& artist,
              const QByteArray& album, int padding = 0);
// Adds the usual extra frames: track, year, comment, genre, lyrics, a user
// text frame, an unknown frame (2.2: a composer) and (picture_size > 0) a
// cover picture.
void add_extras(Id3v2& tag, int picture_size = 0);
// A frame a field, from texts by the field's 2.3 frame id ("TRCK", "COMM",
// "TSO2"...): in a 2.2 tag its three-letter id, the year as TDRC in 2.4, the
// comment with an empty description; an empty text, no frame.
void add_fields(Id3v2& tag, Enc enc, const QMap<QByteArray, QString>& texts);

struct Id3v1 {
  QByteArray title, artist, album, year, comment;  // raw bytes, cut to the field
  int track = 0;                                    // nonzero: ID3v1.1
  int genre = 255;
};

// 128 kbps, 44.1 kHz, mono: every frame 417 bytes.
constexpr int k_frame_bytes = 417;

struct Mp3Spec {
  std::optional<Id3v2> v2;
  std::optional<Id3v1> v1;
  int audio_frames = 24;
};

QByteArray audio_frames(int count);
// Frames needed for about `bytes` bytes of audio.
inline int frames_for(qint64 bytes) { return static_cast<int>(bytes / k_frame_bytes) + 1; }
QByteArray id3v2_bytes(const Id3v2& tag);
// One frame, header included, as id3v2_bytes puts it into a tag.
QByteArray frame_bytes(int version, const Id3Frame& f);
// One frame as the tag stores it (its size plain where the tag's sizes are).
inline QByteArray frame_bytes(const Id3v2& tag, const Id3Frame& f) {
  return frame_bytes(tag.plain_sizes ? 3 : tag.version, f);
}
// Unsynchronised: a zero after every 0xFF that a zero or a frame sync follows.
QByteArray unsynchronise(const QByteArray& bytes);
// The body of a compressed frame (format 0x80 in 2.3, 0x09 in 2.4): the
// data length, then `body` through zlib.
QByteArray compressed_body(int version, const QByteArray& body);
QByteArray id3v1_bytes(const Id3v1& tag);
QByteArray mp3_bytes(const Mp3Spec& spec);

// Broken files.
enum class Broken {
  empty,          // zero bytes
  random_bytes,   // not MPEG at all
  text_file,      // a short text document
  id3_garbage,    // an ID3v2 tag, then bytes without frame sync
  truncated_tag,  // an ID3v2 tag whose size runs past the end of the file, within its first frame
  bad_sync,       // frame sync at the start, then an impossible header
};
QByteArray broken_bytes(Broken kind);

// Throws std::runtime_error when the file can't be written.
void write_file(const QString& path, const QByteArray& bytes);
QByteArray read_file(const QString& path);
// Writes spec to dir/name and returns the full path.
QString make_mp3(const QString& dir, const QString& name, const Mp3Spec& spec);

// The bytes between the ID3v2 tag (if any) and the ID3v1 tag or the end: the
// audio, which a tag write must leave byte for byte.
QByteArray audio_bytes(const QString& path);
QByteArray audio_bytes_of(const QByteArray& file);

// A file's tags as TagLib sees them, for checking writes.
struct TagDump {
  bool valid = false;
  int v2_version = 0;                    // 0: no ID3v2 tag
  QMap<QString, QStringList> v2_texts;   // frame id -> toString() of each frame
  QMap<QString, int> v2_encodings;       // text frame id -> encoding byte of its first frame
  QMap<QString, QByteArray> v2_raw;      // frame id -> raw Latin-1 bytes of its first text frame
  QStringList v2_ids;                    // frame ids in file order
  QByteArray picture;                    // data of the first APIC frame
  bool has_v1 = false;
  QByteArray v1_title, v1_artist, v1_album;  // raw bytes up to the first zero
  QByteArray v1_block;                       // all 128 bytes
  // TagLib's generic interface (FileRef).
  QString title, artist, album;
};
TagDump dump_tags(const QString& path);

}  // namespace tn::test
