// Every field of the tag access on real files: read from a tag of each
// version (2.2, 2.3, 2.4, an ID3v1 block alone) as the file holds it, then
// written in one run, after which a second reader (mutagen) finds the new
// text in the frame of the tag's version, and a read gives every other
// field as before.

#include <QTemporaryDir>
#include <QtTest>

#include "mp3_fixture.h"
#include "mutagen.h"
#include "unusual_tags.h"
#include "tags/tag_access.h"
#include "text/file_name.h"

using namespace tn;
using namespace tn::test;

namespace {

struct FieldFrame {
  Field field;
  const char *id, *id_22;
  QString stored, read;  // as the file holds it, as a read shows it
};

// One frame a field, with what a read shows.
const std::vector<FieldFrame>& field_frames() {
  static const std::vector<FieldFrame> frames{
      {Field::track, "TRCK", "TRK", "3/12", "3/12"},
      {Field::disc, "TPOS", "TPA", "1/2", "1/2"},
      {Field::year, "TYER", "TYE", "1999", "1999"},
      {Field::genre, "TCON", "TCO", "(13)", "Pop"},
      {Field::album_artist, "TPE2", "TP2", QStringLiteral("バンド"), QStringLiteral("バンド")},
      {Field::composer, "TCOM", "TCM", QStringLiteral("作曲者"), QStringLiteral("作曲者")},
      {Field::comment, "COMM", "COM", QStringLiteral("コメント"), QStringLiteral("コメント")},
      {Field::title_sort, "TSOT", "TST", QStringLiteral("たいとる"), QStringLiteral("たいとる")},
      {Field::album_sort, "TSOA", "TSA", QStringLiteral("あるばむ"), QStringLiteral("あるばむ")},
      {Field::artist_sort, "TSOP", "TSP", QStringLiteral("あーてぃすと"), QStringLiteral("あーてぃすと")},
      {Field::album_artist_sort, "TSO2", "TS2", QStringLiteral("ばんど"), QStringLiteral("ばんど")},
  };
  return frames;
}

// A tag of `version` with every field, the year as TDRC in 2.4, the genre
// by number alone there.
Id3v2 every_field_tag(int version) {
  Id3v2 t = text_tag(version, Enc::utf16, QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album"), 64);
  for (const FieldFrame& f : field_frames()) {
    QByteArray id = version == 2 ? f.id_22 : f.id;
    QString text = f.stored;
    if (version == 4 && f.field == Field::year) id = "TDRC";
    if (version == 4 && f.field == Field::genre) text = QStringLiteral("13");
    const QByteArray body = f.field == Field::comment ? comm_body(Enc::utf16, text) : text_body(Enc::utf16, text);
    t.frames.push_back({id, body});
  }
  return t;
}
QByteArray every_field_file(int version) { return mp3_bytes({every_field_tag(version), std::nullopt, 12}); }

// The same with frames no write may change before the fields' frames: the
// title compressed, an encrypted comment, a frame of an unknown id, a
// comment with a description (which is not the comment players show).
Id3v2 odd_frames_tag(int version) {
  Id3v2 t = every_field_tag(version);
  t.frames.front() = unusual_tag(version == 4 ? Unusual::compressed_24 : Unusual::compressed_23).frames.front();
  const std::vector<Id3Frame> odd{
      {"ENCR", QByteArray("mailto:keys@example.invalid\0\x80key", 32)},
      {"COMM", QByteArray("\x80\x13\x37 ciphertext \xFF\x00\xE0", 18), version == 4 ? '\x04' : '\x40'},
      {"XYZW", "made-up frame"},
      {"COMM", QByteArray("\0engiTunNORM\0 00000A2B 00000B3C", 32)}};
  t.frames.insert(t.frames.begin() + 3, odd.begin(), odd.end());
  return t;
}
// Those frames, as the file holds them.
QByteArrayList odd_frames(int version) {
  const Id3v2 t = odd_frames_tag(version);
  QByteArrayList out{frame_bytes(t, t.frames[0])};
  for (int i = 3; i < 7; ++i) out << frame_bytes(t, t.frames[static_cast<std::size_t>(i)]);
  return out;
}

QString new_text(Field f) {
  switch (f) {
    case Field::track: return QStringLiteral("7/12");
    case Field::disc: return QStringLiteral("2/2");
    case Field::year: return QStringLiteral("2024");
    case Field::genre: return QStringLiteral("Rock");
    default: return QStringLiteral("新しい") + field_key(f);
  }
}

// The frame mutagen finds a field in, in a tag of `version` as written.
QString peer_key(Field f, int version) {
  if (f == Field::comment) return QStringLiteral("COMM::jpn");
  if (f == Field::year) return version == 4 ? QStringLiteral("TDRC") : QStringLiteral("TYER");
  for (const FieldFrame& ff : field_frames())
    if (ff.field == f) return QString::fromLatin1(ff.id);
  return {};
}

TagRead read_ok(TagAccess& access, const QString& path) {
  const TagReadResult r = access.read(encode_file_name(path));
  if (const auto* f = std::get_if<TagFailure>(&r)) qWarning("read failed: %d", f->number);
  return std::holds_alternative<TagRead>(r) ? std::get<TagRead>(r) : TagRead{};
}

}  // namespace

class TestTagAccess : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  int seq_ = 0;

 private slots:
  void every_field_read_and_written_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("read");  // before the write
    QTest::addColumn<int>("version");   // of the tag written
    QTest::addColumn<QString>("peer");  // mutagen's frame afterwards
    QTest::addColumn<bool>("legacy");   // read from legacy bytes
    QTest::addColumn<QByteArrayList>("carried");  // frames that stay byte for byte
    for (int version : {2, 3, 4}) {
      const QByteArray file = every_field_file(version);
      for (const FieldFrame& f : field_frames()) {
        const QByteArray name = "2." + QByteArray::number(version) + " " + f.id;
        const int written = std::max(version, 3);
        QTest::newRow(name.constData()) << file << static_cast<int>(f.field) << f.read << written
                                        << peer_key(f.field, written) << false << QByteArrayList{};
      }
    }
    // Every field written beside frames that only a carrying writer keeps.
    for (int version : {3, 4}) {
      const QByteArray file = mp3_bytes({odd_frames_tag(version), std::nullopt, 12});
      for (const FieldFrame& f : field_frames()) {
        const QByteArray name = "2." + QByteArray::number(version) + " " + f.id + " beside odd frames";
        QTest::newRow(name.constData()) << file << static_cast<int>(f.field) << f.read << version
                                        << peer_key(f.field, version) << false << odd_frames(version);
      }
    }
    // An ID3v1 block alone gives what it has room for; a write puts it
    // into a new ID3v2.3 tag.
    const QByteArray v1 = mp3_bytes({std::nullopt, Id3v1{"Title", "Artist", "Album", "1999", "Comment", 3, 13}, 12});
    const std::pair<Field, QString> v1_fields[] = {
        {Field::year, "1999"}, {Field::comment, "Comment"}, {Field::track, "3"}, {Field::genre, "Pop"}};
    for (const auto& [field, read] : v1_fields)
      QTest::newRow(qPrintable("ID3v1 " + field_key(field))) << v1 << static_cast<int>(field) << read << 3
                                                           << (field == Field::comment ? QStringLiteral("COMM::XXX")
                                                                                       : peer_key(field, 3))
                                                           << false << QByteArrayList{};
    // Shift-JIS marked as ISO-8859-1, as old Japanese taggers wrote it; and
    // an iTunes-style 2.2 id in a 2.3 tag.
    Id3v2 sjis_tag = text_tag(3, Enc::utf16, QStringLiteral("Title"), {}, {});
    sjis_tag.frames.push_back({"TCOM", raw_text_body(sjis(QStringLiteral("作曲者")))});
    sjis_tag.frames.push_back({QByteArray("TP2\0", 4), text_body(Enc::utf16, QStringLiteral("バンド"))});
    const QByteArray sjis_file = mp3_bytes({sjis_tag, std::nullopt, 12});
    QTest::newRow("2.3 Shift-JIS TCOM") << sjis_file << static_cast<int>(Field::composer) << QStringLiteral("作曲者")
                                        << 3 << QStringLiteral("TCOM") << true << QByteArrayList{};
    // A comment whose UTF-16 text holds a lone surrogate is the one shown, empty (as TagLib shows it).
    Id3v2 lone_tag = text_tag(3, Enc::utf16, QStringLiteral("Title"), {}, {});
    lone_tag.frames.push_back({"COMM", QByteArray("\x01jpn\xFF\xFE\0\0\xFF\xFE\x42\x30\0\xD8\x41\0", 16)});
    QTest::newRow("2.3 COMM with a lone surrogate")
        << mp3_bytes({lone_tag, std::nullopt, 12}) << static_cast<int>(Field::comment) << QString() << 3
        << QStringLiteral("COMM::jpn") << false << QByteArrayList{};
    QTest::newRow("2.3 iTunes TP2") << sjis_file << static_cast<int>(Field::album_artist) << QStringLiteral("バンド")
                                    << 3 << QStringLiteral("TPE2") << false << QByteArrayList{};
  }
  void every_field_read_and_written() {
    QFETCH(QByteArray, file);
    QFETCH(int, field);
    QFETCH(QString, read);
    QFETCH(int, version);
    QFETCH(QString, peer);
    QFETCH(bool, legacy);
    QFETCH(QByteArrayList, carried);
    const Field f = static_cast<Field>(field);
    const QString path = dir_.filePath(QStringLiteral("f%1.mp3").arg(++seq_));
    write_file(path, file);
    const auto access = make_mp3_access();
    const TagRead before = read_ok(*access, path);
    QCOMPARE(before.fields[f].text, read);
    QCOMPARE(before.fields[f].legacy, legacy);

    FileEdits edits{encode_file_name(path), before.identity, {}};
    edits.edits[f] = new_text(f);
    const std::vector<FileWritten> done = access->write({edits}, {});
    QCOMPARE(done.size(), std::size_t{1});
    QVERIFY2(done[0].written, qPrintable(QString::number(done[0].failure.number)));
    QCOMPARE(done[0].identity, read_ok(*access, path).identity);

    const TagRead after = read_ok(*access, path);
    QCOMPARE(after.fields[f].text, new_text(f));
    QCOMPARE(after.fields[f].source, FieldSource::main_tag);
    QVERIFY(!after.fields[f].legacy);
    for (Field other : all_fields())
      if (other != f) QCOMPARE(after.fields[other].text, before.fields[other].text);
    const QStringList frames = id3_frames(path);
    QCOMPARE(frames.value(0), QStringLiteral("v2.%1").arg(version));
    QVERIFY2(frames.contains(peer + "=" + new_text(f)), qPrintable(frames.join(QLatin1Char('|'))));
    QCOMPARE(audio_bytes(path), audio_bytes_of(file));
    const QByteArray now = read_file(path);
    for (const QByteArray& c : carried) QVERIFY2(now.indexOf(c) > 0, c.left(4).constData());
  }

  // An empty text removes the field's frame; the others stay, byte for
  // byte where the file has frames only a carrying writer keeps.
  void an_empty_text_removes_the_field_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("carried");
    QTest::addColumn<bool>("v1_track");  // the track emptied too, an ID3v1 block holding one
    QTest::newRow("2.3") << every_field_file(3) << QByteArrayList{} << false;
    QTest::newRow("2.4 beside odd frames") << mp3_bytes({odd_frames_tag(4), std::nullopt, 12}) << odd_frames(4)
                                           << false;
    const Id3v1 v1{"Title", "Artist", "Album", "1999", "Comment", 3, 13};
    QTest::newRow("2.3 and ID3v1 with a track") << mp3_bytes({every_field_tag(3), v1, 12}) << QByteArrayList{}
                                                << true;
  }
  void an_empty_text_removes_the_field() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, carried);
    QFETCH(bool, v1_track);
    const QString path = dir_.filePath(QStringLiteral("remove%1.mp3").arg(++seq_));
    write_file(path, file);
    const auto access = make_mp3_access();
    FileEdits edits{encode_file_name(path), std::nullopt, {}};
    edits.edits[Field::composer] = QString();
    edits.edits[Field::comment] = QString();
    if (v1_track) edits.edits[Field::track] = QString();
    QVERIFY(access->write({edits}, {}).front().written);
    const TagRead after = read_ok(*access, path);
    if (v1_track) QCOMPARE(after.fields[Field::track].text, QString());
    QCOMPARE(after.fields[Field::composer].source, FieldSource::none);
    QCOMPARE(after.fields[Field::comment].text, QString());
    QCOMPARE(after.fields[Field::album_artist].text, QStringLiteral("バンド"));
    const QStringList frames = id3_frames(path);
    QVERIFY(!frames.join(QLatin1Char('|')).contains(QLatin1String("TCOM")));
    QVERIFY(!frames.join(QLatin1Char('|')).contains(QLatin1String(carried.isEmpty() ? "COMM" : "COMM::jpn")));
    const QByteArray now = read_file(path);
    for (const QByteArray& c : carried) QVERIFY2(now.indexOf(c) > 0, c.left(4).constData());
  }
};

QTEST_GUILESS_MAIN(TestTagAccess)
#include "test_tag_access.moc"
