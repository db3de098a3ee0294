// The fast ID3v2 reader against TagLib on real files: plain tags it must
// answer itself with exactly TagLib's texts; tags that are not plain it reads
// too, giving every text TagLib gives and more where TagLib gives up (the
// texts themselves are checked in test_tag_library); what only TagLib's
// quirks decide it must leave to TagLib.

#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include "mp3_fixture.h"
#include "tags/frame_check.h"
#include "tags/id3v2_reader.h"
#include "tags/tag_library.h"
#include "unusual_tags.h"
#include "tags/mp3_probe.h"

using namespace tn;
using namespace tn::test;

namespace {

enum Expect { reads, beyond, declines };

QByteArray synchsafe(quint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (21 - 7 * i)) & 0x7F);
  return b;
}

QByteArray be32(quint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (24 - 8 * i));
  return b;
}

// A frame with any size bytes and flags.
QByteArray frame(int version, const QByteArray& id, const QByteArray& body, char flags1 = 0,
                 char flags2 = 0, QByteArray size = {}) {
  const auto n = static_cast<quint32>(body.size());
  if (version == 2) return id + (size.isEmpty() ? be32(n).right(3) : size) + body;
  if (size.isEmpty()) size = version == 4 ? synchsafe(n) : be32(n);
  return id + size + flags1 + flags2 + body;
}

// A tag around raw frame bytes, with any header flags.
QByteArray tag(int version, const QByteArray& frames, char flags = 0) {
  return QByteArray("ID3") + static_cast<char>(version) + '\0' + flags +
         synchsafe(static_cast<quint32>(frames.size())) + frames;
}

QByteArray utf16le(const QString& s) { return encode(Enc::utf16, s).mid(2); }

const QString k_t = QStringLiteral("春の歌");
const QString k_a = QStringLiteral("歌手");
const QString k_b = QStringLiteral("アルバム");

}  // namespace

class TestId3v2Reader : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void agrees_with_taglib_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expect");
    const Enc encodings[] = {Enc::latin1, Enc::utf16, Enc::utf16be, Enc::utf8};
    const char* names[] = {"latin1", "utf16", "utf16be", "utf8"};

    // Every version and encoding, bare and with the usual frames and a cover.
    for (int v = 2; v <= 4; ++v) {
      for (int e = 0; e < 4; ++e) {
        const bool latin = encodings[e] == Enc::latin1;
        const QString t = latin ? QStringLiteral("Café del Mar") : k_t;
        const QString a = latin ? QStringLiteral("Beyoncé") : k_a;
        const QString b = latin ? QStringLiteral("Ünïcödé") : k_b;
        QTest::addRow("v2.%d %s", v, names[e]) << id3v2_bytes(text_tag(v, encodings[e], t, a, b)) << +reads;
        Id3v2 rich = text_tag(v, encodings[e], t, a, b, 2048);
        add_extras(rich, 100 * 1024);
        QTest::addRow("v2.%d %s, extras and picture", v, names[e]) << id3v2_bytes(rich) << +reads;
        // The picture first: the reader steps over it to the text frames.
        std::rotate(rich.frames.begin(), rich.frames.end() - 1, rich.frames.end());
        QTest::addRow("v2.%d %s, picture first", v, names[e]) << id3v2_bytes(rich) << +reads;
      }
    }

    // Legacy bytes in ISO-8859-1 frames.
    QTest::newRow("shift-jis") << id3v2_bytes(raw_tag(3, sjis(k_t), sjis(k_a), sjis(k_b))) << +reads;
    QTest::newRow("shift-jis v2.2") << id3v2_bytes(raw_tag(2, sjis(k_t), sjis(k_a), sjis(k_b))) << +reads;
    QTest::newRow("western latin-1")
        << id3v2_bytes(raw_tag(4, "Pok\xE9mon", "M\xD6TLEY CR\xDC" "E", "Caf\xE9")) << +reads;
    QTest::newRow("utf-8 in a latin-1 frame")
        << id3v2_bytes(raw_tag(3, k_t.toUtf8(), k_a.toUtf8(), "plain")) << +reads;

    // Sizes and characters.
    QTest::newRow("padding 4096")
        << id3v2_bytes(text_tag(3, Enc::utf16, k_t, k_a, k_b, 4096)) << +reads;
    const QString long_text(200, QLatin1Char('x'));
    const QString kanji(100, QChar(0x6F22));
    QTest::newRow("200 characters, 100 kanji")
        << id3v2_bytes(text_tag(3, Enc::utf16, long_text, kanji, k_b)) << +reads;
    QTest::newRow("100 kanji utf-8") << id3v2_bytes(text_tag(4, Enc::utf8, kanji, long_text, k_b))
                                     << +reads;
    QTest::newRow("text larger than a read window")
        << id3v2_bytes(text_tag(3, Enc::utf16, QString(5000, QChar(0x6F22)), k_a, k_b)) << +reads;
    QTest::newRow("utf-16 with a mark before and in the text")
        << id3v2_bytes(text_tag(3, Enc::utf16, QChar(0xFEFF) + k_t + QChar(0xFEFF), k_a, k_b)) << +reads;
    const QString emoji = QStringLiteral("🎵 Song 😀");
    for (int e = 1; e < 4; ++e)
      QTest::addRow("emoji %s", names[e]) << id3v2_bytes(text_tag(4, encodings[e], emoji, emoji, k_b))
                                          << +reads;

    // Frames missing, doubled, empty.
    QTest::newRow("title only") << id3v2_bytes(text_tag(3, Enc::utf16, k_t, {}, {})) << +reads;
    QTest::newRow("album only") << id3v2_bytes(text_tag(4, Enc::utf8, {}, {}, k_b)) << +reads;
    {
      Id3v2 t = text_tag(3, Enc::utf16, {}, {}, {}, 512);
      add_extras(t, 3000);
      QTest::newRow("no text frames") << id3v2_bytes(t) << +reads;
    }
    QTest::newRow("no frames, padding only") << id3v2_bytes(text_tag(3, Enc::utf16, {}, {}, {}, 300))
                                             << +reads;
    QTest::newRow("tag of size zero") << tag(3, {}) << +reads;
    QTest::newRow("body exactly one frame header") << tag(3, QByteArray(10, 'A')) << +reads;
    QTest::newRow("two titles: the first counts")
        << tag(3, frame(3, "TIT2", text_body(Enc::utf16, "first")) +
                      frame(3, "TIT2", text_body(Enc::utf16, "second")))
        << +reads;
    QTest::newRow("empty first title")
        << tag(3, frame(3, "TIT2", "\x01") + frame(3, "TIT2", text_body(Enc::utf16, "second")))
        << +reads;
    QTest::newRow("first title only a byte order mark")
        << tag(3, frame(3, "TIT2", QByteArray("\x01\xFF\xFE", 3)) +
                      frame(3, "TPE1", text_body(Enc::latin1, "a")))
        << +reads;
    QTest::newRow("status flags") << tag(3, frame(3, "TIT2", text_body(Enc::latin1, "t"), '\x80'))
                                  << +reads;
    QTest::newRow("short junk at the end")
        << tag(3, frame(3, "TIT2", text_body(Enc::latin1, "t")) + "JUNKY") << +reads;
    QTest::newRow("garbage after all three")
        << tag(3, id3v2_bytes(text_tag(3, Enc::utf8, k_t, k_a, k_b)).mid(10) + "!!garbage!!")
        << +reads;

    // Several values, terminators, byte order marks.
    const auto tit2 = [](int v, const QByteArray& body) {
      return tag(v, frame(v, v == 2 ? "TT2" : "TIT2", body));
    };
    QTest::newRow("latin-1 values") << tit2(3, QByteArray("\0A\0B\0\0C", 8)) << +reads;
    QTest::newRow("shift-jis values") << tit2(3, '\0' + sjis(k_t) + '\0' + sjis(k_a)) << +reads;
    QTest::newRow("trailing zeros") << tit2(4, QByteArray("\3A\0\0\0", 5)) << +reads;
    QTest::newRow("utf-8 values") << tit2(4, '\3' + k_t.toUtf8() + '\0' + k_a.toUtf8() + '\0')
                                  << +reads;
    QTest::newRow("utf-8 with a byte order mark") << tit2(4, "\3\xEF\xBB\xBF" "abc") << +reads;
    QTest::newRow("utf-16 values, each with its mark")
        << tit2(3, '\1' + encode(Enc::utf16, k_t) + QByteArray(2, '\0') + encode(Enc::utf16, k_a))
        << +reads;
    QTest::newRow("utf-16 values, the first with a mark")
        << tit2(3, '\1' + encode(Enc::utf16, k_t) + QByteArray(2, '\0') + utf16le(k_a)) << +reads;
    QTest::newRow("utf-16 values, big-endian mark first")
        << tit2(3, QByteArray("\1\xFE\xFF", 3) + encode(Enc::utf16be, k_t) + QByteArray(2, '\0') +
                       encode(Enc::utf16be, k_a))
        << +reads;
    // Read as little-endian, as mutagen reads them; TagLib reads no text.
    QTest::newRow("utf-16 empty first value, then one without a mark")
        << tit2(3, QByteArray("\1\0\0", 3) + utf16le(k_a)) << +beyond;
    QTest::newRow("utf-16 without a mark") << tit2(3, '\1' + utf16le(k_t)) << +beyond;
    QTest::newRow("utf-16 odd byte count") << tit2(3, '\1' + encode(Enc::utf16, k_t) + 'x') << +reads;
    QTest::newRow("utf-16 zero byte off the pairs")
        << tit2(3, QByteArray("\1\xFF\xFE" "A\0\0B\0", 8)) << +reads;
    QTest::newRow("utf-16be with a leading mark") << tit2(4, "\2\xFE\xFF" + encode(Enc::utf16be, k_t))
                                                  << +reads;
    QTest::newRow("only the encoding byte") << tit2(3, QByteArray(1, '\1')) << +reads;
    QTest::newRow("only zeros") << tit2(3, QByteArray("\1\0\0\0\0", 5)) << +reads;

    // A 2.4 frame of more than 127 bytes followed by padding: the reader
    // checks, as TagLib does, whether a 2.3-style size would lead to a frame.
    QTest::newRow("v2.4 large frame before padding")
        << id3v2_bytes(text_tag(4, Enc::utf16, long_text, {}, {}, 1000)) << +reads;

    // Not plain: read, where TagLib reads them with the same texts.
    QTest::newRow("unsynchronised v2.3")
        << tag(3, frame(3, "TIT2", QByteArray("\0A\xFF\0\xE0" "B", 6)), '\x80') << +beyond;
    QTest::newRow("unsynchronised v2.4")
        << tag(4, frame(4, "TIT2", text_body(Enc::latin1, "t")), '\x80') << +beyond;
    QTest::newRow("extended header v2.3")
        << tag(3, be32(6) + QByteArray(6, '\0') + frame(3, "TIT2", text_body(Enc::latin1, "t")),
               '\x40')
        << +beyond;
    QTest::newRow("extended header v2.4")
        << tag(4, synchsafe(6) + QByteArray("\1\0", 2) + frame(4, "TIT2", text_body(Enc::latin1, "t")),
               '\x40')
        << +beyond;
    QTest::newRow("extended header v2.3 with a CRC") << id3v2_bytes(unusual_tag(Unusual::extended_23_crc))
                                                     << +beyond;
    QTest::newRow("extended header v2.4, every flag") << id3v2_bytes(unusual_tag(Unusual::extended_24_all))
                                                      << +beyond;
    for (const int kb : {2, 63})
      QTest::addRow("%d KB of junk before the tag", kb)
          << QByteArray(kb * 1024, 'j') + id3v2_bytes(text_tag(3, Enc::utf16, k_t, k_a, k_b)) << +reads;
    QTest::newRow("experimental") << tag(3, frame(3, "TIT2", text_body(Enc::latin1, "t")), '\x20')
                                  << +beyond;
    {
      const QByteArray frames = frame(4, "TIT2", text_body(Enc::latin1, "t"));
      QByteArray footer = tag(4, frames, '\x10').left(10);
      footer.replace(0, 3, "3DI");
      QTest::newRow("footer") << tag(4, frames, '\x10') + footer << +beyond;
    }
    for (const char f : {'\x80', '\x40', '\x20'})
      QTest::addRow("v2.3 frame flag %02x", f & 0xFF)
          << tag(3, frame(3, "TIT2", be32(2) + text_body(Enc::latin1, "t"), 0, f)) << +beyond;
    for (const char f : {'\x40', '\x08', '\x04', '\x02', '\x01'})
      QTest::addRow("v2.4 frame flag %02x", f & 0xFF)
          << tag(4, frame(4, "TIT2", synchsafe(2) + text_body(Enc::latin1, "t"), 0, f)) << +beyond;
    // A 2.4 compressed frame has its data length even without the flag.
    QTest::newRow("v2.4 compressed, no data length flag")
        << tag(4, frame(4, "TIT2", compressed_body(4, text_body(Enc::utf8, k_t)), 0, '\x08')) << +beyond;
    // 2.2 defined no compression: TagLib reads the frames under the flag as
    // they stand, but where the first four bytes are a size that fits.
    const QByteArray v22 = id3v2_bytes(text_tag(2, Enc::latin1, "Title", "Artist", "Album")).mid(10);
    QTest::newRow("v2.2 compression flag") << tag(2, v22, '\x40') << +reads;
    QTest::newRow("v2.2 compression flag, unsynchronised")
        << tag(2, frame(2, "TT2", QByteArray("\0A\xFF\0\xE0" "B", 6)) + v22, '\xC0') << +beyond;
    QTest::newRow("v2.2 compression flag, a size first")
        << tag(2, be32(6) + QByteArray(2, '\0') + v22, '\x40') << +declines;
    // No audio after the tag: read all the same.
    QTest::newRow("tag alone (no audio)") << odd_file(OddFile::tag_alone) << +reads;
    QTest::newRow("v2.4 with a CRC alone (no audio)") << odd_file(OddFile::crc_tag_alone) << +beyond;
    QTest::newRow("v2.4 size not synchsafe")
        << tag(4, frame(4, "TIT2", text_body(Enc::latin1, "t") + QByteArray(200, 'x'), 0, 0,
                        be32(202)) +
                      QByteArray(50, '\0'))
        << +declines;
    {
      // Read as synchsafe (256) the frame leads to nothing; read as 2.3-style
      // (512) to a title, which TagLib then finds.
      QByteArray frames = frame(4, "TXXX", '\0' + QByteArray(511, 'x'), 0, 0, be32(512));
      frames.replace(10 + 256, 10, QByteArray(10, '\0'));
      frames += frame(4, "TIT2", text_body(Enc::latin1, "hidden"));
      QTest::newRow("v2.4 frame with a 2.3-style size") << tag(4, frames) << +declines;
    }
    QTest::newRow("iTunes 2.2 id in a 2.3 tag")
        << tag(3, frame(3, QByteArray("TT2\0", 4), text_body(Enc::latin1, "t"))) << +beyond;
    QTest::newRow("unknown encoding") << tit2(3, "\4A\0") << +declines;
    QTest::newRow("lone surrogate") << tit2(3, QByteArray("\1\xFF\xFE" "A\0\x3D\xD8" "B\0", 9)) << +declines;
    QTest::newRow("invalid utf-8") << tit2(4, "\3ab\xC3\x28") << +beyond;

    // Broken: the walk ends there, with the frames before it.
    const QByteArray ok = frame(3, "TIT2", text_body(Enc::latin1, "t"));
    QTest::newRow("frame size past the tag")
        << tag(3, ok + frame(3, "TPE1", text_body(Enc::latin1, "a"), 0, 0, be32(5000))) << +beyond;
    QTest::newRow("frame size just past the tag")
        << tag(3, ok + frame(3, "TPE1", text_body(Enc::latin1, "a"), 0, 0, be32(3))) << +beyond;
    QTest::newRow("zero-size frame")
        << tag(3, ok + frame(3, "TCON", {}) + frame(3, "TPE1", text_body(Enc::latin1, "a")))
        << +beyond;
    // Stepped over by its size, as mutagen does: no text behind it is lost.
    QTest::newRow("first frame of no valid id")
        << tag(3, frame(3, "Date", text_body(Enc::latin1, "2004")) + ok) << +beyond;
    QTest::newRow("zero-size frame with unknown flags before the padding")
        << tag(3, ok + frame(3, "TXXX", {}, '\x1F', '\x1F') + QByteArray(64, '\0')) << +reads;
    QTest::newRow("garbage id") << tag(3, ok + frame(3, "T!T2", text_body(Enc::latin1, "x"))) << +beyond;
    QTest::newRow("lower-case id") << tag(3, frame(3, "tit2", text_body(Enc::latin1, "x"))) << +beyond;
    QTest::newRow("garbage before the album")
        << tag(3, ok + "garbage bytes here" + frame(3, "TALB", text_body(Enc::latin1, "b")))
        << +beyond;
    QTest::newRow("body shorter than a frame header") << tag(3, "ABC") << +declines;
    QTest::newRow("v2.2 size past the tag")
        << tag(2, frame(2, "TT2", text_body(Enc::latin1, "t"), 0, 0, QByteArray("\0\x10\0", 3)))
        << +beyond;
  }
  void agrees_with_taglib() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expect);
    const QString path = dir_.filePath(QStringLiteral("t.mp3"));
    const bool audio = !QByteArray(QTest::currentDataTag()).endsWith("(no audio)");
    write_file(path, audio ? bytes + audio_frames(24) : bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const Mp3Probe probe = probe_mp3(fd);
    QCOMPARE(probe.no_audio, !audio);
    Id3v2Texts fast, slow;
    const Id3v2Read r = read_id3v2_texts(fd, probe, fast);
    const bool tl = read_id3v2_texts_taglib(fd, slow);
    ::close(fd);
    QCOMPARE(probe.error, 0);
    QVERIFY(!probe.tag_broken);
    QVERIFY(tl);
    QCOMPARE(r, expect == declines ? Id3v2Read::cannot_say : Id3v2Read::done);
    for (int i = 0; r == Id3v2Read::done && i < 3; ++i)
      if (expect == reads || !slow[i].isEmpty()) QCOMPARE(fast[i], slow[i]);
  }

  // The check before a write replaces a text, with the walk made to misread
  // one field: where the walk stepped over anything, TagLib's own parse
  // catches it in a field the write replaces; ordinary tags are not checked.
  void write_check_catches_a_misread_data() {
    QTest::addColumn<int>("kind");     // an Unusual; -1 an ordinary tag
    QTest::addColumn<int>("misread");  // the field the walk gets wrong; -1 none
    QTest::addColumn<int>("written");  // fields replaced, bit i for field i
    QTest::addColumn<int>("other");    // a field beyond the three written; -1 none
    QTest::addColumn<int>("error");
    const int odd[] = {int(Unusual::invalid_id_first), int(Unusual::zero_size_flagged), int(Unusual::utf16_no_mark),
                       int(Unusual::zero_size_first)};
    for (const int k : odd) {
      QTest::addRow("kind %d, read right", k) << k << -1 << 7 << -1 << +tag_error::none;
      QTest::addRow("kind %d, title misread and written", k) << k << 0 << 1 << -1 << +tag_error::write_failed;
      QTest::addRow("kind %d, artist misread, album written", k) << k << 1 << 4 << -1 << +tag_error::none;
      QTest::addRow("kind %d, album misread and written", k) << k << 2 << 6 << -1 << +tag_error::write_failed;
    }
    QTest::newRow("ordinary tag, not parsed twice") << -1 << 0 << 7 << -1 << +tag_error::none;
    // TagLib reads no text from the composer's UTF-16 without a byte order mark.
    const int no_mark = int(Unusual::utf16_no_mark);
    QTest::newRow("composer without a byte order mark, written")
        << no_mark << -1 << 0 << int(Field::composer) << +tag_error::write_failed;
    QTest::newRow("composer without a byte order mark, track written")
        << no_mark << -1 << 0 << int(Field::track) << +tag_error::none;
  }
  void write_check_catches_a_misread() {
    QFETCH(int, kind);
    QFETCH(int, misread);
    QFETCH(int, written);
    QFETCH(int, other);
    QFETCH(int, error);
    Id3v2 t = kind < 0 ? text_tag(3, Enc::utf16, k_t, k_a, k_b) : unusual_tag(Unusual(kind));
    if (other >= 0) t.frames.push_back({"TCOM", QByteArray("\x01\x5C\x4F\xF2\x66\x05\x80", 7)});
    const QByteArray bytes = id3v2_bytes(t);
    Id3v2Texts texts;
    Id3v2Layout layout;
    QCOMPARE(walk_id3v2(memory_bytes(bytes), t.version, bytes.size(), texts, &layout), Id3v2Read::done);
    QCOMPARE(layout.stepped_over, kind >= 0);
    if (misread >= 0) texts[misread] += QLatin1Char('?');
    WantedTexts wanted;
    for (int i = 0; i < 3; ++i) wanted[i].kept = !(written & 1 << i);
    OtherEdits others;
    if (other >= 0) others.push_back({Field(other), QStringLiteral("9")});
    QCOMPARE(check_replaced_texts(bytes, t.version, texts, layout, wanted, others), error);
  }

  void untagged_file_has_no_texts() {
    const QString path = dir_.filePath(QStringLiteral("untagged.mp3"));
    write_file(path, audio_frames(24));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    Id3v2Texts texts{QStringLiteral("stale"), {}, {}};
    const Id3v2Read r = read_id3v2_texts(fd, probe_mp3(fd), texts);
    ::close(fd);
    QCOMPARE(r, Id3v2Read::done);
    QVERIFY(texts == Id3v2Texts{});
  }

  // A file cut short after the probe must be a failure, not an empty tag.
  void file_shrunk_since_the_probe_is_a_read_error() {
    const QString path = dir_.filePath(QStringLiteral("shrinks.mp3"));
    Id3v2 t = text_tag(3, Enc::utf16, {}, k_a, k_b);
    add_extras(t, 20000);
    t.frames.push_back({"TIT2", text_body(Enc::utf16, k_t)});
    write_file(path, id3v2_bytes(t) + audio_frames(24));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const Mp3Probe probe = probe_mp3(fd);
    QVERIFY(::ftruncate(fd, 5000) == 0);
    Id3v2Texts texts;
    const Id3v2Read r = read_id3v2_texts(fd, probe, texts);
    ::close(fd);
    QCOMPARE(r, Id3v2Read::read_error);
  }
};

QTEST_GUILESS_MAIN(TestId3v2Reader)
#include "test_id3v2_reader.moc"
