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

// The frames but the album; a 2.2 picture's image format as the MIME type
// its 2.3 frame holds.
QStringList without_album(QStringList frames) {
  frames.removeIf([](const QString& f) { return f.startsWith(QLatin1String("TALB=")); });
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

QByteArray text(Enc enc, const QString& s) { return text_body(enc, s); }
Id3Frame fr(const char* id, const QByteArray& body, char format = 0) { return {id, body, format}; }

// The tag of the report: zero-size frames first (an empty TENC, a 2-byte
// WXXX, an empty TCOP), as an old Windows player wrote them.
Id3v2 zero_size_first() {
  Id3v2 t{4, {fr("TENC", {}), fr("WXXX", QByteArray(2, '\0')), fr("TCOP", {}),
              fr("TIT2", text(Enc::latin1, "Emit and exude")), fr("TRCK", text(Enc::latin1, "3/12")),
              fr("TDRC", text(Enc::latin1, "2004")), fr("TCON", text(Enc::latin1, "Rock")),
              fr("TALB", text(Enc::latin1, "emit and exude")),
              fr("POPM", QByteArray("rater@example.invalid\0\xC4\0\0\0\x05", 27)),
              fr("TCOM", text(Enc::latin1, "Composer")), fr("TPE1", text(Enc::latin1, "she")),
              fr("COMM", comm_body(Enc::latin1, "a comment", "eng"))},
          64, 0, {}};
  return t;
}

Id3v2 rich(int version, const QString& title, const QString& artist, const QString& album) {
  Id3v2 t = text_tag(version, version == 4 ? Enc::utf8 : Enc::utf16, title, artist, album, 32);
  add_extras(t, 1200);
  return t;
}

const QString k_title = QStringLiteral("春の歌");
const QString k_artist = QStringLiteral("歌手");
const QString k_album = QStringLiteral("アルバム");
const QString k_new_album = QStringLiteral("新しいアルバム");

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
    const QByteArray audio = audio_frames(12);
    const QStringList ours{k_title, k_artist, k_album};
    auto frames_of = [](const Id3v2& t, const QByteArrayList& except = {}) {
      QByteArrayList out;
      for (const Id3Frame& f : t.frames)
        if (!except.contains(f.id)) out << frame_bytes(t.version, f);
      return out;
    };
    auto row = [&](const char* name, const Id3v2& t, QStringList texts, QStringList peer, int error,
                   QByteArrayList kept) {
      QTest::newRow(name) << id3v2_bytes(t) + audio << texts << peer << error << std::max(t.version, 3) << kept;
    };

    {
      const Id3v2 t = zero_size_first();
      const QStringList texts{"Emit and exude", "she", "emit and exude"};
      row("zero-size frames at the start", t, texts, texts, 0, frames_of(t, {"TALB"}));
    }
    {
      Id3v2 t = rich(3, k_title, k_artist, k_album);
      t.frames.insert(t.frames.begin() + 1, fr("TENC", {}));
      row("zero-size frame in the middle", t, ours, ours, 0, frames_of(t, {"TALB"}));
      t = rich(3, k_title, k_artist, k_album);
      t.frames.push_back(fr("TCOP", {}));
      row("zero-size frame at the end", t, ours, ours, 0, frames_of(t, {"TALB"}));
    }
    for (const int v : {3, 4}) {
      // Compressed title: TagLib writes it back uncompressed, the same text.
      Id3v2 t = rich(v, {}, k_artist, k_album);
      const QByteArray title = text(Enc::utf16, k_title + QString(40, QChar(0x3042)));
      t.frames.insert(t.frames.begin(), fr("TIT2", compressed_body(v, title), v == 4 ? '\x09' : '\x80'));
      const QStringList texts{k_title + QString(40, QChar(0x3042)), k_artist, k_album};
      QTest::newRow(v == 4 ? "compressed frame (2.4, data length)" : "compressed frame (2.3)")
          << id3v2_bytes(t) + audio << texts << texts << 0 << v << frames_of(t, {"TIT2", "TALB"});
    }
    {
      Id3v2 t = rich(3, k_title, k_artist, k_album);
      t.flags = 0x40;
      t.extended_header = QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10);
      row("extended header (2.3)", t, ours, ours, 0, frames_of(t, {"TALB"}));
      t = rich(4, k_title, k_artist, k_album);
      t.flags = 0x40;
      t.extended_header = QByteArray("\0\0\0\x06\x01\0", 6);
      row("extended header (2.4)", t, ours, ours, 0, frames_of(t, {"TALB"}));
    }
    {
      Id3v2 t = rich(3, k_title, k_artist, k_album);
      t.flags = '\x80';
      t.frames.push_back(fr("PRIV", QByteArray("owner\0\xFF\xE0\xFF\0\xFF", 11)));
      row("unsynchronised (2.3)", t, ours, ours, 0, frames_of(t, {"TALB"}));
    }
    {
      // The album frame says 5000 bytes: read up to the tag's end, but not
      // written over.
      Id3v2 t = text_tag(3, Enc::latin1, "Title", "Artist", {});
      add_extras(t);
      QByteArray tag = id3v2_bytes(t);
      QByteArray album = frame_bytes(3, fr("TALB", text(Enc::latin1, "Album")));
      album.replace(4, 4, QByteArray("\0\0\x13\x88", 4));
      tag += album;
      const qsizetype body = tag.size() - 10;
      for (int k = 0; k < 4; ++k) tag[6 + k] = static_cast<char>((body >> (7 * (3 - k))) & 0x7F);
      const QStringList texts{"Title", "Artist", "Album"};
      QTest::newRow("frame size past the tag") << tag + audio << texts << texts << tag_error::write_failed
                                               << 0 << QByteArrayList{};
    }
    {
      // A short file: the tag's size runs past its end, its first frames whole.
      Id3v2 t = text_tag(3, Enc::utf16, k_title, k_artist, {});
      add_extras(t, 3000);
      const QByteArray tag = id3v2_bytes(t);
      QTest::newRow("tag cut short by the end of the file")
          << tag.left(tag.size() - 1000) << QStringList{k_title, k_artist, {}} << QStringList{{}, {}, {}}
          << tag_error::read_failed << 0 << QByteArrayList{};
    }
    {
      const QByteArray junk = QByteArray("stray bytes of some old tool ").repeated(10);
      const QByteArray v1 = id3v1_bytes(Id3v1{"Title A", "Artist A", "", "", ""});
      const QStringList texts{"Title A", "Artist A", {}};
      QTest::newRow("junk before the audio, then ID3v1") << junk + audio + v1 << texts << texts << 0 << 0
                                                         << QByteArrayList{};
    }
    {
      Id3v2 t{2, {fr("TT2", text(Enc::latin1, "Title")), fr("TP1", text(Enc::latin1, "Artist")),
                  fr("TAL", text(Enc::latin1, "Album")), fr("TYE", text(Enc::latin1, "2010")),
                  fr("TDA", text(Enc::latin1, "0304")), fr("TIM", text(Enc::latin1, "1122")),
                  fr("COM", comm_body(Enc::utf16, k_title)), fr("PIC", apic_body(800, 2))},
              0, 0, {}};
      const QStringList texts{"Title", "Artist", "Album"};
      row("2.2 with TDA and TIM", t, texts, texts, 0, {});
      t.frames.push_back(fr("XYZ", "made-up frame"));
      row("2.2 with a frame of no 2.3 form", t, texts, texts, tag_error::write_failed, {});
    }
    {
      Id3v2 t = rich(4, {}, {}, {});
      t.frames.insert(t.frames.begin(), {fr("TIT2", text(Enc::utf8, "Title")), fr("TPE1", text(Enc::utf8, "Artist")),
                                         fr("TALB", "\3Al\xFF" "bum")});
      // mutagen drops the frame; TagLib reads it as empty.
      row("invalid UTF-8 byte", t, {"Title", "Artist", QStringLiteral("Al\uFFFDbum")}, {"Title", "Artist", {}}, 0,
          frames_of(t, {"TALB"}));
    }
  }
  void read_then_written() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, peer);
    QFETCH(int, write_error);
    QFETCH(int, version);
    QFETCH(QByteArrayList, frames);
    const QString path = dir_.filePath(QStringLiteral("p%1.mp3").arg(++seq_));
    write_file(path, file);
    const QByteArray name = QFile::encodeName(path);
    const QStringList peer_before = peer_frames(path);
    QCOMPARE(peer_texts(peer_before), peer);
    const QByteArray audio = audio_bytes_of(file);

    auto lib = make_taglib_library();
    Read r = read_with(*lib, name);
    QVERIFY(r.ok);
    QCOMPARE(r.texts(), texts);
    set_field(r.record.album, k_tag_text_bytes, k_new_album, ' ');
    const int ok = lib->vbmp3_setTagInfo(name, r.record, field_bit::album, 1);
    const int error = lib->vbmp3_getLastErrorNo();
    lib->vbmp3_close();
    lib->finish_writes();
    QCOMPARE(error, write_error);
    if (write_error) {
      QCOMPARE(ok, 0);
      QCOMPARE(read_file(path), file);
      return;
    }
    QCOMPARE(ok, 1);
    const QStringList want{texts[0], texts[1], k_new_album};
    QCOMPARE(read_with(*lib, name).texts(), want);
    const QStringList peer_after = peer_frames(path);
    QCOMPARE(peer_texts(peer_after), (QStringList{peer[0], peer[1], k_new_album}));
    QCOMPARE(without_album(peer_after), without_album(peer_before));
    const QByteArray now = read_file(path);
    QCOMPARE(audio_bytes_of(now), audio);
    for (const QByteArray& f : frames) QVERIFY2(now.indexOf(f) > 0, f.left(4).constData());
    if (version) QCOMPARE(now[3], static_cast<char>(version));
  }
};

QTEST_GUILESS_MAIN(TestPeerTags)
#include "test_peer_tags.moc"
