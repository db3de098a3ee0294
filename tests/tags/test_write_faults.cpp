// Faults between the program and the disk, on real files with the real tag
// library: a write killed part-way, files that change between the listing
// and the read or write, and tags the fuzzers found TagLib would damage.
// The promise under test: no file is lost or left half-written, every
// failure is reported, the other files are still processed.

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mp3_fixture.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "table/scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tags/read_tags.h"
#include "tags/tag_library.h"
#include "tags/tag_writers.h"

using namespace tn;
using namespace tn::test;

namespace {

// A folder of real MP3 files, listed and read into the table as the program does.
struct Table {
  QTemporaryDir dir;
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  std::unique_ptr<TagLibrary> lib = make_taglib_library();
  Context cx{state, grid, dialogs, *lib};

  explicit Table(int n, int audio_frames = 8) {
    for (int i = 1; i <= n; ++i)
      make_mp3(dir.path(), QStringLiteral("%1.mp3").arg(i),
               {text_tag(3, Enc::utf16, QStringLiteral("曲%1").arg(i), QStringLiteral("歌手"),
                         QStringLiteral("アルバム")),
                Id3v1{"old", "B", "C", "", ""}, audio_frames});
    state.edit_folder = dir.path() + QLatin1Char('/');
    state.file_count = static_cast<qint16>(n);
    grid.set_max_rows(n);
    relist_entries(cx, Relist::rebuild);
    fill_table(cx);
  }
  QString path(int row) const { return dir.filePath(QStringLiteral("%1.mp3").arg(row)); }
  void set(int c, int r, const QString& t) {
    grid.set_col(c);
    grid.set_row(r);
    grid.set_text(t);
  }
  // Long titles: the new tag no longer fits, so each file is rewritten.
  void long_titles() {
    paint_columns(cx, col::title, col::artist, k_edited);
    for (int r = 1; r <= state.file_count; ++r) set(col::title, r, QString(40, QChar(0x66F2)) + QString::number(r));
  }
  QStringList entries() const {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
  }
};

QString write_error(int error, const QString& name) {
  return msg::error_number + QString::number(error) + msg::error_text(error) + name +
         msg::tag_write_failed_tail;
}

}  // namespace

class WriteFaults : public QObject {
  Q_OBJECT

 private slots:
  // A rewrite killed at a random moment, again and again: each time the file
  // is the old one or the complete new one, never anything between, and a
  // temporary file of the dead writer goes with the next write at the latest.
  void killed_at_random_moments() {
    Table t(1, frames_for(8 * 1024 * 1024));
    const QString path = t.path(1);
    const QByteArray original = read_file(path);
    const QByteArray audio = audio_bytes_of(original);
    QRandomGenerator rng(20240501);
    int replaced = 0, kept = 0;
    for (int round = 0; round < 6; ++round) {
      QVERIFY(QFile::remove(path));
      write_file(path, original);
      const pid_t pid = ::fork();
      if (pid == 0) {
        auto lib = make_taglib_library();
        TagRecordBytes rec = empty_tag_bytes();
        set_field(rec.title, k_tag_text_bytes, QString(42, QChar(0x66F2)), ' ');
        ::_exit(lib->vbmp3_setTagInfo(encode_file_name(path), rec, 1, 1) ? 0 : 1);
      }
      ::usleep(static_cast<useconds_t>(rng.bounded(1000, 60000)));
      ::kill(pid, SIGKILL);
      int status = 0;
      QCOMPARE(::waitpid(pid, &status, 0), pid);
      const QByteArray now = read_file(path);
      if (now == original) {
        ++kept;
      } else {
        ++replaced;
        QCOMPARE(audio_bytes_of(now), audio);
        QCOMPARE(dump_tags(path).title, QString(42, QChar(0x66F2)));
      }
      for (const QString& e : t.entries())
        QVERIFY2(e == QLatin1String("1.mp3") || e.startsWith(QLatin1String(".tagnarabe-")), qPrintable(e));
      // The next write clears what a dead writer left.
      t.set(col::title, 1, QStringLiteral("next"));
      t.dialogs.yes();
      cmd_write_kyokumei(t.cx);
      QCOMPARE(t.entries(), QStringList{"1.mp3"});
      QCOMPARE(dump_tags(path).title, QStringLiteral("next"));
      QCOMPARE(audio_bytes(path), audio);
    }
    qInfo("killed %d times: %d old files kept, %d complete new ones", kept + replaced, kept, replaced);
  }

  // Between the listing and the write, file 2 of 3 changes under us.
  void changed_before_the_write_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("error");
    QTest::newRow("removed") << "removed" << tag_error::cannot_open;
    QTest::newRow("became a folder") << "folder" << tag_error::cannot_open;
    QTest::newRow("replaced by a text") << "text" << tag_error::unknown_format;
    QTest::newRow("lost its read permission") << "unreadable" << tag_error::cannot_open;
    QTest::newRow("folder lost its write permission") << "read-only folder" << tag_error::write_failed;
  }
  void changed_before_the_write() {
    QFETCH(QString, change);
    QFETCH(int, error);
    const bool needs_permissions = change == "unreadable" || change == "read-only folder";
    if (needs_permissions && ::geteuid() == 0)
      QSKIP("running as root, which ignores file and folder permissions");
    Table t(3);
    t.long_titles();
    const QString victim = t.path(2);
    const QByteArray before = read_file(victim);
    if (change == "removed") {
      QVERIFY(QFile::remove(victim));
    } else if (change == "folder") {
      QVERIFY(QFile::remove(victim));
      QVERIFY(QDir().mkdir(victim));
    } else if (change == "text") {
      QVERIFY(QFile::remove(victim));
      write_file(victim, broken_bytes(Broken::text_file));
    } else if (change == "unreadable") {
      QVERIFY(::chmod(QFile::encodeName(victim).constData(), 0) == 0);
    } else {
      QVERIFY(::chmod(QFile::encodeName(t.dir.path()).constData(), 0555) == 0);
    }
    t.dialogs.yes();
    cmd_write_all(t.cx);
    if (change == "read-only folder") {
      // Files 1 and 3 need a rewrite too, which the folder now refuses.
      QCOMPARE(t.dialogs.notices(), (QStringList{write_error(error, "1.mp3"), write_error(error, "2.mp3"),
                                                 write_error(error, "3.mp3")}));
      QVERIFY(::chmod(QFile::encodeName(t.dir.path()).constData(), 0755) == 0);
      QCOMPARE(read_file(victim), before);
      QCOMPARE(t.entries(), (QStringList{"1.mp3", "2.mp3", "3.mp3"}));
      return;
    }
    QCOMPARE(t.dialogs.notices(), QStringList{write_error(error, "2.mp3")});
    for (int r : {1, 3}) QCOMPARE(dump_tags(t.path(r)).title, QString(40, QChar(0x66F2)) + QString::number(r));
    QCOMPARE(t.grid.cell_colour(col::title, 2), k_edited);
    QCOMPARE(t.grid.cell_colour(col::title, 1), k_white);
    if (change == "removed") QVERIFY(!QFileInfo::exists(victim));
    if (change == "folder") QVERIFY(QFileInfo(victim).isDir() && QDir(victim).isEmpty());
    if (change == "text") QCOMPARE(read_file(victim), broken_bytes(Broken::text_file));
    if (change == "unreadable") {
      QVERIFY(::chmod(QFile::encodeName(victim).constData(), 0644) == 0);
      QCOMPARE(read_file(victim), before);
    }
    const QStringList left = change == "removed" ? QStringList{"1.mp3", "3.mp3"}
                                                 : QStringList{"1.mp3", "2.mp3", "3.mp3"};
    QCOMPARE(t.entries(), left);
  }

  // Between the listing and the read: the same changes give a read error for
  // that row alone.
  void changed_before_the_read_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("notice");
    const QString open1 = msg::error_number + "1" + msg::error_text(1) + "2.mp3" + msg::open_failed_tail;
    QTest::newRow("removed") << "removed" << open1;
    QTest::newRow("became a folder") << "folder" << open1;
    QTest::newRow("lost its read permission") << "unreadable" << open1;
  }
  void changed_before_the_read() {
    QFETCH(QString, change);
    QFETCH(QString, notice);
    if (change == "unreadable" && ::geteuid() == 0)
      QSKIP("running as root, which reads every file whatever its permissions");
    Table t(3);
    const QString victim = t.path(2);
    if (change == "removed") {
      QVERIFY(QFile::remove(victim));
    } else if (change == "folder") {
      QVERIFY(QFile::remove(victim));
      QVERIFY(QDir().mkdir(victim));
    } else {
      QVERIFY(::chmod(QFile::encodeName(victim).constData(), 0) == 0);
    }
    read_tags(t.cx);
    QCOMPARE(t.dialogs.notices(), QStringList{notice});
    QCOMPARE(t.grid.cell_text(col::title, 1), QStringLiteral("曲1"));
    QCOMPARE(t.grid.cell_text(col::title, 3), QStringLiteral("曲3"));
    QCOMPARE(t.state.file(1), QString());
    QCOMPARE(t.grid.cell_colour(col::order, 2), k_error);
  }

  // Tags found by fuzzing that TagLib would write back damaged.
  void damaged_by_a_rewrite_data() {
    QTest::addColumn<QByteArray>("frame");  // a TALB frame of a 2.3 tag, header included
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("album");  // read back after writing the title
    // Encoding byte 0x1D: read as big-endian UTF-16, but TagLib rendered it as nothing.
    QTest::newRow("unknown encoding byte")
        << QByteArray("TALB\x00\x00\x00\x05\x00\x00\x1D\x30\xA2\x30\xEB", 15) << true
        << QStringLiteral("アル");
    // 0xE5 arrives as a negative encoding type.
    QTest::newRow("encoding byte above 0x7F")
        << QByteArray("TALB\x00\x00\x00\x05\x00\x00\xE5\x30\xA2\x30\xEB", 15) << true
        << QStringLiteral("アル");
    // Flagged to be discarded when the tag changes: TagLib drops it, the
    // album the table showed with it.
    QTest::newRow("discard-on-change flag")
        << QByteArray("TALB\x00\x00\x00\x06\x80\x00\x00" "Album", 16) << true << QStringLiteral("Album");
    // Encrypted: TagLib writes the ciphertext back with the flag cleared.
    QTest::newRow("encrypted frame")
        << QByteArray("TALB\x00\x00\x00\x08\x00\x40\x53\x50\x49\x00\x00\x41\x6C\x62", 18) << false
        << QString();
  }
  void damaged_by_a_rewrite() {
    QFETCH(QByteArray, frame);
    QFETCH(bool, written);
    QFETCH(QString, album);
    QTemporaryDir dir;
    Id3v2 tag = text_tag(3, Enc::utf16, QStringLiteral("Title"), QStringLiteral("Artist"), {});
    QByteArray bytes = mp3_bytes({tag, std::nullopt, 6});
    // Splice the raw frame in after the header and fix the tag size.
    const int size = static_cast<int>(id3v2_bytes(tag).size()) - 10 + static_cast<int>(frame.size());
    bytes.insert(10, frame);
    for (int i = 0; i < 4; ++i) bytes[6 + i] = static_cast<char>((size >> (7 * (3 - i))) & 0x7F);
    const QString path = dir.filePath(QStringLiteral("x.mp3"));
    write_file(path, bytes);
    const QByteArray audio = audio_bytes(path);

    auto lib = make_taglib_library();
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info));
    QVERIFY(lib->vbmp3_getTagInfo(rec));
    QCOMPARE(field_text(rec.album, k_tag_text_bytes), album);
    set_field(rec.title, k_tag_text_bytes, QString(40, QChar(0x66F2)), ' ');
    const int ok = lib->vbmp3_setTagInfo(encode_file_name(path), rec, 1, 1);
    lib->vbmp3_close();
    QCOMPARE(ok != 0, written);
    if (!written) {
      QCOMPARE(lib->vbmp3_getLastErrorNo(), tag_error::write_failed);
      QCOMPARE(read_file(path), bytes);
      return;
    }
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info));
    QVERIFY(lib->vbmp3_getTagInfo(rec));
    lib->vbmp3_close();
    QCOMPARE(field_text(rec.title, k_tag_text_bytes), QString(40, QChar(0x66F2)));
    QCOMPARE(field_text(rec.album, k_tag_text_bytes), album);
    QCOMPARE(audio_bytes(path), audio);
  }

  // An ID3v2 tag inside the audio is not the file's tag: TagLib finds it,
  // but its frames must not reach the new tag at the start.
  void tag_inside_the_audio() {
    QTemporaryDir dir;
    const QByteArray inner = id3v2_bytes(text_tag(2, Enc::latin1, "Inner", "??", "Album"));
    const QByteArray bytes = audio_frames(2) + inner + audio_frames(4);
    const QString path = dir.filePath(QStringLiteral("x.mp3"));
    write_file(path, bytes);
    auto lib = make_taglib_library();
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info) && lib->vbmp3_getTagInfo(rec));
    QCOMPARE(field_text(rec.artist, k_tag_text_bytes), QString());
    set_field(rec.title, k_tag_text_bytes, QStringLiteral("New"), ' ');
    QVERIFY(lib->vbmp3_setTagInfo(encode_file_name(path), rec, 1, 1));
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info) && lib->vbmp3_getTagInfo(rec));
    lib->vbmp3_close();
    QCOMPARE(field_text(rec.title, k_tag_text_bytes), QStringLiteral("New"));
    QCOMPARE(field_text(rec.artist, k_tag_text_bytes), QString());
    QCOMPARE(field_text(rec.album, k_tag_text_bytes), QString());
    QVERIFY(read_file(path).endsWith(bytes));  // the audio, inner tag and all, byte for byte
  }

  // Clearing all three fields: the other frames stay (TagLib's isEmpty() and
  // save() look at the basic fields only), and a tag left without frames
  // stays as an empty one, so that bytes before the first audio frame do not
  // become the start of the file.
  void clearing_every_field_data() {
    QTest::addColumn<int>("padding");
    QTest::addColumn<bool>("cover");
    QTest::addColumn<QByteArray>("junk");  // between the tag and the first frame
    QTest::newRow("cover, rewritten") << 0 << true << QByteArray();
    QTest::newRow("cover, in place") << 256 << true << QByteArray();
    QTest::newRow("junk before the audio, rewritten") << 0 << false << QByteArray("\x01\x02junk");
    QTest::newRow("junk before the audio, in place") << 256 << false << QByteArray("\x01\x02junk");
  }
  void clearing_every_field() {
    QFETCH(int, padding);
    QFETCH(bool, cover);
    QFETCH(QByteArray, junk);
    QTemporaryDir dir;
    Id3v2 tag = text_tag(3, Enc::utf16, "Title", "Artist", {}, padding);
    if (cover) {
      tag.frames.push_back({"APIC", apic_body(300)});
      tag.frames.push_back({"TPE2", text_body(Enc::utf16, QStringLiteral("アルバムアーティスト"))});
    }
    const QByteArray after_tag = junk + audio_frames(4);
    const QString path = dir.filePath(QStringLiteral("x.mp3"));
    write_file(path, id3v2_bytes(tag) + after_tag);
    const QByteArray picture = dump_tags(path).picture;
    auto lib = make_taglib_library();
    TagRecordBytes rec = empty_tag_bytes();
    QVERIFY(lib->vbmp3_setTagInfo(encode_file_name(path), rec, 1, 1));
    QVERIFY(read_file(path).endsWith(after_tag));
    OpenRecordBytes info = empty_open_bytes();
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info) && lib->vbmp3_getTagInfo(rec));
    lib->vbmp3_close();
    QCOMPARE(field_text(rec.title, k_tag_text_bytes), QString());
    QCOMPARE(field_text(rec.artist, k_tag_text_bytes), QString());
    const TagDump d = dump_tags(path);
    QCOMPARE(d.picture, picture);
    if (cover) QCOMPARE(d.v2_texts.value("TPE2"), QStringList{QStringLiteral("アルバムアーティスト")});
  }

  // The inputs the write fuzzer failed on, each written as the fuzzer wrote
  // it (the last byte picks the fields): a failed write changes nothing, a
  // successful one reads back what the table held, audio unchanged.
  void kept_fuzz_inputs_data() {
    QTest::addColumn<QString>("input");
    const QString dir = QFINDTESTDATA("../../fuzz/regressions/fuzz_mp3_write");
    QVERIFY(!dir.isEmpty());
    for (const QString& name : QDir(dir).entryList(QDir::Files))
      QTest::newRow(qPrintable(name)) << QDir(dir).filePath(name);
  }
  void kept_fuzz_inputs() {
    QFETCH(QString, input);
    const QByteArray before = read_file(input);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mp3"));
    write_file(path, before);
    const auto pick = static_cast<unsigned char>(before.back());
    const QString texts[4] = {QString(), QStringLiteral("a"), QStringLiteral("新しい曲名"), QString(42, QChar(0x66F2))};
    auto lib = make_taglib_library();
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    if (!lib->vbmp3_open(encode_file_name(path), info) || !lib->vbmp3_getTagInfo(rec)) return;
    char* fields[3] = {rec.title, rec.artist, rec.album};
    QString want[3];
    for (int i = 0; i < 3; ++i) {
      const int choice = (pick >> (2 * i)) & 3;
      if (choice != 0 || (pick & 0xC0) != 0) set_field(fields[i], k_tag_text_bytes, texts[choice], ' ');
      want[i] = field_text(fields[i], k_tag_text_bytes).trimmed();
    }
    const bool ok = lib->vbmp3_setTagInfo(encode_file_name(path), rec, 1, 1) != 0;
    lib->vbmp3_close();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.mp3"});
    if (!ok) {
      QCOMPARE(read_file(path), before);
      return;
    }
    QVERIFY(lib->vbmp3_open(encode_file_name(path), info) && lib->vbmp3_getTagInfo(rec));
    lib->vbmp3_close();
    for (int i = 0; i < 3; ++i) QCOMPARE(field_text(fields[i], k_tag_text_bytes), want[i]);
  }
};

QTEST_GUILESS_MAIN(WriteFaults)
#include "test_write_faults.moc"
