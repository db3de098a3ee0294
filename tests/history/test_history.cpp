// The write history and its undo, on real files through the core: runs
// written, renamed and written again, undone after a restart; a file another
// program changed since is left alone; an undo killed part-way leaves every
// file before or after it.

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "durable/journal_record.h"
#include "history/history.h"
#include "undo/history_commands.h"
#include "history/messages.h"
#include "history/undo.h"
#include "mp3_fixture.h"
#include "table_fixture.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "shell/folder_confirm.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

using namespace tn;
using namespace tn::test;

namespace {

// The program as it runs on one folder; a new one is a restart.
using Program = FolderTable;

// A file as the test compares it: name, bytes, inode.
struct Seen {
  QString name;
  QByteArray sha256;
  ino_t ino = 0;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> look(const QString& folder) {
  std::vector<Seen> seen;
  for (const QString& name : list_mp3_files(folder)) {
    const QString path = folder + '/' + name;
    struct stat st;
    ::stat(QFile::encodeName(path).constData(), &st);
    seen.push_back({name, QCryptographicHash::hash(read_file(path), QCryptographicHash::Sha256), st.st_ino});
  }
  std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.name < b.name; });
  return seen;
}

QByteArrayList sha_of(const std::vector<Seen>& seen) {
  QByteArrayList sha;
  for (const Seen& s : seen) sha << s.sha256;
  return sha;
}

QStringList names(const std::vector<Seen>& seen) {
  QStringList n;
  for (const Seen& s : seen) n << s.name;
  return n;
}

void make_folder(const QString& dir, int files, int padding, int cover = 0) {
  for (int i = 1; i <= files; ++i) {
    Id3v2 tag = text_tag(3, Enc::utf16, QStringLiteral("曲%1").arg(i), QStringLiteral("歌手"),
                         QStringLiteral("アルバム"), padding);
    if (cover) tag.frames.push_back({"APIC", apic_body(cover)});
    make_mp3(dir, QStringLiteral("%1.mp3").arg(i), {tag, Id3v1{"old", "B", "C", "", ""}, 8});
  }
}

// Stores run over its file as the second version of the history did:
// prints of the first kind, taken of the files as they are now.
void store_as_version_2(const QString& folder, history::Run run) {
  QByteArray out;
  journal::Writer w{out};
  w.raw("TNHIST2\n", 8);
  w.u64(run.id);
  w.u64(static_cast<std::uint64_t>(run.time));
  w.bytes(run.command.toUtf8());
  w.u64(run.complete);
  w.u64(run.changes.size());
  for (const history::Change& c : run.changes) {
    w.bytes(c.name_before);
    w.bytes(c.name_after);
    for (const FileIdentity& id : {c.before, c.after})
      for (std::int64_t v : {std::int64_t(id.dev), std::int64_t(id.ino), id.size, id.mtime_sec, id.mtime_nsec})
        w.u64(static_cast<std::uint64_t>(v));
    w.u64(c.before_print);
    w.u64(history::print_of(read_file(folder + '/' + QFile::decodeName(c.name_after)), 1));
    w.u64(0);  // in place
    w.u64(c.old_ranges.size());
    for (const auto& [offset, bytes] : c.old_ranges) {
      w.u64(static_cast<std::uint64_t>(offset));
      w.bytes(bytes);
    }
  }
  w.u64(journal::fnv1a(out.constData(), static_cast<std::size_t>(out.size())));
  write_file(folder + QStringLiteral("/.tagnarabe-history/run-%1").arg(run.id, 10, 10, QChar('0')), out);
}

std::uint64_t newest_run(const QString& folder) {
  return history_lines(folder).front().first;
}

}  // namespace

class History : public QObject {
  Q_OBJECT

 private slots:
  // Three runs (an album written, names from the track order, artists
  // written), a restart, then the undo of all three: names and bytes are the
  // originals, inodes too where nothing was rewritten. A file another program
  // touched after the runs is refused by name and left, the others restored.
  // Then the undo is undone: the files are as after the three runs.
  void undo_of_three_runs_data() {
    QTest::addColumn<int>("padding");  // 0: the tags grow, every file is rewritten
    QTest::addColumn<int>("touched");  // the row another program changed; 0: none
    // After the runs: "touch" a file, "copy" the folder with cp -a, "take"
    // an old name by a new file.
    QTest::addColumn<QString>("moved");
    QTest::newRow("in place") << 2048 << 0 << QString();
    QTest::newRow("rewritten") << 0 << 0 << QString();
    QTest::newRow("in place, a file changed since") << 2048 << 2 << QString();
    QTest::newRow("rewritten, a file changed since") << 0 << 3 << QString();
    QTest::newRow("in place, a file touched") << 2048 << 0 << "touch";
    QTest::newRow("rewritten, the folder copied") << 0 << 0 << "copy";
    QTest::newRow("in place, the folder copied, a file changed") << 2048 << 2 << "copy";
    QTest::newRow("rewritten, an old name taken") << 0 << 0 << "take";
  }
  void undo_of_three_runs() {
    QFETCH(int, padding);
    QFETCH(int, touched);
    QFETCH(QString, moved);
    QTemporaryDir dir, copy;
    QString folder = dir.path();
    make_folder(folder, 4, padding);
    const std::vector<Seen> original = look(folder);
    {
      Program p(folder);
      const QString album = padding ? QStringLiteral("新しいアルバム") : QString(40, QChar(0x6F14));
      for (int r = 1; r <= 4; ++r) p.put(col::album, r, album);
      QVERIFY(tag_write_album(p.cx).empty());
      for (int r = 1; r <= 4; ++r) p.put(col::order, r, QStringLiteral("%1").arg(5 - r, 2, 10, QChar('0')));
      p.dialogs.yes();
      cmd_w_name(p.cx);
      p.dialogs.yes();
      cmd_re_name(p.cx);
      for (int r = 1; r <= 4; ++r) p.put(col::artist, r, QStringLiteral("新しい歌手%1").arg(r));
      QVERIFY(tag_write_artist(p.cx).empty());
    }
    const std::vector<Seen> after = look(folder);
    QCOMPARE(names(after), (QStringList{"01曲4.mp3", "02曲3.mp3", "03曲2.mp3", "04曲1.mp3"}));
    QString touched_name;
    QByteArray touched_bytes;
    if (touched) {
      touched_name = QStringLiteral("0%1曲%2.mp3").arg(5 - touched).arg(touched);
      touched_bytes = read_file(folder + '/' + touched_name);
      touched_bytes[touched_bytes.size() - 200] = 'X';  // the audio, as another editor might
      write_file(folder + '/' + touched_name, touched_bytes);
    }
    if (moved == "touch") {
      const struct timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 3600, 0}};
      QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(folder + "/02曲3.mp3").constData(), later, 0), 0);
    } else if (moved == "copy") {
      // Every inode new, the history with the files.
      QCOMPARE(QProcess::execute("cp", {"-a", folder + "/.", copy.path()}), 0);
      folder = copy.path();
    } else if (moved == "take") {
      touched_bytes = read_file(make_mp3(folder, "1.mp3", {text_tag(3, Enc::utf16, "新曲", "歌手", "盤", 0), {}, 8}));
    }

    Program p(folder);  // a restart
    const auto lines = history_lines(folder);
    QCOMPARE(lines.size(), std::size_t{3});
    QVERIFY(lines[0].second.endsWith(QStringLiteral(" ｱｰﾃｨｽﾄ名のみ書込 4ﾌｧｲﾙ")));
    QVERIFY(lines[1].second.endsWith(QStringLiteral(" ﾌｧｲﾙ名変更 4ﾌｧｲﾙ")));
    QVERIFY(lines[2].second.endsWith(QStringLiteral(" ｱﾙﾊﾞﾑ名のみ書込 4ﾌｧｲﾙ")));
    QCOMPARE(lines[2].second.left(11),
             QDateTime::currentDateTime().toString(QStringLiteral("MM/dd HH:mm")).left(5) + lines[2].second.mid(5, 6));
    // A run the history does not know: refused before any file.
    const UndoRun unknown = undo_runs(folder + '/', lines[0].first + 100);
    QVERIFY(!unknown.result.known);
    QCOMPARE(unknown.texts(), QStringList{msg::undo_nothing});
    p.dialogs.yes();
    QVERIFY(cmd_undo_runs(p.cx, lines[2].first).known);
    const std::vector<Seen> now = look(folder);
    if (moved == "take") {
      // Left as it was, saying why; the others put back.
      QCOMPARE(p.dialogs.notices(), QStringList{"04曲1.mp3" + msg::undo_name_taken("1.mp3") + msg::undo_failed_tail});
      QCOMPARE(names(now), (QStringList{"04曲1.mp3", "1.mp3", "2.mp3", "3.mp3", "4.mp3"}));
      QCOMPARE(now[0].sha256, after[3].sha256);
      QCOMPARE(read_file(folder + "/1.mp3"), touched_bytes);
      QCOMPARE(sha_of({now.begin() + 2, now.end()}), sha_of({original.begin() + 1, original.end()}));
      return;
    }
    if (touched) {
      QCOMPARE(p.dialogs.notices(), QStringList{touched_name + msg::undo_refused_tail});
      QCOMPARE(read_file(folder + '/' + touched_name), touched_bytes);
    } else {
      QCOMPARE(p.dialogs.notices(), QStringList{msg::undo_done});
    }
    std::vector<Seen> expected = original;
    if (touched) {
      expected.erase(expected.begin() + (touched - 1));
      expected.insert(expected.begin(), now.front());  // "0N..." sorts first, checked above
    }
    QCOMPARE(names(now), names(expected));
    for (std::size_t i = 0; i < now.size(); ++i) {
      QCOMPARE(now[i].sha256, expected[i].sha256);
      if (padding && moved != "copy") QCOMPARE(now[i].ino, expected[i].ino);
    }
    // The table shows the files as they are now.
    QCOMPARE(p.at(col::name, 1), QStringLiteral("1.mp3"));
    QCOMPARE(p.at(col::album, 1), QStringLiteral("アルバム"));
    QCOMPARE(history_lines(folder).front().second.section(' ', 2), msg::run_undo + QStringLiteral(" %1ﾌｧｲﾙ").arg(touched ? 3 : 4));

    // The undo undone: every file it put back is as after the three runs.
    p.dialogs.yes();
    QVERIFY(cmd_undo_runs(p.cx, newest_run(folder)).known);
    const std::vector<Seen> redone = look(folder);
    QCOMPARE(names(redone), names(after));
    for (std::size_t i = 0; i < redone.size(); ++i)
      if (redone[i].name != touched_name) QCOMPARE(redone[i].sha256, after[i].sha256);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 5);
  }

  // An undo, a write or a rename, killed at random moments, then the folder
  // confirmed again: every file is as before or after, never a mix; the
  // folder holds nothing else; the history holds the write exactly when the
  // files show it; and an undo of the oldest run it lists gives back the
  // originals byte for byte.
  void killed_at_random_moments_data() {
    QTest::addColumn<int>("padding");
    QTest::addColumn<bool>("renamed");  // by a second run: the undo renames too
    QTest::addColumn<int>("write");     // killed: 0 the undo, 1 an album write, 2 a track number write, 3 a rename, 4 both
    QTest::newRow("undo in place") << 4096 << false << 0;
    QTest::newRow("undo rewritten") << 0 << false << 0;
    QTest::newRow("undo in place, renamed") << 4096 << true << 0;
    QTest::newRow("undo rewritten, renamed") << 0 << true << 0;
    QTest::newRow("write in place") << 4096 << false << 1;
    QTest::newRow("write rewritten") << 0 << false << 1;
    QTest::newRow("track numbers, each file on its own") << 4096 << false << 2;
    QTest::newRow("rename") << 4096 << false << 3;
    QTest::newRow("write, then rename in the same run") << 4096 << false << 4;
  }
  void killed_at_random_moments() {
    QFETCH(int, padding);
    QFETCH(bool, renamed);
    QFETCH(int, write);
    QRandomGenerator rng(20261209);
    int before = 0, after = 0;
    qint64 run_us = 2000;
    std::vector<Seen> written;  // by the write that ran to its end
    const QString album = padding ? QStringLiteral("新しいアルバム") : QString(40, QChar(0x6F14));
    auto write_album = [&](Program& p) {
      for (int r = 1; r <= 3; ++r) p.put(col::album, r, album);
      return tag_write_album(p.cx).empty();
    };
    auto write_tracks = [](Program& p) { return tag_write(p.cx, WriteFields::track, {"1/3", "2/3", "3/3"}).empty(); };
    auto rename = [](Program& p) {
      p.dialogs.yes();
      cmd_w_name(p.cx);
      p.dialogs.yes();
      return cmd_re_name(p.cx);
    };
    auto write_and_rename = [&](Program& p) {
      for (int r = 1; r <= 3; ++r) p.put(col::album, r, album);
      p.dialogs.yes();
      cmd_w_name(p.cx);
      p.dialogs.yes().yes();
      cmd_allwrite(p.cx);
      return p.dialogs.notices().contains(msg::rename_done);
    };
    for (int round = 0; round < 12; ++round) {
      QTemporaryDir dir;
      const QString folder = dir.path();
      make_folder(folder, 3, padding, 256 * 1024);
      const std::vector<Seen> old_files = look(folder);
      std::uint64_t run = 0;
      if (!write) {
        Program p(folder);
        QVERIFY(write_album(p));
        run = newest_run(folder);
        if (renamed) {
          p.dialogs.yes();
          cmd_w_name(p.cx);
          p.dialogs.yes();
          cmd_re_name(p.cx);
        }
      }
      const std::vector<Seen> new_files = write ? written : look(folder);
      QElapsedTimer timer;
      timer.start();
      const pid_t pid = ::fork();
      if (pid == 0) {
        if (write) {
          Program p(folder);
          const bool done = write == 1 ? write_album(p) : write == 2 ? write_tracks(p) : write == 3 ? rename(p)
                                                                                    : write_and_rename(p);
          ::_exit(done ? 0 : 1);
        }
        const auto result = history::undo_from(QFile::encodeName(folder), run, false);
        ::_exit(result.restored.size() == 3 ? 0 : 1);
      }
      // The first round runs to its end and gives the time it takes.
      if (round > 0) {
        ::usleep(static_cast<useconds_t>(rng.bounded(static_cast<quint32>(run_us + run_us / 4 + 1))));
        ::kill(pid, SIGKILL);
      }
      int status = 0;
      QCOMPARE(::waitpid(pid, &status, 0), pid);
      if (round == 0) {
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        run_us = timer.nsecsElapsed() / 1000;
        if (write) written = look(folder);
      }
      Program confirmed(folder);
      // Name and bytes both as before, or both as after; between the write
      // and the renames of one run, new bytes under the old name.
      const std::vector<Seen> now = look(folder);
      QCOMPARE(now.size(), std::size_t{3});
      for (const Seen& file : now) {
        auto is = [&](const Seen& s) { return s.name == file.name && s.sha256 == file.sha256; };
        auto written_only = [&](const Seen& s) { return s.sha256 == file.sha256 && names(old_files).contains(file.name); };
        const bool is_old = std::any_of(old_files.begin(), old_files.end(), is);
        QVERIFY2(is_old || round == 0 || std::any_of(new_files.begin(), new_files.end(), is) ||
                     (write == 4 && std::any_of(new_files.begin(), new_files.end(), written_only)),
                 qPrintable(QStringLiteral("round %1, %2").arg(round).arg(file.name)));
        ++(is_old ? before : after);
      }
      QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
      entries.removeAll(".tagnarabe-history");  // there once a run was stored
      QCOMPARE(entries.size(), 3);
      QVERIFY(QDir(folder + "/.tagnarabe-history").entryList(QDir::Hidden | QDir::Files).filter(".new").isEmpty());
      const auto runs = history_lines(folder);
      // A write is in the history exactly when the files show it.
      if (write) QCOMPARE(runs.empty(), sha_of(now) == sha_of(old_files) && names(now) == names(old_files));
      if (runs.empty()) continue;
      QVERIFY(history::undo_from(QFile::encodeName(folder), runs.back().first, false).refused.isEmpty());
      QCOMPARE(sha_of(look(folder)), sha_of(old_files));
      QCOMPARE(names(look(folder)), names(old_files));
    }
    qInfo("a run takes %lld us: %d files found as before, %d as after", run_us, before, after);
  }

  // The history's place cannot be written: the run is refused before any
  // file changes, saying why and where.
  void history_place_blocked_data() {
    QTest::addColumn<bool>("link");  // a dangling link in its place; else a file
    QTest::newRow("a file in its place") << false;
    QTest::newRow("a dangling link in its place") << true;
  }
  void history_place_blocked() {
    QFETCH(bool, link);
    QTemporaryDir dir;
    const QString folder = dir.path();
    make_folder(folder, 2, 1024);
    const QString place = folder + "/.tagnarabe-history";
    if (link) QVERIFY(QFile::link(folder + "/nowhere", place));
    else write_file(place, "x");
    const std::vector<Seen> files = look(folder);
    Program p(folder);
    for (int r = 1; r <= 2; ++r) p.put(col::album, r, QStringLiteral("新しいアルバム"));
    QCOMPARE(tag_write_album(p.cx).size(), std::size_t{2});
    p.dialogs.yes();
    cmd_re_name(p.cx);
    QCOMPARE(p.dialogs.notices(), (QStringList{msg::history_unusable(msg::history_write, place),
                                               msg::history_unusable(msg::history_rename, place)}));
    QCOMPARE(look(folder), files);
  }

  // A history stored by the second version (prints of the first kind) still
  // undoes a copy of its folder, and still refuses a file changed since.
  void stored_by_version_2_data() {
    QTest::addColumn<bool>("changed");  // a file changed after the run
    QTest::newRow("the folder copied") << false;
    QTest::newRow("the folder copied, a file changed") << true;
  }
  void stored_by_version_2() {
    QFETCH(bool, changed);
    // The prints runs on the disk hold stay as they were, whatever computes them.
    QByteArray sample(100000, '\0');
    for (int i = 0; i < sample.size(); ++i) sample[i] = static_cast<char>(i * 7 % 251);
    QCOMPARE(history::print_of(sample, 1), std::uint64_t{0x43039b07fc9a12f7});
    QCOMPARE(history::print_of(sample, 2), std::uint64_t{0x418d4643713e9291});
    QTemporaryDir dir, copy;
    make_folder(dir.path(), 2, 1024);
    const std::vector<Seen> original = look(dir.path());
    {
      Program p(dir.path());
      for (int r = 1; r <= 2; ++r) p.put(col::album, r, QStringLiteral("新しいアルバム"));
      QVERIFY(tag_write_album(p.cx).empty());
    }
    const std::vector<history::Run> runs = history::load_runs(QFile::encodeName(dir.path()));
    QCOMPARE(runs.size(), std::size_t{1});
    store_as_version_2(dir.path(), runs.front());
    const std::vector<history::Run> loaded = history::load_runs(QFile::encodeName(dir.path()));
    QCOMPARE(loaded.size(), std::size_t{1});
    QCOMPARE(loaded.front().changes.front().print_kind, 1);
    if (changed) {
      QByteArray bytes = read_file(dir.path() + "/2.mp3");
      bytes[bytes.size() - 200] = 'X';
      write_file(dir.path() + "/2.mp3", bytes);
    }
    QCOMPARE(QProcess::execute("cp", {"-a", dir.path() + "/.", copy.path()}), 0);  // every inode new
    const std::vector<Seen> before_undo = look(copy.path());
    Program p(copy.path());
    QVERIFY(undo_runs(copy.path() + '/', runs.front().id).result.known);
    const std::vector<Seen> now = look(copy.path());
    QCOMPARE(now[0].sha256, original[0].sha256);
    QCOMPARE(now[1].sha256, changed ? before_undo[1].sha256 : original[1].sha256);
  }

  // The history keeps the newest runs: beyond 20, or beyond 64 MiB, the
  // oldest goes first. The newest stays whatever its size: it is listed
  // after a restart, read whole for its undo.
  void history_is_bounded_data() {
    QTest::addColumn<int>("runs");  // title writes, each a small run
    QTest::addColumn<int>("big");   // MiB of old bytes of a run stored after them; 0: none
    QTest::newRow("more runs than kept") << history::k_max_runs + 5 << 0;
    QTest::newRow("one run over the byte bound") << 3 << 66;
  }
  void history_is_bounded() {
    QFETCH(int, runs);
    QFETCH(int, big);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    make_folder(dir.path(), 2, 1024);
    {
      Program p(dir.path());
      for (int run = 1; run <= runs; ++run) {
        p.put(col::title, 1, QStringLiteral("曲名%1").arg(run));
        QVERIFY(tag_write_title(p.cx).empty());
      }
    }
    if (big) {
      // As a rewrite of a file with a big picture leaves it; the file is gone since.
      history::Run run;
      run.command = msg::run_write_album;
      history::Change& c = run.changes.emplace_back();
      c.name_before = c.name_after = "gone.mp3";
      c.rewritten = true;
      c.old_head = QByteArray(big << 20, 'p');
      QVERIFY(history::store_run(folder, run));
    }
    const std::uint64_t newest = runs + (big ? 1 : 0);
    const std::uint64_t oldest = big ? newest : newest - history::k_max_runs + 1;
    const std::vector<history::Run> kept = history::load_runs(folder, history::Load::listing);
    QCOMPARE(kept.size(), newest - oldest + 1);
    QCOMPARE(kept.front().id, oldest);
    QCOMPARE(kept.back().id, newest);
    // A run that wrote nothing is not a run.
    QCOMPARE(history::files_of(kept.back()), 1);
    if (!big) return;
    QVERIFY(kept.back().bytes > history::k_max_bytes + (1 << 20));
    QVERIFY(kept.back().changes.front().old_head.isEmpty());  // a list holds no old bytes
    QCOMPARE(history::load_runs(folder, history::Load::whole, newest).front().changes.front().old_head.size(),
             big << 20);
    Program p(dir.path());  // a restart
    QCOMPARE(newest_run(dir.path()), newest);
    const UndoRun undo = undo_runs(dir.path(), newest);
    QVERIFY(undo.result.known);
    QCOMPARE(undo.texts(), QStringList{QStringLiteral("gone.mp3") + msg::undo_refused_tail});
  }
};

QTEST_GUILESS_MAIN(History)
#include "test_history.moc"
