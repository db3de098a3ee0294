// The tag library on real MP3 files made on the fly, read back through the
// library itself and through TagLib.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mp3_fixture.h"
#include "unusual_tags.h"
#include "durable/journal.h"
#include "tags/legacy_text.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"
#include "text/text.h"

using namespace tn;
using namespace tn::test;

Q_DECLARE_METATYPE(tn::test::Mp3Spec)
Q_DECLARE_METATYPE(tn::test::Broken)

namespace {

struct Read {
  int open = 0, get = 0, error = 0;
  bool without_audio = false;
  TagRecord tag;
};

Read read_with(TagLibrary& lib, const QString& path) {
  Read r;
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes rec = empty_tag_bytes();
  r.open = lib.vbmp3_open(QFile::encodeName(path), info);
  if (r.open) r.get = lib.vbmp3_getTagInfo(rec);
  r.error = lib.vbmp3_getLastErrorNo();
  r.without_audio = lib.open_file_without_audio();
  lib.vbmp3_close();
  r.tag = from_bytes(rec);
  return r;
}

// A cell text as the writers hand it over: blanks up to 128 characters.
void put_text(char* field, const QString& text) {
  QString padded = first_chars(text, 128);
  padded += QString(128 - char_count(padded), QLatin1Char(' '));
  set_field(field, k_tag_text_bytes, padded);
}

enum Field { title = field_bit::title, artist = field_bit::artist, album = field_bit::album,
             all = field_bit::all };

// What the writers do: open, read, write the chosen fields (the others as
// read), close. Returns setTagInfo's result; error gets the error number.
int write_with(TagLibrary& lib, const QString& path, int fields, const TagRecord& texts,
               int* error = nullptr) {
  const QByteArray p = QFile::encodeName(path);
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes current = empty_tag_bytes();
  TagRecordBytes fresh = empty_tag_bytes();
  lib.vbmp3_open(p, info);
  lib.vbmp3_getTagInfo(current);
  fresh = current;
  if (fields & title) put_text(fresh.title, texts.title);
  if (fields & artist) put_text(fresh.artist, texts.artist);
  if (fields & album) put_text(fresh.album, texts.album);
  const int ok = lib.vbmp3_setTagInfo(p, fresh, fields, 1);
  if (error) *error = lib.vbmp3_getLastErrorNo();
  lib.vbmp3_close();
  lib.finish_writes();
  return ok;
}

// The track number writer's call, after a read.
bool write_track(TagLibrary& lib, const QString& path, const QString& track) {
  const QByteArray p = QFile::encodeName(path);
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes current = empty_tag_bytes();
  lib.vbmp3_open(p, info);
  lib.vbmp3_getTagInfo(current);
  const int ok = lib.set_track_number(p, current, track);
  lib.vbmp3_close();
  lib.finish_writes();
  return ok != 0;
}
constexpr int k_track = 8;  // beyond field_bit: the track number writer too

Mp3Spec spec_of(std::optional<Id3v2> v2, std::optional<Id3v1> v1 = std::nullopt,
                int frames = 24) {
  Mp3Spec s;
  s.v2 = std::move(v2);
  s.v1 = std::move(v1);
  s.audio_frames = frames;
  return s;
}

Id3v2 with_extras(Id3v2 t, int picture = 1500) {
  add_extras(t, picture);
  return t;
}

ino_t inode(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

mode_t mode_of(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

qint64 bytes_read_so_far() {
  QFile io(QStringLiteral("/proc/self/io"));
  if (!io.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : io.readAll().split('\n'))
    if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
  return -1;
}

const QString k_long = QString(200, QLatin1Char('x'));
const QString k_kanji100 = QString(100, QChar(0x6F22));  // 漢
const QString k_kanji200 = QString(200, QChar(0x6F22));

}  // namespace

class TestTagLibrary : public QObject {
  Q_OBJECT

  QTemporaryDir tmp_;
  std::unique_ptr<TagLibrary> lib_ = make_taglib_library();
  int seq_ = 0;
  QString file(const Mp3Spec& spec) {
    return make_mp3(tmp_.path(), QStringLiteral("f%1.mp3").arg(++seq_), spec);
  }

 private slots:
  void initTestCase() { QVERIFY(tmp_.isValid()); }

  // ---- reading ------------------------------------------------------------

  void reads_every_version_and_encoding_data() {
    QTest::addColumn<Mp3Spec>("spec");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    const QString t = QStringLiteral("夜明けの歌"), a = QStringLiteral("山田花子"),
                  b = QStringLiteral("はじまりのアルバム");
    for (int v : {2, 3, 4}) {
      QTest::addRow("v2.%d ascii", v)
          << spec_of(text_tag(v, Enc::latin1, "Morning", "Hanako", "First")) << "Morning"
          << "Hanako" << "First";
      QTest::addRow("v2.%d utf16", v)
          << spec_of(with_extras(text_tag(v, Enc::utf16, t, a, b))) << t << a << b;
    }
    QTest::newRow("v2.4 utf8") << spec_of(with_extras(text_tag(4, Enc::utf8, t, a, b))) << t
                               << a << b;
    QTest::newRow("v2.4 utf16be") << spec_of(text_tag(4, Enc::utf16be, t, a, b)) << t << a << b;
    QTest::newRow("emoji and accents")
        << spec_of(text_tag(3, Enc::utf16, "Café ♥ 🎵", "Mötley Crüe", "Ñandú"))
        << "Café ♥ 🎵" << "Mötley Crüe" << "Ñandú";
    QTest::newRow("padding") << spec_of(text_tag(3, Enc::utf16, t, a, b, 4096)) << t << a << b;
    QTest::newRow("no tag") << spec_of(std::nullopt) << "" << "" << "";
    QTest::newRow("tag without these frames")
        << spec_of(with_extras(text_tag(3, Enc::utf16, {}, {}, {}))) << "" << "" << "";
    QTest::newRow("200 characters: the first 128")
        << spec_of(text_tag(3, Enc::utf16, k_long, a, b)) << k_long.left(128) << a << b;
    QTest::newRow("100 kanji whole")
        << spec_of(text_tag(3, Enc::utf16, k_kanji100, a, b)) << k_kanji100 << a << b;
    QTest::newRow("200 kanji: the first 128")
        << spec_of(text_tag(3, Enc::utf16, a, k_kanji200, b)) << a << k_kanji200.left(128) << b;
    QTest::newRow("200 emoji: the first 128")
        << spec_of(text_tag(4, Enc::utf8, a, b, QString("🎵").repeated(200))) << a << b
        << QString("🎵").repeated(128);
  }
  void reads_every_version_and_encoding() {
    QFETCH(Mp3Spec, spec);
    const Read r = read_with(*lib_, file(spec));
    QCOMPARE(r.open, 1);
    QCOMPARE(r.get, 1);
    QTEST(r.tag.title, "title");
    QTEST(r.tag.artist, "artist");
    QTEST(r.tag.album, "album");
  }

  // Text marked ISO-8859-1 is Shift-JIS, UTF-8 or really Latin-1; the same
  // decision holds in ID3v2 frames and in ID3v1 tags.
  void decides_legacy_text_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("Shift-JIS kana and kanji") << sjis("夜明けの歌") << "夜明けの歌";
    QTest::newRow("CP932 only: ①～㈱") << sjis("①～㈱の歌") << "①～㈱の歌";
    QTest::newRow("half-width katakana") << sjis("ｱﾆﾒｿﾝｸﾞ") << "ｱﾆﾒｿﾝｸﾞ";
    QTest::newRow("Shift-JIS mixed with ASCII") << sjis("Mr.Children 深海") << "Mr.Children 深海";
    QTest::newRow("Shift-JIS that is valid UTF-8 too") << sjis("箏曲集") << "箏曲集";
    QTest::newRow("UTF-8 in a Latin-1 frame") << QStringLiteral("桜の木").toUtf8() << "桜の木";
    QTest::newRow("UTF-8 Chinese") << QStringLiteral("我爱你中国").toUtf8() << "我爱你中国";
    QTest::newRow("UTF-8 Greek") << QStringLiteral("ελληνικά").toUtf8() << "ελληνικά";
    QTest::newRow("Café") << QStringLiteral("Café").toLatin1() << "Café";
    QTest::newRow("Mötley Crüe") << QStringLiteral("Mötley Crüe").toLatin1() << "Mötley Crüe";
    QTest::newRow("MÖTLEY CRÜE") << QStringLiteral("MÖTLEY CRÜE").toLatin1() << "MÖTLEY CRÜE";
    QTest::newRow("Pokémon") << QStringLiteral("Pokémon").toLatin1() << "Pokémon";
    QTest::newRow("Amélie") << QStringLiteral("Amélie").toLatin1() << "Amélie";
    QTest::newRow("Björk") << QStringLiteral("Björk").toLatin1() << "Björk";
    QTest::newRow("ascii") << QByteArray("Plain Song") << "Plain Song";
  }
  void decides_legacy_text() {
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QCOMPARE(decode_legacy(raw), text);
    const Read v2 = read_with(*lib_, file(spec_of(raw_tag(3, raw, raw, raw))));
    QCOMPARE(v2.tag.title, text);
    QCOMPARE(v2.tag.album, text);
    const Read v22 = read_with(*lib_, file(spec_of(raw_tag(2, raw, {}, {}))));
    QCOMPARE(v22.tag.title, text);
    const QByteArray r30 = raw.left(30);
    const Read v1 = read_with(*lib_, file(spec_of(std::nullopt, Id3v1{r30, r30, r30, "2001", "c"})));
    QCOMPARE(v1.get, 1);
    QCOMPARE(v1.tag.artist, decode_legacy(r30));
  }

  void id3v1_fills_what_id3v2_lacks() {
    const QString path = file(spec_of(text_tag(3, Enc::utf16, QStringLiteral("新しい題"), {}, {}),
                                      Id3v1{sjis("古い題"), sjis("歌手"), "Album   ", "", ""}));
    const Read r = read_with(*lib_, path);
    QCOMPARE(r.tag.title, QStringLiteral("新しい題"));
    QCOMPARE(r.tag.artist, QStringLiteral("歌手"));
    QCOMPARE(r.tag.album, QStringLiteral("Album"));  // ID3v1 blank padding is not text
  }

  void record_is_filled_for_every_file() {
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    const QString tagged = file(spec_of(text_tag(3, Enc::utf16, "A", "B", "C")));
    const QString bare = file(spec_of(std::nullopt));
    QVERIFY(lib_->vbmp3_open(QFile::encodeName(tagged), info));
    QVERIFY(lib_->vbmp3_getTagInfo(rec));
    lib_->vbmp3_close();
    QVERIFY(lib_->vbmp3_open(QFile::encodeName(bare), info));
    QVERIFY(lib_->vbmp3_getTagInfo(rec));
    lib_->vbmp3_close();
    const TagRecord r = from_bytes(rec);
    QVERIFY(r.title.isEmpty() && r.artist.isEmpty() && r.album.isEmpty());
  }

  void broken_files_give_their_error_numbers_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("get");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "missing" << 0 << 0 << tag_error::cannot_open;
    QTest::newRow("folder") << "folder" << 0 << 0 << tag_error::cannot_open;
    QTest::newRow("no read permission") << "unreadable" << 0 << 0 << tag_error::cannot_open;
    QTest::newRow("empty") << "empty" << 0 << 0 << tag_error::unknown_format;
    QTest::newRow("random bytes") << "random" << 0 << 0 << tag_error::unknown_format;
    QTest::newRow("text file") << "text" << 0 << 0 << tag_error::unknown_format;
    // A tag with no audio after it is read; the row is told there is no audio.
    QTest::newRow("ID3v1 and nothing else") << "v1only" << 1 << 1 << tag_error::none;
    QTest::newRow("ID3v2 then garbage") << "garbage" << 1 << 1 << tag_error::none;
    QTest::newRow("ID3v2 and no audio") << "tagonly" << 1 << 1 << tag_error::none;
    QTest::newRow("ID3v2.4 with a CRC, no audio") << "crconly" << 1 << 1 << tag_error::none;
    QTest::newRow("impossible frame header") << "badsync" << 0 << 0 << tag_error::bad_frame_header;
    QTest::newRow("tag runs past the end") << "truncated" << 1 << 0 << tag_error::read_failed;
    // Audio that starts late is still audio, and the file can be written.
    QTest::newRow("audio after 200 KB of junk") << "junk" << 1 << 1 << tag_error::none;
    QTest::newRow("audio after 3 MB of padding") << "padding" << 1 << 1 << tag_error::none;
    QTest::newRow("audio after a second tag with a picture") << "second" << 1 << 1 << tag_error::none;
    QTest::newRow("junk with chance sync bytes, no audio") << "syncjunk" << 1 << 1 << tag_error::none;
    QTest::newRow("tag header with a bad version") << "badversion" << 1 << 0 << tag_error::read_failed;
  }
  void broken_files_give_their_error_numbers() {
    QFETCH(QString, kind);
    const QString path = tmp_.filePath(QStringLiteral("broken-%1.mp3").arg(++seq_));
    if (kind == "folder") QVERIFY(QDir().mkdir(path));
    if (kind == "empty") write_file(path, broken_bytes(Broken::empty));
    if (kind == "random") write_file(path, broken_bytes(Broken::random_bytes));
    if (kind == "text") write_file(path, broken_bytes(Broken::text_file));
    if (kind == "v1only") write_file(path, id3v1_bytes(Id3v1{"t", "a", "b", "", ""}));
    if (kind == "garbage") write_file(path, broken_bytes(Broken::id3_garbage));
    if (kind == "tagonly") write_file(path, id3v2_bytes(text_tag(3, Enc::utf16, "t", "a", "b")));
    if (kind == "crconly") {
      Id3v2 t = text_tag(4, Enc::utf8, "t", "a", "b");
      t.flags = 0x40;
      t.extended_header = unusual_tag(Unusual::extended_24_all).extended_header;
      write_file(path, id3v2_bytes(t));
    }
    if (kind == "badsync") write_file(path, broken_bytes(Broken::bad_sync));
    if (kind == "truncated") write_file(path, broken_bytes(Broken::truncated_tag));
    const QByteArray head = id3v2_bytes(text_tag(3, Enc::utf16, "t", "a", "b"));
    const QByteArray audio = mp3_bytes(spec_of(std::nullopt));
    if (kind == "junk") write_file(path, head + QByteArray(200 << 10, 'j') + audio);
    if (kind == "padding") write_file(path, head + QByteArray(3 << 20, '\0') + audio);
    if (kind == "second")
      write_file(path, head + id3v2_bytes(with_extras(text_tag(4, Enc::utf8, "x", "y", "z"), 300000)) + audio);
    if (kind == "syncjunk") {
      QByteArray junk(300 << 10, 'j');
      for (int i = 500; i < junk.size() - 2000; i += 997) junk.replace(i, 3, "\xFF\xFB\x90");
      write_file(path, head + junk);
    }
    if (kind == "badversion") {
      QByteArray b = mp3_bytes(spec_of(text_tag(3, Enc::utf16, "t", "a", "b")));
      b[3] = 9;
      write_file(path, b);
    }
    if (kind == "unreadable") {
      if (::geteuid() == 0) QSKIP("root reads every file");
      write_file(path, mp3_bytes(spec_of(std::nullopt)));
      QFile::setPermissions(path, QFile::WriteOwner);
    }
    const Read r = read_with(*lib_, path);
    QTEST(r.open, "open");
    QTEST(r.get, "get");
    QTEST(r.error, "error");
    if (r.get) {
      QCOMPARE(r.tag.title, kind == "garbage" ? QStringLiteral("壊れた") : QStringLiteral("t"));
      const bool no_audio = kind == "v1only" || kind == "garbage" || kind == "tagonly" || kind == "syncjunk" ||
                            kind == "crconly";
      QCOMPARE(r.without_audio, no_audio);
      const QByteArray rest = audio_bytes(path);
      QCOMPARE(write_with(*lib_, path, title, TagRecord{QStringLiteral("新しい曲名"), {}, {}, {}, {}, 0, {}}), 1);
      QCOMPARE(read_with(*lib_, path).tag.title, QStringLiteral("新しい曲名"));
      QCOMPARE(audio_bytes(path), rest);
    }
  }

  void tag_read_without_open_file() {
    TagRecordBytes rec = empty_tag_bytes();
    lib_->vbmp3_close();
    QCOMPARE(lib_->vbmp3_getTagInfo(rec), 0);
    QCOMPARE(lib_->vbmp3_getLastErrorNo(), tag_error::no_file_open);
    OpenRecordBytes info = empty_open_bytes();
    QVERIFY(!lib_->vbmp3_open(QFile::encodeName(tmp_.filePath("nothing.mp3")), info));
    lib_->vbmp3_close();  // after a failed open, twice
    lib_->vbmp3_close();
    QCOMPARE(lib_->vbmp3_getTagInfo(rec), 0);
    QCOMPARE(lib_->vbmp3_getLastErrorNo(), tag_error::no_file_open);
  }

  // Opening and reading a large file touches its start and end only.
  void reading_a_large_file_reads_little_of_it() {
    const QString path = file(spec_of(with_extras(text_tag(3, Enc::utf16, "T", "A", "B"), 20000),
                                      Id3v1{"T", "A", "B", "", ""}, frames_for(5 << 20)));
    const qint64 before = bytes_read_so_far();
    if (before < 0) QSKIP("no /proc/self/io");
    const Read r = read_with(*lib_, path);
    const qint64 read = bytes_read_so_far() - before;
    QCOMPARE(r.tag.title, QStringLiteral("T"));
    QVERIFY2(read < 200 * 1024, qPrintable(QString::number(read)));
  }

  // ---- writing ------------------------------------------------------------

  void writes_one_field_and_keeps_everything_else_data() {
    QTest::addColumn<Mp3Spec>("spec");
    QTest::addColumn<int>("fields");
    QTest::addColumn<int>("version");  // expected afterwards
    const Id3v1 v1{sjis("古い曲名"), sjis("古い歌手"), sjis("古いアルバム"), "1999", "old", 5, 12};
    const auto rich = [](int v, Enc e, int padding = 0) {
      return with_extras(text_tag(v, e, QStringLiteral("元の曲名"), QStringLiteral("元の歌手"),
                                  QStringLiteral("元のアルバム"), padding));
    };
    for (const auto& [name, f] : {std::pair{"title", title}, std::pair{"artist", artist},
                                  std::pair{"album", album}, std::pair{"all", all}}) {
      QTest::addRow("v2.3 %s", name) << spec_of(rich(3, Enc::utf16)) << int(f) << 3;
      QTest::addRow("v2.3+v1 %s", name) << spec_of(rich(3, Enc::utf16), v1) << int(f) << 3;
      QTest::addRow("v2.2 %s", name) << spec_of(rich(2, Enc::utf16)) << int(f) << 3;
      QTest::addRow("v2.4 %s", name) << spec_of(rich(4, Enc::utf8), v1) << int(f) << 4;
      // Room for the new texts: written in place.
      QTest::addRow("v2.3 roomy %s", name) << spec_of(rich(3, Enc::utf16, 512), v1) << int(f) << 3;
      QTest::addRow("v2.4 roomy %s", name) << spec_of(rich(4, Enc::utf16be, 512)) << int(f) << 4;
      QTest::addRow("legacy %s", name)
          << spec_of(with_extras(raw_tag(3, sjis("古い曲"), sjis("昔の歌手"), sjis("昔のアルバム"))), v1)
          << int(f) << 3;
      QTest::addRow("long %s", name)
          << spec_of(with_extras(text_tag(3, Enc::utf16, k_long, k_kanji100, QStringLiteral("A"))))
          << int(f) << 3;
      QTest::addRow("v1 only %s", name) << spec_of(std::nullopt, v1) << int(f) << 3;
      QTest::addRow("no tag %s", name) << spec_of(std::nullopt) << int(f) << 3;
    }
    // Texts of other sizes move a cover of more than a MiB behind them, in place.
    QTest::newRow("v2.3 roomy, a cover of 1.5 MB moved, all")
        << spec_of(with_extras(text_tag(3, Enc::utf16, QStringLiteral("元の曲名"), QStringLiteral("元の歌手"),
                                        QStringLiteral("元のアルバム"), 512),
                               3 << 19),
                   v1)
        << int(all) << 3;
    // The track number writer, alone and after the texts (as an import does).
    QTest::newRow("v1 only track number") << spec_of(std::nullopt, v1) << int(k_track) << 3;
    QTest::newRow("v1 only all, then track number") << spec_of(std::nullopt, v1) << int(all | k_track) << 3;
  }
  void writes_one_field_and_keeps_everything_else() {
    QFETCH(Mp3Spec, spec);
    QFETCH(int, fields);
    QFETCH(int, version);
    const QString path = file(spec);
    const QByteArray audio = audio_bytes(path);
    const TagDump before = dump_tags(path);
    const ino_t ino = inode(path);
    const Read old = read_with(*lib_, path);
    const TagRecord fresh{QStringLiteral("新しい曲名"), QStringLiteral("新しい歌手"),
                          QStringLiteral("新しいアルバム"), {}, {}, 0, {}};
    int error = tag_error::none;
    if (fields & all) QCOMPARE(write_with(*lib_, path, fields & all, fresh, &error), 1);
    QCOMPARE(error, tag_error::none);
    if (fields & k_track) QVERIFY(write_track(*lib_, path, QStringLiteral("7/12")));

    const Read now = read_with(*lib_, path);
    QCOMPARE(now.tag.title, fields & title ? fresh.title : old.tag.title);
    QCOMPARE(now.tag.artist, fields & artist ? fresh.artist : old.tag.artist);
    QCOMPARE(now.tag.album, fields & album ? fresh.album : old.tag.album);
    QCOMPARE(audio_bytes(path), audio);

    const TagDump after = dump_tags(path);
    QCOMPARE(after.v2_version, version);
    // TagLib's generic view agrees.
    if (fields & title) QCOMPARE(after.title, fresh.title);
    if (fields & album) QCOMPARE(after.album, fresh.album);
    const char* ids[] = {"TIT2", "TPE1", "TALB"};
    const int bits[] = {title, artist, album};
    for (int i = 0; i < 3; ++i) {
      if (fields & bits[i]) {
        // UTF-16 with BOM; a 2.4 tag keeps its own choice of Unicode.
        QCOMPARE(after.v2_encodings.value(ids[i]),
                 version == 4 ? before.v2_encodings.value(ids[i]) : 1);
      } else if (before.v2_texts.contains(ids[i]) && before.v2_version != 2) {
        // Untouched: the very frame, legacy bytes and long text included.
        QCOMPARE(after.v2_texts.value(ids[i]), before.v2_texts.value(ids[i]));
        QCOMPARE(after.v2_encodings.value(ids[i]), before.v2_encodings.value(ids[i]));
        QCOMPARE(after.v2_raw.value(ids[i]), before.v2_raw.value(ids[i]));
      }
    }
    // Every other frame stays.
    for (auto it = before.v2_texts.cbegin(); it != before.v2_texts.cend(); ++it) {
      if (QByteArrayList{"TIT2", "TPE1", "TALB"}.contains(it.key().toLatin1())) continue;
      if (before.v2_version == 2 && it.key().size() == 3) continue;  // no 2.3 form exists
      QCOMPARE(after.v2_texts.value(it.key()), it.value());
    }
    QCOMPARE(after.picture, before.picture);
    // A new tag on a file that had only ID3v1 carries what that held.
    if (before.v2_version == 0 && before.has_v1) {
      QCOMPARE(after.v2_texts.value("TDRC"), QStringList{"1999"});
      QCOMPARE(after.v2_texts.value("TRCK"), QStringList{fields & k_track ? "7/12" : "5"});
      QCOMPARE(after.v2_texts.value("TCON"), QStringList{"Other"});
      QCOMPARE(after.v2_texts.value("COMM"), QStringList{"old"});
    }
    // In a 2.3 or 2.4 tag, every frame not written stays byte for byte and
    // in its order, in place or rewritten.
    if (spec.v2 && spec.v2->version >= 3) {
      const QByteArray now = read_file(path);
      qsizetype last = -1;
      for (const Id3Frame& f : spec.v2->frames) {
        if (QByteArrayList{"TIT2", "TPE1", "TALB"}.contains(f.id)) continue;
        const qsizetype at = now.indexOf(id3v2_bytes({spec.v2->version, {f}, 0}).mid(10));
        QVERIFY2(at > last, f.id.constData());
        last = at;
      }
    }
    if (QByteArray(QTest::currentDataTag()).contains("roomy")) QCOMPARE(inode(path), ino);
    // ID3v1 kept in step, never added.
    QCOMPARE(after.has_v1, before.has_v1);
    if (before.has_v1 && !(fields & k_track)) {
      QCOMPARE(after.v1_title, fields & title ? sjis(fresh.title) : before.v1_title);
      QCOMPARE(after.v1_artist, fields & artist ? sjis(fresh.artist) : before.v1_artist);
      QCOMPARE(after.v1_album, fields & album ? sjis(fresh.album) : before.v1_album);
      QCOMPARE(after.v1_block.mid(93), before.v1_block.mid(93));  // year, comment, track, genre
    }
  }

  void stores_what_the_record_holds_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("stored");
    QTest::newRow("200 characters") << k_long << k_long.left(128);
    QTest::newRow("100 kanji") << k_kanji100 << k_kanji100;
    QTest::newRow("200 kanji") << k_kanji200 << k_kanji200.left(128);
    QTest::newRow("emoji counts one character")
        << QString(127, 'a') + QStringLiteral("🎵x") << QString(127, 'a') + QStringLiteral("🎵");
    QTest::newRow("trailing blanks not stored") << "Song  " << "Song";
    QTest::newRow("empty cell") << "" << "";
  }
  void stores_what_the_record_holds() {
    QFETCH(QString, cell);
    QFETCH(QString, stored);
    const QString path = file(spec_of(with_extras(text_tag(3, Enc::utf16, "Old", "Artist", "Album")),
                                      Id3v1{"Old", "Artist", "Album", "", ""}));
    QCOMPARE(write_with(*lib_, path, title, TagRecord{cell, {}, {}, {}, {}, 0, {}}), 1);
    const TagDump d = dump_tags(path);
    QCOMPARE(d.v2_texts.value("TIT2").value(0), stored);
    QCOMPARE(d.v2_texts.contains("TIT2"), !stored.isEmpty());  // empty: the frame goes
    QCOMPARE(d.v1_title, id3v1_field_bytes(stored, 30));
    QCOMPARE(d.artist, QStringLiteral("Artist"));
  }

  // Writing a column back as the table shows it: every player then shows it
  // so. Only what the command does not write, and a text longer than the
  // table holds, stay byte for byte.
  void a_written_column_is_stored_as_shown_data() {
    QTest::addColumn<Mp3Spec>("spec");
    QTest::addColumn<int>("fields");
    QTest::addColumn<QString>("frame");     // of the written field
    QTest::addColumn<QString>("text");      // what it holds afterwards
    QTest::addColumn<int>("encoding");      // its encoding afterwards
    QTest::addColumn<bool>("file_same");    // not a byte of the file changed
    const Id3v1 v1{sjis("別の曲名"), "Artist", "Album", "", ""};
    QTest::newRow("Shift-JIS marked Latin-1 becomes UTF-16")
        << spec_of(with_extras(raw_tag(3, sjis("古い曲"), sjis("昔の歌手"), "Album"))) << int(title)
        << "TIT2" << "古い曲" << 1 << false;
    Id3v2 mixed = text_tag(4, Enc::utf8, {}, "歌手", "盤");
    mixed.frames.push_back(raw_tag(4, sjis("古い曲"), {}, {}).frames.front());
    QTest::newRow("2.4 Shift-JIS takes the tag's own Unicode")
        << spec_of(mixed) << int(title) << "TIT2" << "古い曲" << 3 << false;
    QTest::newRow("Unicode frame left alone")
        << spec_of(with_extras(text_tag(3, Enc::utf16, "夜明け", "歌手", "盤"))) << int(all)
        << "TALB" << "盤" << 1 << true;
    QTest::newRow("plain ASCII in Latin-1 left alone")
        << spec_of(text_tag(3, Enc::latin1, "Song", "Artist", "Album")) << int(album) << "TALB"
        << "Album" << 0 << true;
    QTest::newRow("200 characters come back whole")
        << spec_of(text_tag(3, Enc::utf16, k_long, "A", "B")) << int(title) << "TIT2" << k_long
        << 1 << true;
    QTest::newRow("200 kanji come back whole")
        << spec_of(text_tag(3, Enc::utf16, "T", "A", k_kanji200)) << int(all) << "TALB"
        << k_kanji200 << 1 << true;
    QTest::newRow("ID3v1 out of step is brought in step")
        << spec_of(text_tag(3, Enc::utf16, "新曲", "A", "B"), v1) << int(title) << "TIT2"
        << "新曲" << 1 << false;
    QTest::newRow("shown from ID3v1 goes into ID3v2")
        << spec_of(std::nullopt, v1) << int(title) << "TIT2" << "別の曲名" << 1 << false;
  }
  void a_written_column_is_stored_as_shown() {
    QFETCH(Mp3Spec, spec);
    QFETCH(int, fields);
    QFETCH(QString, frame);
    QFETCH(QString, text);
    const QString path = file(spec);
    const QByteArray bytes_before = read_file(path);
    const TagDump before = dump_tags(path);
    const Read shown = read_with(*lib_, path);
    QCOMPARE(write_with(*lib_, path, fields, shown.tag), 1);
    const TagDump after = dump_tags(path);
    QCOMPARE(read_with(*lib_, path).tag.title, shown.tag.title);
    QCOMPARE(after.v2_texts.value(frame).join(QString()), text);
    QTEST(after.v2_encodings.value(frame), "encoding");
    QTEST(read_file(path) == bytes_before, "file_same");
    // The columns not written stay as they were, legacy bytes included.
    for (const char* id : {"TIT2", "TPE1", "TALB"}) {
      if (id == frame || fields == all || !before.v2_raw.contains(id)) continue;
      QCOMPARE(after.v2_raw.value(id), before.v2_raw.value(id));
      QCOMPARE(after.v2_encodings.value(id), before.v2_encodings.value(id));
    }
    if (after.has_v1) QCOMPARE(after.v1_title, id3v1_field_bytes(shown.tag.title, 30));
  }

  void id3v1_fields_are_shift_jis_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin-1 stays latin-1") << "Café" << QByteArray("Caf\xE9");
    QTest::newRow("japanese as shift-jis") << "夜明け" << sjis("夜明け");
    QTest::newRow("no split at 30 bytes") << QString(16, QChar(0x3042)) << sjis(QString(15, QChar(0x3042)));
    QTest::newRow("30 bytes exactly") << QString(15, QChar(0x3042)) << sjis(QString(15, QChar(0x3042)));
    QTest::newRow("what cp932 lacks") << "愛♥é" << sjis("愛") + "??";
  }
  void id3v1_fields_are_shift_jis() {
    QFETCH(QString, text);
    QTEST(tn::id3v1_field_bytes(text, 30), "bytes");
  }

  void in_place_when_it_fits_else_a_new_file() {
    // Plenty of padding: in place.
    const QString roomy = file(spec_of(text_tag(3, Enc::utf16, "A", "B", "C", 800)));
    const ino_t ino = inode(roomy);
    QCOMPARE(write_with(*lib_, roomy, title, TagRecord{QStringLiteral("長めの新しい曲名"), {}, {}, {}, {}, 0, {}}), 1);
    QCOMPARE(inode(roomy), ino);
    QCOMPARE(read_with(*lib_, roomy).tag.title, QStringLiteral("長めの新しい曲名"));

    // No padding: a new file, with padding for next time.
    const QString tight = file(spec_of(text_tag(3, Enc::utf16, "A", "B", "C", 0), Id3v1{"A", "B", "C", "", ""}));
    const QByteArray audio = audio_bytes(tight);
    QFile::setPermissions(tight, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const ino_t ino2 = inode(tight);
    QCOMPARE(write_with(*lib_, tight, title, TagRecord{QStringLiteral("長めの新しい曲名"), {}, {}, {}, {}, 0, {}}), 1);
    QVERIFY(inode(tight) != ino2);
    QCOMPARE(mode_of(tight), mode_t(0640));
    QCOMPARE(audio_bytes(tight), audio);
    const ino_t ino3 = inode(tight);
    QCOMPARE(write_with(*lib_, tight, album, TagRecord{{}, {}, QStringLiteral("アルバムの名前"), {}, {}, 0, {}}), 1);
    QCOMPARE(inode(tight), ino3);
    const Read r = read_with(*lib_, tight);
    QCOMPARE(r.tag.title, QStringLiteral("長めの新しい曲名"));
    QCOMPARE(r.tag.album, QStringLiteral("アルバムの名前"));
    QCOMPARE(QDir(tmp_.path()).entryList({".tagnarabe*"}, QDir::Hidden | QDir::Files), QStringList());
  }

  // An in-place write touches only the text frames, not a big cover behind
  // them, and does not even read it: a text of the frame's size is written
  // where it stands; one of another size moves its frame behind the cover
  // once, and the next change is as small. Frames between stay where they are.
  void in_place_leaves_the_cover_alone_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("year");  // a year frame between the text frames and the cover
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("moves");  // the first write moves the cover
    for (int v : {3, 4}) {
      for (bool year : {false, true}) {
        QTest::addRow("v2.%d%s same size", v, year ? " year" : "") << v << year << "アルバ乙" << "アルバ甲" << false;
        QTest::addRow("v2.%d%s another size", v, year ? " year" : "")
            << v << year << "もっと長いアルバムの名前" << "もっと長いアルバムの名後" << true;
      }
    }
  }
  void in_place_leaves_the_cover_alone() {
    QFETCH(int, version);
    QFETCH(bool, year);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, moves);
    constexpr int k_cover = 300 * 1024;
    Id3v2 tag = text_tag(version, Enc::utf16, "T", "A", QStringLiteral("アルバム"), 2048);
    if (year) tag.frames.push_back({version == 4 ? "TDRC" : "TYER", text_body(Enc::latin1, "1998")});
    tag.frames.push_back({"APIC", apic_body(k_cover)});
    const QString path = file(spec_of(tag, Id3v1{"T", "A", "B", "", ""}));
    const ino_t ino = inode(path);
    const QByteArray picture = dump_tags(path).picture;
    // Bytes between the first and the last that differ, ID3v1 aside.
    auto changed_span = [](const QByteArray& a, const QByteArray& b) {
      qsizetype lo = -1, hi = -1;
      for (qsizetype i = 0; i < a.size() - 128; ++i)
        if (a[i] != b[i]) (lo < 0 ? lo : hi) = i, hi = i;
      return lo < 0 ? 0 : hi - lo + 1;
    };
    QByteArray was = read_file(path);
    qint64 read = bytes_read_so_far();
    QCOMPARE(write_with(*lib_, path, album, TagRecord{{}, {}, first, {}, {}, 0, {}}), 1);
    read = bytes_read_so_far() - read;
    QByteArray now = read_file(path);
    QCOMPARE(changed_span(was, now) > k_cover, moves);
    QCOMPARE(read > k_cover, moves);
    was = now;
    read = bytes_read_so_far();
    QCOMPARE(write_with(*lib_, path, album, TagRecord{{}, {}, second, {}, {}, 0, {}}), 1);
    read = bytes_read_so_far() - read;
    now = read_file(path);
    QVERIFY2(changed_span(was, now) < 100, qPrintable(QString::number(changed_span(was, now))));
    QVERIFY2(read < 64 * 1024, qPrintable(QString::number(read)));
    QCOMPARE(inode(path), ino);
    QCOMPARE(read_with(*lib_, path).tag.album, second);
    QCOMPARE(dump_tags(path).picture, picture);
  }

  void a_read_only_file_is_refused_until_made_writable() {
    const QString path = file(spec_of(text_tag(3, Enc::utf16, "A", "B", "C")));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = read_file(path);
    int error = 0;
    QCOMPARE(write_with(*lib_, path, title, TagRecord{"New", {}, {}, {}, {}, 0, {}}, &error), 0);
    QCOMPARE(error, tag_error::cannot_open);
    QCOMPARE(read_file(path), before);
    QVERIFY(make_owner_writable(path));
    QCOMPARE(mode_of(path), mode_t(0644));
    QCOMPARE(write_with(*lib_, path, title, TagRecord{"New", {}, {}, {}, {}, 0, {}}, &error), 1);
    QCOMPARE(read_with(*lib_, path).tag.title, QStringLiteral("New"));
  }

  void a_vanished_or_broken_file_is_reported() {
    int error = 0;
    QCOMPARE(write_with(*lib_, tmp_.filePath("gone.mp3"), all, TagRecord{"x", "y", "z", {}, {}, 0, {}}, &error), 0);
    QCOMPARE(error, tag_error::cannot_open);
    const QString junk = tmp_.filePath("junk.mp3");
    write_file(junk, broken_bytes(Broken::random_bytes));
    QCOMPARE(write_with(*lib_, junk, all, TagRecord{"x", "y", "z", {}, {}, 0, {}}, &error), 0);
    QCOMPARE(error, tag_error::unknown_format);
    QCOMPARE(read_file(junk), broken_bytes(Broken::random_bytes));
  }

  // A write cut short by a file-size limit leaves the old file whole and no
  // other file: at once when the write fails (SIGXFSZ ignored), and after
  // the next recovery in the folder when the limit kills the writer. In
  // place the limit cuts the changed text frames (behind a 100 KB cover) or
  // the ID3v1 tag; the ID3v2 part before it is put back.
  void an_interrupted_write_leaves_the_old_file_data() {
    QTest::addColumn<bool>("grows");
    QTest::addColumn<int>("cut");  // > 0: the limit this far before the padding; < 0: before the end
    QTest::addColumn<bool>("killed");
    for (const bool killed : {false, true}) {
      const char* how = killed ? "process killed" : "write fails";
      QTest::addRow("rewrite, %s", how) << true << -1000 << killed;
      QTest::addRow("in place, cut in the tag, %s", how) << false << 20 << killed;
      QTest::addRow("in place, cut in ID3v1, %s", how) << false << -121 << killed;
    }
  }
  void an_interrupted_write_leaves_the_old_file() {
    QFETCH(bool, grows);
    QFETCH(int, cut);
    QFETCH(bool, killed);
    QTemporaryDir dir;
    const int padding = grows ? 0 : 2000;
    Id3v2 tag = text_tag(3, Enc::utf16, "Old", "B", "C", padding);
    tag.frames.insert(tag.frames.begin(), {"APIC", apic_body(100 * 1024)});
    const QString path = make_mp3(dir.path(), "song.mp3", spec_of(tag, Id3v1{"Old", "B", "C", "", ""}, 400));
    const QByteArray before = read_file(path);
    const qint64 limit = cut > 0 ? id3v2_bytes(tag).size() - padding - cut : before.size() + cut;
    const QString text = grows ? QString(120, QChar(0x66F2)) : QStringLiteral("New title");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
      const rlimit lim{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      ::setrlimit(RLIMIT_FSIZE, &lim);
      auto lib = make_taglib_library();
      int error = 0;
      const int ok = write_with(*lib, path, title, TagRecord{text, {}, {}, {}, {}, 0, {}}, &error);
      ::_exit(ok ? 0 : error);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    if (killed) {
      QVERIFY(WIFSIGNALED(status));
      QCOMPARE(WTERMSIG(status), SIGXFSZ);
      recover_folder(QFile::encodeName(dir.path()));
    } else {
      QVERIFY(WIFEXITED(status));
      QCOMPARE(WEXITSTATUS(status), tag_error::write_failed);
    }
    QCOMPARE(read_file(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
    QCOMPARE(read_with(*lib_, path).tag.title, QStringLiteral("Old"));
  }

  void writes_through_a_symbolic_link() {
    QTemporaryDir other;
    const QString target = make_mp3(other.path(), "real.mp3", spec_of(text_tag(3, Enc::utf16, "A", "B", "C")));
    const QString link = tmp_.filePath("link.mp3");
    QVERIFY(QFile::link(target, link));
    QCOMPARE(write_with(*lib_, link, title, TagRecord{QString(300, 'x'), {}, {}, {}, {}, 0, {}}), 1);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(read_with(*lib_, target).tag.title, QString(128, 'x'));
  }
};

QTEST_GUILESS_MAIN(TestTagLibrary)
#include "test_tag_library.moc"
