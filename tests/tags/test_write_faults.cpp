// Faults between the program and the disk, on real files with the real tag
// library: a write killed part-way, files that change between the listing
// and the read or write, and tags the fuzzers found TagLib would damage.
// The promise under test: no file is lost or left half-written, every
// failure is reported, the other files are still processed.

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mp3_fixture.h"
#include "table_fixture.h"
#include "shell/folder_confirm.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "durable/journal.h"
#include "tags/messages.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

using namespace tn;
using namespace tn::test;

namespace {

// A folder of real MP3 files (in `base`), confirmed and read into the table
// as the program does.
struct Table : RealTable {
  QTemporaryDir dir;
  NoShell shell;

  explicit Table(int n, int audio_frames = 8, int cover = 0, int padding = 0,
                 const QString& base = QDir::tempPath())
      : dir(base + QStringLiteral("/write-faults-XXXXXX")) {
    for (int i = 1; i <= n; ++i) {
      Id3v2 tag = text_tag(3, Enc::utf16, QStringLiteral("曲%1").arg(i), QStringLiteral("歌手"),
                           QStringLiteral("アルバム"), padding);
      if (cover > 0) tag.frames.push_back({"APIC", apic_body(cover)});
      make_mp3(dir.path(), QStringLiteral("%1.mp3").arg(i), {tag, Id3v1{"old", "B", "C", "", ""}, audio_frames});
    }
    confirm();
  }
  // What a folder confirmation does: leftovers of dead writers dealt with,
  // the table filled and read.
  void confirm() {
    dialogs.yes();
    QVERIFY(confirm_folder(cx, shell, dir.path(), QString(), list_mp3_files(dir.path())));
  }
  QString path(int row) const { return dir.filePath(QStringLiteral("%1.mp3").arg(row)); }
  // Long titles: the new tag no longer fits, so each file is rewritten.
  void long_titles() {
    paint_columns(cx, col::title, col::artist, k_edited);
    for (int r = 1; r <= state.file_count; ++r) put(col::title, r, QString(40, QChar(0x66F2)) + QString::number(r));
  }
  // What the folder holds beside its write history.
  QStringList entries() const {
    QStringList e = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                               QDir::Name);
    e.removeAll(QStringLiteral(".tagnarabe-history"));
    return e;
  }
};

// A tag whose text frames sit behind a 100 KB cover, so that a file-size
// limit can fall inside them while the (small) journal is whole.
Id3v2 cover_first_tag() {
  Id3v2 tag = text_tag(3, Enc::utf16, "Old", "B", "C", 2000);
  tag.frames.insert(tag.frames.begin(), {"APIC", apic_body(100 * 1024)});
  return tag;
}
qint64 frames_end(const Id3v2& tag) { return id3v2_bytes(tag).size() - tag.padding; }

// Writes a new title into path in a child that a file-size limit of `limit`
// bytes kills part-way, as a power cut or a kill would stop it.
bool die_mid_write(const QString& path, qint64 limit) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit lim{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    auto lib = make_taglib_library();
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    const QByteArray p = encode_file_name(path);
    if (lib->vbmp3_open(p, info) && lib->vbmp3_getTagInfo(rec)) {
      set_field(rec.title, k_tag_text_bytes, QStringLiteral("New title"), ' ');
      lib->vbmp3_setTagInfo(p, rec, field_bit::title, 1);
    }
    ::_exit(0);
  }
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

// Runs code of a test's just before a run writes its second file (after
// the run has told the library every write it will make).
struct BeforeFile2 : Progress {
  std::function<void()> before_file_2;
  void begin(int) override {}
  void step(int done) override {
    if (done == 1 && before_file_2) std::exchange(before_file_2, nullptr)();
  }
  void end() override {}
};

QString write_error(int error, const QString& name) {
  return msg::error_number + QString::number(error) + msg::error_text(error) + name +
         msg::tag_write_failed_tail;
}

}  // namespace

class WriteFaults : public QObject {
  Q_OBJECT

 private slots:
  // Writes killed at random moments, again and again: in place (tags of
  // 256 KB, under the journal) and rewritten, on tmpfs and on the disk.
  // Every other kill comes while a file is being overwritten (its
  // modification time has just moved), where a tear would be. After each
  // kill and the next folder confirmation every file is its old or its new
  // self, byte for byte, and nothing else is in the folder.
  void killed_at_random_moments_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("padding");  // 0: the new tag does not fit, each file is rewritten
    for (const auto& [fs, base] : {std::pair{"tmpfs", QStringLiteral("/dev/shm")},
                                   std::pair{"disk", QDir::tempPath()}}) {
      QTest::addRow("%s, in place", fs) << base << 4096;
      QTest::addRow("%s, rewritten", fs) << base << 0;
    }
  }
  void killed_at_random_moments() {
    QFETCH(QString, base);
    QFETCH(int, padding);
    if (!QFileInfo(base).isDir()) QSKIP("no such folder");
    Table t(3, 24, 256 * 1024, padding, base);
    const QStringList files{"1.mp3", "2.mp3", "3.mp3"};
    std::vector<QByteArray> old_bytes, new_bytes;
    for (int r = 1; r <= 3; ++r) old_bytes.push_back(read_file(t.path(r)));
    auto start_writer = [&] {
      for (int r = 1; r <= 3; ++r) t.put(col::album, r, QStringLiteral("新しいアルバムの名前"));
      const pid_t pid = ::fork();
      if (pid == 0) {
        const bool written = tag_write_album(t.cx).empty();
        ::_exit(written ? 0 : 1);
      }
      return pid;
    };
    // One run to its end: the new files, and how long a run takes.
    QElapsedTimer timer;
    timer.start();
    pid_t pid = start_writer();
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto run_us = static_cast<quint32>(timer.nsecsElapsed() / 1000);
    for (int r = 1; r <= 3; ++r) new_bytes.push_back(read_file(t.path(r)));
    QVERIFY(new_bytes[0] != old_bytes[0]);

    QRandomGenerator rng(20261208);
    int old_files = 0, new_files = 0;
    const int rounds = 75;
    for (int round = 0; round < rounds; ++round) {
      for (int r = 1; r <= 3; ++r) write_file(t.path(r), old_bytes[r - 1]);
      t.confirm();
      const QString target = t.path(1 + static_cast<int>(rng.bounded(3)));
      const QDateTime was = QFileInfo(target).fileTime(QFileDevice::FileModificationTime);
      pid = start_writer();
      if (round % 2) {
        ::usleep(rng.bounded(run_us + run_us / 4 + 1));
      } else {
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(target).fileTime(QFileDevice::FileModificationTime) == was &&
               waited.elapsed() < 2000 && ::waitpid(pid, &status, WNOHANG) == 0) {
        }
        const qint64 until = waited.nsecsElapsed() + rng.bounded(20) * 1000;
        while (waited.nsecsElapsed() < until) {
        }
      }
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      t.confirm();
      for (int r = 1; r <= 3; ++r) {
        const QByteArray now = read_file(t.path(r));
        QVERIFY2(now == old_bytes[r - 1] || now == new_bytes[r - 1],
                 qPrintable(QStringLiteral("round %1, file %2").arg(round).arg(r)));
        ++(now == old_bytes[r - 1] ? old_files : new_files);
      }
      QCOMPARE(t.entries(), files);
    }
    QCOMPARE(t.dialogs.notices(), QStringList());
    qInfo("killed %d times (a run takes %u us): %d files old, %d new", rounds, run_us, old_files, new_files);
  }

  // Between the listing and the write, file 2 of 3 changes under us.
  void changed_before_the_write_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("error");
    for (const char* when : {"", ", during the run"}) {
      const auto row = [when](const char* name, const char* change, int error) {
        QTest::addRow("%s%s", name, when) << change << error;
      };
      row("removed", "removed", tag_error::cannot_open);
      row("became a folder", "folder", tag_error::cannot_open);
      row("replaced by a text", "text", tag_error::unknown_format);
      row("lost its read permission", "unreadable", tag_error::cannot_open);
      if (!*when) row("folder lost its write permission", "read-only folder", tag_error::write_failed);
      // Another file under the same name: the table's texts are not its own.
      row("swapped for another song", "swapped", tag_error::changed_on_disk);
      row("rewritten by another program", "rewritten", tag_error::changed_on_disk);
      // Its size and time as they were: only the change time tells.
      if (*when) row("rewritten, its time set back", "rewritten, time set back", tag_error::changed_on_disk);
      row("a link to a file elsewhere put in its place", "link", tag_error::changed_on_disk);
    }
  }
  void changed_before_the_write() {
    QFETCH(QString, change);
    QFETCH(int, error);
    const bool needs_permissions = change == "unreadable" || change == "read-only folder";
    if (needs_permissions && ::geteuid() == 0)
      QSKIP("running as root, which ignores file and folder permissions");
    // Before the run: files rewritten. During the run, after it has told the
    // library every write it will make, just before file 2's: in place.
    const bool during = QByteArray(QTest::currentDataTag()).endsWith("during the run");
    Table t(3, 8, 0, during ? 2048 : 0);
    t.long_titles();
    const QString victim = t.path(2);
    const QByteArray before = read_file(victim);
    QTemporaryDir elsewhere;
    const QString outside = make_mp3(elsewhere.path(), "outside.mp3",
                                     {text_tag(3, Enc::utf16, "別の曲", "別の歌手", "別のアルバム"), std::nullopt, 8});
    const QByteArray outside_bytes = read_file(outside);
    auto make_change = [&] {
      if (change == "removed") {
        QVERIFY(QFile::remove(victim));
      } else if (change == "swapped") {
        QVERIFY(QFile::remove(victim));
        QVERIFY(QFile::copy(outside, victim));
      } else if (change.startsWith("rewritten")) {
        struct stat was;
        QVERIFY(::stat(QFile::encodeName(victim).constData(), &was) == 0);
        QByteArray b = before;
        b.replace(b.size() - 125, 3, "new");  // the ID3v1 title, in the same file
        write_file(victim, b);
        const struct timespec times[2] = {was.st_atim, was.st_mtim};
        if (change != "rewritten") QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(victim).constData(), times, 0) == 0);
      } else if (change == "link") {
        QVERIFY(QFile::remove(victim));
        QVERIFY(QFile::link(outside, victim));
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
    };
    BeforeFile2 progress;
    if (during) {
      progress.before_file_2 = make_change;
      t.cx.progress = &progress;
    } else {
      make_change();
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
    if (change == "swapped") QCOMPARE(read_file(victim), outside_bytes);
    if (change.startsWith("rewritten")) QCOMPARE(read_file(victim).right(125).left(3), QByteArray("new"));
    if (change == "link") QVERIFY(QFileInfo(victim).isSymLink());
    QCOMPARE(read_file(outside), outside_bytes);
    if (change == "unreadable") {
      QVERIFY(::chmod(QFile::encodeName(victim).constData(), 0644) == 0);
      QCOMPARE(read_file(victim), before);
    }
    const QStringList left = change == "removed" ? QStringList{"1.mp3", "3.mp3"}
                                                 : QStringList{"1.mp3", "2.mp3", "3.mp3"};
    QCOMPARE(t.entries(), left);
  }

  // A link that was there when the folder was read is no row: no write goes
  // through it, and it stays a link to a file as it was.
  void a_link_read_with_the_folder_is_not_written_through() {
    Table t(1);
    QTemporaryDir elsewhere;
    const QString outside = make_mp3(elsewhere.path(), "outside.mp3",
                                     {text_tag(3, Enc::utf16, "A", "B", "C", 1024), std::nullopt, 8});
    const QByteArray before = read_file(outside);
    QVERIFY(QFile::link(outside, t.path(2)));
    t.confirm();
    QCOMPARE(t.state.file_count, 1);
    t.long_titles();
    t.dialogs.yes();
    cmd_write_all(t.cx);
    QCOMPARE(t.dialogs.notices(), QStringList{msg::write_all_done});
    QVERIFY(QFileInfo(t.path(2)).isSymLink());
    QCOMPARE(read_file(outside), before);
  }

  // A writer killed in the middle of an in-place write leaves its journal;
  // the next folder confirmation rolls the file back, or, when the file has
  // changed since, keeps the journal aside and says so, touching nothing.
  void journal_left_by_a_dead_writer_data() {
    QTest::addColumn<QString>("since");
    QTest::newRow("file left as it was") << "nothing";
    QTest::newRow("file changed since") << "changed";
    QTest::newRow("file removed since") << "removed";
    QTest::newRow("killed while journaling") << "journaling";
    // Every file of the folder a copy now (new inodes), as after a restore
    // from a backup: still the journaled file, rolled back.
    QTest::newRow("folder restored from a backup") << "restored";
    // Same name, size and tag, other audio: another file, left alone.
    QTest::newRow("another song in its place") << "other song";
    // A journal of a version this build does not know: kept for its build.
    QTest::newRow("journal of a newer build") << "newer";
  }
  void journal_left_by_a_dead_writer() {
    QFETCH(QString, since);
    Table t(2);
    const Id3v2 tag = cover_first_tag();
    const QByteArray before = mp3_bytes({tag, Id3v1{"Old", "B", "C", "", ""}, 40});
    const QString path = t.path(1);
    write_file(path, before);
    const qint64 cut = since == "journaling" ? 100 : frames_end(tag) - 20;
    QVERIFY(die_mid_write(path, cut));
    QByteArray torn = read_file(path);
    QCOMPARE(torn == before, since == "journaling");
    if (since == "changed") {
      const qint64 at = cut - 10;  // new by now; made neither old nor new
      char c = 0;
      while (c == before[at] || c == torn[at]) ++c;
      torn[at] = c;
      write_file(path, torn);
    } else if (since == "removed") {
      QVERIFY(QFile::remove(path));
    } else if (since == "other song") {
      // Every audio frame's body other than its 4-byte header.
      for (qint64 at = id3v2_bytes(tag).size(); at < torn.size() - 128; ++at)
        if ((at - id3v2_bytes(tag).size()) % k_frame_bytes >= 4) torn[at] = static_cast<char>(~torn[at]);
      QVERIFY(QFile::remove(path));
      write_file(path, torn);
    } else if (since == "newer") {
      for (const QString& name : t.entries().filter(QStringLiteral(".tagnarabe-journal-"))) {
        QByteArray journal = read_file(t.dir.filePath(name));
        journal[6] = '9';  // "TNJRNL9"
        write_file(t.dir.filePath(name), journal);
      }
    } else if (since == "restored") {
      for (const QString& name : t.entries()) {
        const QString p = t.dir.filePath(name);
        const QByteArray bytes = read_file(p);
        struct stat old_st;
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &old_st), 0);
        write_file(p + ".copy", bytes);
        QVERIFY(QFile::remove(p));
        QVERIFY(QFile::rename(p + ".copy", p));
        struct stat new_st;
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &new_st), 0);
        QVERIFY(new_st.st_ino != old_st.st_ino);
      }
    }
    t.confirm();
    QStringList entries = t.entries();
    const QStringList aside = entries.filter(QStringLiteral(".tagnarabe-unapplied-"));
    if (since == "changed" || since == "removed" || since == "other song") {
      QCOMPARE(aside.size(), 1);
      // As literal text: the one box of the program not shown in test_messages.
      QCOMPARE(t.dialogs.notices(),
               QStringList{QStringLiteral("1.mp3の書込は途中で中断され、その後ﾌｧｲﾙが変更されたため"
                                          "元に戻せませんでした。記録を") +
                           aside[0] + QStringLiteral("に残しました")});
      if (since != "removed") QCOMPARE(read_file(path), torn);
      for (const QString& a : aside) entries.removeAll(a);
    } else {
      QCOMPARE(t.dialogs.notices(), QStringList());
      QCOMPARE(read_file(path), since == "newer" ? torn : before);
    }
    if (since == "newer") {
      const QStringList kept = entries.filter(QStringLiteral(".tagnarabe-journal-"));
      QCOMPARE(kept.size(), 1);
      entries.removeAll(kept[0]);
    }
    QCOMPARE(entries, since == "removed" ? QStringList{"2.mp3"} : (QStringList{"1.mp3", "2.mp3"}));
  }

  // A run killed between its files: the journal holds every write of the
  // run. The file written is taken back (its run is not in the history),
  // the others stay as they are, and only a file the run wrote and another
  // program changed since is reported.
  void run_killed_between_files_data() {
    QTest::addColumn<int>("changed");  // the file changed after the kill; 0: none
    QTest::newRow("nothing changed since") << 0;
    QTest::newRow("the written file changed since") << 1;
    QTest::newRow("a file the run never reached changed since") << 3;
  }
  void run_killed_between_files() {
    QFETCH(int, changed);
    Table t(3, 8, 0, 2048);
    std::vector<QByteArray> old_bytes;
    for (int r = 1; r <= 3; ++r) old_bytes.push_back(read_file(t.path(r)));
    for (int r = 1; r <= 3; ++r) t.put(col::album, r, QStringLiteral("新しいアルバム"));
    const pid_t pid = ::fork();
    if (pid == 0) {
      BeforeFile2 progress;
      progress.before_file_2 = [] { ::raise(SIGKILL); };
      t.cx.progress = &progress;
      tag_write_album(t.cx);
      ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status));
    QVERIFY(!t.entries().filter(QStringLiteral(".tagnarabe-journal-")).isEmpty());
    QCOMPARE(dump_tags(t.path(1)).album, QStringLiteral("新しいアルバム"));
    // The run died before its history was stored: the file it wrote whole
    // is taken back too, so that no write stays that cannot be undone.
    std::vector<QByteArray> expected{read_file(t.path(1)), old_bytes[1], old_bytes[2]};
    if (changed) {
      QByteArray b = expected[changed - 1];
      const qsizetype at = b.indexOf(encode(Enc::utf16, changed == 1 ? "新しいアルバム" : "アルバム"));
      QVERIFY(at > 0);
      b[at + 3] = 'X';  // inside the album text, which the journal holds
      write_file(t.path(changed), b);
      expected[changed - 1] = b;
    }
    if (changed != 1) expected[0] = old_bytes[0];
    t.confirm();
    for (int r = 1; r <= 3; ++r) QCOMPARE(read_file(t.path(r)), expected[r - 1]);
    const QStringList aside = t.entries().filter(QStringLiteral(".tagnarabe-unapplied-"));
    QCOMPARE(aside.size(), changed == 1 ? 1 : 0);
    QCOMPARE(t.dialogs.notices(), changed == 1 ? QStringList{"1.mp3" + msg::journal_kept_middle + aside.value(0) +
                                                              msg::journal_kept_tail}
                                               : QStringList());
    QCOMPARE(t.entries().filter(QStringLiteral(".tagnarabe-journal-")), QStringList());
  }

  // A full file system: the journal (in place) or the new file (rewrite)
  // can't be written, and the old file stays as it was. In a small tmpfs of
  // a mount namespace of our own, where the system lets us make one.
  void a_full_disk_leaves_the_old_file_data() {
    QTest::addColumn<bool>("grows");
    QTest::newRow("in place") << false;
    QTest::newRow("rewrite") << true;
  }
  void a_full_disk_leaves_the_old_file() {
    QFETCH(bool, grows);
    QTemporaryDir mount_point;
    const QByteArray where = QFile::encodeName(mount_point.path());
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int ns = ::geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS;
      if (::unshare(ns) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=1m") != 0)
        ::_exit(77);
      const QString dir = mount_point.path();
      const QString path = make_mp3(dir, "song.mp3", {cover_first_tag(), Id3v1{"Old", "B", "C", "", ""}, 40});
      const QByteArray before = read_file(path);
      QFile filler(dir + "/filler");
      if (!filler.open(QIODevice::WriteOnly)) ::_exit(2);
      const QByteArray chunk(4096, 'x');
      while (filler.write(chunk) == chunk.size() && filler.flush()) {
      }
      filler.close();
      auto lib = make_taglib_library();
      OpenRecordBytes info = empty_open_bytes();
      TagRecordBytes rec = empty_tag_bytes();
      const QByteArray p = encode_file_name(path);
      if (!lib->vbmp3_open(p, info) || !lib->vbmp3_getTagInfo(rec)) ::_exit(3);
      set_field(rec.title, k_tag_text_bytes, grows ? QString(120, QChar(0x66F2)) : QStringLiteral("New"), ' ');
      const int ok = lib->vbmp3_setTagInfo(p, rec, field_bit::title, 1);
      const int error = lib->vbmp3_getLastErrorNo();
      lib->vbmp3_close();
      lib->finish_writes();
      if (ok || error != tag_error::write_failed) ::_exit(4);
      if (read_file(path) != before) ::_exit(5);
      if (QDir(dir).entryList(QDir::Files | QDir::Hidden) != QStringList{"filler", "song.mp3"}) ::_exit(6);
      ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) QSKIP("no small file system can be mounted here");
    QCOMPARE(WEXITSTATUS(status), 0);
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
    QTest::addColumn<int>("padding");    // 0: the file is rewritten; else written in place
    for (const int padding : {0, 512}) {
      const char* how = padding ? ", in place" : "";
      // Encoding byte 0x1D: read as big-endian UTF-16, but TagLib rendered it as nothing.
      QTest::addRow("unknown encoding byte%s", how)
          << QByteArray("TALB\x00\x00\x00\x05\x00\x00\x1D\x30\xA2\x30\xEB", 15) << true
          << QStringLiteral("アル") << padding;
      // 0xE5 arrives as a negative encoding type.
      QTest::addRow("encoding byte above 0x7F%s", how)
          << QByteArray("TALB\x00\x00\x00\x05\x00\x00\xE5\x30\xA2\x30\xEB", 15) << true
          << QStringLiteral("アル") << padding;
      // Flagged to be discarded when the tag changes: TagLib drops it, the
      // album the table showed with it.
      QTest::addRow("discard-on-change flag%s", how)
          << QByteArray("TALB\x00\x00\x00\x06\x80\x00\x00" "Album", 16) << true << QStringLiteral("Album")
          << padding;
      // Encrypted: TagLib wrote the ciphertext back with the flag cleared;
      // now it is carried as it is, unread.
      QTest::addRow("encrypted frame%s", how)
          << QByteArray("TALB\x00\x00\x00\x08\x00\x40\x53\x50\x49\x00\x00\x41\x6C\x62", 18) << true
          << QString() << padding;
    }
  }
  void damaged_by_a_rewrite() {
    QFETCH(QByteArray, frame);
    QFETCH(bool, written);
    QFETCH(QString, album);
    QFETCH(int, padding);
    QTemporaryDir dir;
    Id3v2 tag = text_tag(3, Enc::utf16, QStringLiteral("Title"), QStringLiteral("Artist"), {}, padding);
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
    lib->finish_writes();
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
