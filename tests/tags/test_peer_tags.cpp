// Tags as taggers in the wild wrote them, on real files: read as a second
// reader (mutagen's mid3v2) reads them, then written, after which that
// reader sees the new album, every other frame as before (byte for byte
// where the frame stays where it was written) and the audio untouched; or
// the write is refused and the file stays byte for byte.

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "mp3_fixture.h"
#include "mutagen.h"
#include "unusual_tags.h"
#include "tags/tag_library.h"

using namespace tn;
using namespace tn::test;

namespace {

// mid3v2's listing: one "ID=text" line a frame, in file order.
QStringList peer_frames(const QString& path) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral("mid3v2"), {QStringLiteral("--list"), path});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return {QStringLiteral("mid3v2 failed")};
  QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  lines.removeFirst();  // "IDv2 tag info for <path>"
  return lines;
}

// Title, artist and album as mid3v2 shows them; empty where it shows none.
QStringList peer_texts(const QStringList& frames) {
  QStringList texts(3);
  const char* ids[] = {"TIT2=", "TPE1=", "TALB="};
  for (int i = 0; i < 3; ++i)
    for (const QString& f : frames)
      if (f.startsWith(QLatin1String(ids[i]))) texts[i] = f.mid(5);
  return texts;
}

// The APE tag's items as mutagen reads them, one "Key=text" line an item
// ("Key=<n bytes>" for binary ones); "none" without an APE tag.
QStringList peer_ape(const QString& path) {
  return mutagen_lines(QStringLiteral(
                           "import sys, mutagen.apev2 as a\n"
                           "try:\n  t = a.APEv2(sys.argv[1])\nexcept a.APENoHeaderError:\n  print('none'); sys.exit()\n"
                           "for k, v in t.items():\n"
                           "  print(k + '=' + (str(v) if v.kind == a.TEXT else '<%d bytes>' % len(v.value)))\n"),
                       path);
}

// The frames but those of the fields written (field_bit values); a 2.2
// picture's image format as the MIME type its 2.3 frame holds.
QStringList without_written(QStringList frames, int written) {
  const char* ids[] = {"TIT2=", "TPE1=", "TALB="};
  const int bits[] = {field_bit::title, field_bit::artist, field_bit::album};
  for (int i = 0; i < 3; ++i)
    if (written & bits[i]) frames.removeIf([&](const QString& f) { return f.startsWith(QLatin1String(ids[i])); });
  frames.replaceInStrings(QStringLiteral("(JPG, "), QStringLiteral("(image/jpeg, "));
  return frames;
}

struct Read {
  int ok = 0, error = 0;
  TagRecordBytes record = empty_tag_bytes();
  QStringList texts() const {
    return {field_text(record.title, k_tag_text_bytes), field_text(record.artist, k_tag_text_bytes),
            field_text(record.album, k_tag_text_bytes)};
  }
};

Read read_with(TagLibrary& lib, const QByteArray& path) {
  Read r;
  OpenRecordBytes info = empty_open_bytes();
  r.ok = lib.vbmp3_open(path, info) && lib.vbmp3_getTagInfo(r.record);
  r.error = lib.vbmp3_getLastErrorNo();
  return r;
}

const QString k_new_album = QStringLiteral("新しいアルバム");
// Title, artist, album as a write sets them.
const QStringList k_new_texts{QStringLiteral("新しい曲名"), QStringLiteral("新しい歌手"), k_new_album};

// The new texts of the fields `written` (field_bit values) written into the
// file lib read last (as r), as the writers do: the error number, 0 when
// written (-1: a failure without one, or a number with success).
int write_fields(TagLibrary& lib, const QByteArray& name, Read& r, int written = field_bit::album) {
  char* fields[] = {r.record.title, r.record.artist, r.record.album};
  const int bits[] = {field_bit::title, field_bit::artist, field_bit::album};
  for (int i = 0; i < 3; ++i)
    if (written & bits[i]) set_field(fields[i], k_tag_text_bytes, k_new_texts[i], ' ');
  const int ok = lib.vbmp3_setTagInfo(name, r.record, written, 1);
  const int error = lib.vbmp3_getLastErrorNo();
  lib.vbmp3_close();
  lib.finish_writes();
  return (ok != 0) == (error == 0) ? error : -1;
}

}  // namespace

class TestPeerTags : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  int seq_ = 0;

 private slots:
  void initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("mid3v2")).isEmpty(),
             "mid3v2 (python3-mutagen) is missing: scripts/setup.sh installs it");
  }

  void read_then_written_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("texts");  // title, artist, album as read by us
    QTest::addColumn<QStringList>("peer");   // as mid3v2 reads them
    QTest::addColumn<int>("write_error");    // of writing the album; 0: written
    QTest::addColumn<int>("version");        // of the tag written; 0: not checked
    QTest::addColumn<QByteArrayList>("frames");  // that stay byte for byte
    QTest::addColumn<int>("written");            // the fields written (field_bit values)
    const QByteArray audio = audio_frames(12);
    // changed: the ids of the frames that do not stay byte for byte (all in 2.2).
    auto kept_but = [](const Id3v2& t, const QByteArrayList& changed) {
      QByteArrayList kept;
      for (const Id3Frame& f : t.frames)
        if (t.version > 2 && !changed.contains(f.id)) kept << frame_bytes(t, f);
      return kept;
    };
    auto row = [&](const char* name, Unusual kind, const QStringList& texts, const QStringList& peer, int error,
                   const QByteArrayList& changed, int written = field_bit::album) {
      const Id3v2 t = unusual_tag(kind);
      QTest::newRow(name) << id3v2_bytes(t) + audio << texts << peer << error << std::max(t.version, 3)
                          << kept_but(t, changed) << written;
    };
    const QStringList ours = k_unusual_texts;
    const QStringList compressed{ours[0] + QString(40, QChar(0x3042)), ours[1], ours[2]};
    const QStringList reported{"Emit and exude", "she", "emit and exude"}, plain{"Title", "Artist", "Album"};
    const QStringList invalid{"Title", "Artist", QStringLiteral("Al\uFFFDbum")};
    row("zero-size frames at the start", Unusual::zero_size_first, reported, reported, 0, {"TALB"});
    row("zero-size frame in the middle", Unusual::zero_size_middle, ours, ours, 0, {"TALB"});
    row("zero-size frame at the end", Unusual::zero_size_end, ours, ours, 0, {"TALB"});
    row("compressed frame (2.3)", Unusual::compressed_23, compressed, compressed, 0, {"TALB"});
    row("compressed frame (2.4, data length)", Unusual::compressed_24, compressed, compressed, 0, {"TALB"});
    row("extended header (2.3)", Unusual::extended_23, ours, ours, 0, {"TALB"});
    row("extended header (2.4)", Unusual::extended_24, ours, ours, 0, {"TALB"});
    row("extended header with a CRC (2.3)", Unusual::extended_23_crc, ours, ours, 0, {"TALB"});
    row("extended header with every flag (2.4)", Unusual::extended_24_all, ours, ours, 0, {"TALB"});
    row("unsynchronised (2.3)", Unusual::unsynchronised, ours, ours, 0, {"TALB"});
    row("2.2 with TDA and TIM", Unusual::v22_date, plain, plain, 0, {});
    row("2.2 with a frame of no 2.3 form", Unusual::v22_unknown, plain, plain, tag_error::write_failed, {});
    row("frame of no valid id first", Unusual::invalid_id_first, ours, ours, 0, {"TALB"});
    row("zero-size frame with unknown flags", Unusual::zero_size_flagged, ours, ours, 0, {"TALB", "TXXX"});
    row("UTF-16 without a byte order mark", Unusual::utf16_no_mark, ours, ours, 0, {"TALB"});
    // mutagen drops the frame; TagLib reads it as empty.
    row("invalid UTF-8 byte", Unusual::invalid_utf8, invalid, {"Title", "Artist", {}}, 0, {"TALB"});
    // Every other frame carried as it is, whatever its flags, sizes or text.
    const QByteArrayList text_ids{"TIT2", "TPE1", "TALB"};
    row("encrypted frame (2.3)", Unusual::encrypted_23, ours, ours, 0, text_ids, field_bit::all);
    row("encrypted frame (2.4)", Unusual::encrypted_24, ours, ours, 0, text_ids, field_bit::all);
    row("grouped frame (2.3)", Unusual::grouped_23, ours, ours, 0, text_ids, field_bit::all);
    row("grouped frame (2.4)", Unusual::grouped_24, ours, ours, 0, text_ids, field_bit::all);
    row("data length indicator (2.4)", Unusual::data_length_24, ours, ours, 0, text_ids, field_bit::all);
    row("frame to be discarded on change", Unusual::discard_flagged, ours, ours, 0, text_ids, field_bit::all);
    row("TLEN of an odd UTF-16 length", Unusual::odd_utf16_length, ours, ours, 0, text_ids, field_bit::all);
    row("plain frame sizes (iTunes, 2.4)", Unusual::plain_sizes_24, ours, ours, 0, text_ids, field_bit::all);
    row("every frame unsynchronised (2.4)", Unusual::unsynchronised_24, ours, ours, 0, text_ids, field_bit::all);
    row("unsynchronised, all three written", Unusual::unsynchronised, ours, ours, 0, text_ids, field_bit::all);
    row("extended header with a CRC, all three written", Unusual::extended_23_crc, ours, ours, 0, text_ids,
        field_bit::all);
    {
      // The album frame says 5000 bytes: read up to the tag's end, but not
      // written over.
      Id3v2 t = text_tag(3, Enc::latin1, "Title", "Artist", {});
      add_extras(t);
      QByteArray tag = id3v2_bytes(t);
      QByteArray album = frame_bytes(3, {"TALB", text_body(Enc::latin1, QStringLiteral("Album"))});
      album.replace(4, 4, QByteArray("\0\0\x13\x88", 4));
      tag += album;
      const qsizetype body = tag.size() - 10;
      for (int k = 0; k < 4; ++k) tag[6 + k] = static_cast<char>((body >> (7 * (3 - k))) & 0x7F);
      const QStringList texts{"Title", "Artist", "Album"};
      QTest::newRow("frame size past the tag") << tag + audio << texts << texts << tag_error::write_failed
                                               << 0 << QByteArrayList{} << field_bit::album;
    }
    {
      // A short file: the tag's size runs past its end, its first frames whole.
      Id3v2 t = text_tag(3, Enc::utf16, ours[0], ours[1], {});
      add_extras(t, 3000);
      const QByteArray tag = id3v2_bytes(t);
      QTest::newRow("tag cut short by the end of the file")
          << tag.left(tag.size() - 1000) << QStringList{ours[0], ours[1], {}} << QStringList{{}, {}, {}}
          << tag_error::read_failed << 0 << QByteArrayList{} << field_bit::album;
    }
    {
      const QByteArray junk = QByteArray("stray bytes of some old tool ").repeated(10);
      const QByteArray v1 = id3v1_bytes(Id3v1{"Title A", "Artist A", "", "", ""});
      const QStringList texts{"Title A", "Artist A", {}};
      QTest::newRow("junk before the audio, then ID3v1") << junk + audio + v1 << texts << texts << 0 << 0
                                                         << QByteArrayList{} << field_bit::album;
    }
    // No audio, or a tag past junk: read and written all the same, the junk
    // kept as it is.
    const QStringList v1{"Title A", "Artist A", "Album A"}, none{{}, {}, {}};
    const QByteArrayList kept{frame_bytes(3, unusual_tag(Unusual::extended_23).frames.back())};
    const int album = field_bit::album;
    QTest::newRow("tag alone") << odd_file(OddFile::tag_alone) << ours << ours << 0 << 3 << kept << album;
    // mutagen reads past the tag by its extended header's size, and fails where nothing follows.
    QTest::newRow("tag alone, extended header with a CRC")
        << odd_file(OddFile::crc_tag_alone) << ours << none << 0 << 4
        << kept_but(unusual_tag(Unusual::extended_24_all), text_ids) << +field_bit::all;
    const Id3v2 encrypted = unusual_tag(Unusual::encrypted_24);
    QTest::newRow("tag alone, encrypted frame (2.4)") << id3v2_bytes(encrypted) << ours << ours << 0 << 4
                                                      << kept_but(encrypted, text_ids) << +field_bit::all;
    QTest::newRow("ID3v1 alone") << odd_file(OddFile::v1_alone) << v1 << v1 << 0 << 0 << QByteArrayList{} << album;
    QTest::newRow("junk, then ID3v1") << odd_file(OddFile::v1_after_junk) << v1 << v1 << 0 << 0
                                      << QByteArrayList{} << album;
    const QByteArray junk_file = odd_file(OddFile::tag_after_junk);
    QTest::newRow("2 KB of junk, then the tag") << junk_file << ours << none << 0 << 0 << kept << album;
    QTest::newRow("2 KB of junk, then the tag, all three grown")
        << junk_file << ours << none << 0 << 0 << kept << +field_bit::all;
    const QByteArray roomy = id3v2_bytes(text_tag(3, Enc::utf16, "Title", "Artist", "Album", 256));
    QTest::newRow("junk, then a tag with room, in place")
        << QByteArray(3000, 'j') + roomy + audio << plain << none << 0 << 0 << QByteArrayList{} << album;
  }
  // An APE tag is kept in step with the album written: its Album item
  // anew, every other item as it was; or, one that can't be carried whole,
  // the write refused and the file byte for byte.
  void ape_kept_in_step_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("ape");  // as mutagen reads it afterwards
    QTest::addColumn<int>("write_error");
    const QByteArray v2 = id3v2_bytes(text_tag(3, Enc::utf16, k_unusual_texts[0], k_unusual_texts[1], "ID3 album"));
    const QByteArray audio = audio_frames(12);
    const QByteArray v1 = id3v1_bytes(Id3v1{"Title", "Artist", "ID3 album", "2001", "", 3, 12});
    const QList<ApeItem> items{{"Title", "APE title"}, {"Album", "APE album"},
                               {"REPLAYGAIN_TRACK_GAIN", "-6.20 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.988"},
                               {"Cover Art (Front)", QByteArray("cover.jpg\0", 10) + QByteArray(300, '\xAB'), 2},
                               {"MY_TAG", "own value"}};
    const QStringList kept{"Title=APE title", "REPLAYGAIN_TRACK_GAIN=-6.20 dB", "REPLAYGAIN_TRACK_PEAK=0.988",
                           "Cover Art (Front)=<310 bytes>", "MY_TAG=own value"};
    const QStringList after = QStringList(kept) << QStringLiteral("Album=") + k_new_album;
    QTest::newRow("APEv2 before ID3v1") << v2 + audio + ape_tag_bytes(items) + v1 << after << 0;
    QTest::newRow("APEv2 at the end") << v2 + audio + ape_tag_bytes(items) << after << 0;
    QTest::newRow("APEv1 before ID3v1") << v2 + audio + ape_tag_bytes(items, 1000) + v1 << after << 0;
    QList<ApeItem> same_size = items;
    same_size[1].value = k_new_album.toUtf8();
    same_size[1].value.chop(3);
    same_size[1].value += "xyz";
    // Room in both tags: written in place, under the journal.
    const QByteArray roomy =
        id3v2_bytes(text_tag(3, Enc::utf16, k_unusual_texts[0], k_unusual_texts[1], "ID3 album", 256));
    QTest::newRow("APEv2 album of the new one's size, in place")
        << roomy + audio + ape_tag_bytes(same_size) + v1 << after << 0;
    QTest::newRow("APE tag without an album item")
        << v2 + audio + ape_tag_bytes(items.mid(2)) << QStringList(kept.mid(1)) + after.mid(5) << 0;
    QByteArray miscounted = ape_tag_bytes(items);
    miscounted[16] = 9;  // the header says nine items
    miscounted[miscounted.size() - 16] = 9;
    QTest::newRow("APE tag of miscounted items") << v2 + audio + miscounted + v1 << QStringList() << +tag_error::write_failed;
    QList<ApeItem> binary_album = items;
    binary_album[1].flags = 2;
    QTest::newRow("APE album item of binary data")
        << v2 + audio + ape_tag_bytes(binary_album) + v1 << QStringList() << +tag_error::write_failed;
  }
  void ape_kept_in_step() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, ape);
    QFETCH(int, write_error);
    const QString path = dir_.filePath(QStringLiteral("ape%1.mp3").arg(++seq_));
    write_file(path, file);
    const QByteArray name = QFile::encodeName(path);
    auto lib = make_taglib_library();
    Read r = read_with(*lib, name);
    QVERIFY(r.ok);
    // ID3 first: the APE tag's texts are not what the table shows.
    QCOMPARE(r.texts(), (QStringList{k_unusual_texts[0], k_unusual_texts[1], "ID3 album"}));
    QCOMPARE(write_fields(*lib, name, r), write_error);
    if (write_error) {
      QCOMPARE(read_file(path), file);
      return;
    }
    QCOMPARE(read_with(*lib, name).texts(), (QStringList{k_unusual_texts[0], k_unusual_texts[1], k_new_album}));
    QStringList items = peer_ape(path);
    items.sort();
    ape.sort();
    QCOMPARE(items, ape);
    const QByteArray now = read_file(path);
    QVERIFY(now.indexOf(audio_frames(12)) > 0);
    QCOMPARE(now.right(128).startsWith("TAG"), file.right(128).startsWith("TAG"));
    if (QByteArray(QTest::currentDataTag()).contains("in place")) QCOMPARE(now.size(), file.size());
  }

  void read_then_written() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, peer);
    QFETCH(int, write_error);
    QFETCH(int, version);
    QFETCH(QByteArrayList, frames);
    QFETCH(int, written);
    const QString path = dir_.filePath(QStringLiteral("p%1.mp3").arg(++seq_));
    write_file(path, file);
    const QByteArray name = QFile::encodeName(path);
    const QStringList peer_before = peer_frames(path);
    QCOMPARE(peer_texts(peer_before), peer);
    // Junk before a tag stays as it is, and so does the audio behind the tag.
    const qsizetype junk = file.startsWith("ID3") ? 0 : std::max<qsizetype>(0, file.indexOf("ID3"));
    const QByteArray audio = audio_bytes_of(file.mid(junk));

    auto lib = make_taglib_library();
    Read r = read_with(*lib, name);
    QVERIFY(r.ok);
    QCOMPARE(r.texts(), texts);
    QCOMPARE(write_fields(*lib, name, r, written), write_error);
    if (write_error) {
      QCOMPARE(read_file(path), file);
      return;
    }
    QStringList want = texts, peer_want = peer;
    for (int i = 0; i < 3; ++i)
      if (written & (1 << i)) want[i] = peer_want[i] = k_new_texts[i];
    QCOMPARE(read_with(*lib, name).texts(), want);
    const QStringList peer_after = peer_frames(path);
    if (peer != QStringList(3)) {
      QCOMPARE(peer_texts(peer_after), peer_want);
      QCOMPARE(without_written(peer_after, written), without_written(peer_before, written));
    }
    const QByteArray now = read_file(path);
    QCOMPARE(now.left(junk), file.left(junk));
    QCOMPARE(audio_bytes_of(now.mid(junk)), audio);
    if (QByteArray(QTest::currentDataTag()).contains("in place")) QCOMPARE(now.size(), file.size());
    for (const QByteArray& f : frames) QVERIFY2(now.indexOf(f) > 0, f.left(4).constData());
    if (version) QCOMPARE(now[3], static_cast<char>(version));
    if (junk > 0) QCOMPARE(dump_tags(path).album, want[2]);
  }
};

QTEST_GUILESS_MAIN(TestPeerTags)
#include "test_peer_tags.moc"
