// Hostile names and links on a real folder with the real tag library: a
// target name already taken by a link or by a file that differs in case
// only, case-only renames, names whose bytes are not valid UTF-8, and links
// to files outside the edit folder. No file is replaced, lost or confused
// with another.

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <dirent.h>
#include <unistd.h>

#include "edit/edit_commands.h"
#include "mp3_fixture.h"
#include "table_fixture.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

using namespace tn;
using namespace tn::test;

namespace {

// The names in a folder as bytes, as the file system holds them.
QSet<QByteArray> raw_names(const QString& dir) {
  QSet<QByteArray> names;
  if (DIR* d = ::opendir(QFile::encodeName(dir).constData())) {
    while (const dirent* e = ::readdir(d))
      // The write history is the program's own, beside the files.
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0 &&
          std::strcmp(e->d_name, ".tagnarabe-history") != 0)
        names << e->d_name;
    ::closedir(d);
  }
  return names;
}

// Each file's title is its first name, so a test can tell which file is which.
struct Table : RealTable {
  QTemporaryDir dir;

  // QTemporaryDir cannot remove names that are not UTF-8.
  ~Table() {
    for (const QByteArray& n : raw_names(dir.path())) ::unlink(raw_path(n).constData());
  }
  QByteArray raw_path(const QByteArray& name) const { return QFile::encodeName(dir.path()) + '/' + name; }
  void add(const QByteArray& raw_name, const QString& title) {
    const QByteArray bytes = mp3_bytes({text_tag(3, Enc::utf16, title, {}, {}), std::nullopt, 4});
    FILE* f = std::fopen(raw_path(raw_name).constData(), "wb");
    QVERIFY(f);
    QCOMPARE(std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f), size_t(bytes.size()));
    std::fclose(f);
  }
  // Lists the folder and reads the tags, as confirming a folder does.
  void open(int n) {
    state.edit_folder = dir.path() + QLatin1Char('/');
    state.file_count = static_cast<qint16>(n);
    grid.set_max_rows(n);
    relist_entries(cx, Relist::rebuild);
    fill_table(cx);
    read_tags(cx);
  }
  int row_of(const QByteArray& raw_name) const {
    for (int i = 0; i < state.file_count; ++i)
      if (state.file(i) == decode_file_name(raw_name)) return i + 1;
    return 0;
  }
  QString title_on_disk(const QByteArray& raw_name) const {
    auto l = make_taglib_library();
    OpenRecordBytes info = empty_open_bytes();
    TagRecordBytes rec = empty_tag_bytes();
    const bool ok = l->vbmp3_open(raw_path(raw_name), info) && l->vbmp3_getTagInfo(rec);
    l->vbmp3_close();
    return ok ? field_text(rec.title, k_tag_text_bytes) : QStringLiteral("<unreadable>");
  }
};

QString refused(int row) { return QString::number(row) + msg::rename_failed_tail; }

// The commands that touch the files or list the folder, with the answers
// that let them run.
const QMap<QString, std::function<void(Context&, ScriptedDialogs&)>> k_commands{
    {"write all", [](Context& cx, ScriptedDialogs& d) { d.yes(); cmd_write_all(cx); }},
    {"write title", [](Context& cx, ScriptedDialogs& d) { d.yes(); cmd_write_kyokumei(cx); }},
    {"rename", [](Context& cx, ScriptedDialogs& d) { d.yes(); cmd_re_name(cx); }},
    {"write and rename", [](Context& cx, ScriptedDialogs& d) { d.yes().yes(); cmd_allwrite(cx); }},
    {"tag undo", [](Context& cx, ScriptedDialogs& d) { d.yes(); cmd_modosu2(cx); }},
    {"reload", [](Context& cx, ScriptedDialogs& d) { d.yes(); cmd_cls(cx); }},
    {"name undo", [](Context& cx, ScriptedDialogs& d) { d.yes().no(); cmd_modosu(cx); }},
};

}  // namespace

class NameFaults : public QObject {
  Q_OBJECT

 private slots:
  // Row 1 ("a.mp3") is renamed to "b"; something not in the table holds "b.mp3".
  void target_taken_data() {
    QTest::addColumn<QString>("holder");
    QTest::newRow("link to a file outside") << "link to file";
    QTest::newRow("dangling link") << "dangling link";
    QTest::newRow("link to a folder") << "link to folder";
    QTest::newRow("file named in other case") << "case";
  }
  void target_taken() {
    QFETCH(QString, holder);
    QTemporaryDir outside;
    Table t;
    t.add("a.mp3", "a");
    const QString target = holder == "case" ? QStringLiteral("A") : QStringLiteral("b");
    const QString taken = t.dir.filePath(target + ".mp3");
    QString link_to;
    if (holder == "link to file") {
      link_to = outside.filePath("x.mp3");
      write_file(link_to, "outside");
    } else if (holder == "dangling link") {
      link_to = outside.filePath("gone.mp3");
    } else if (holder == "link to folder") {
      link_to = outside.path();
    } else {
      t.add("A.mp3", "other A");
    }
    if (!link_to.isEmpty()) QVERIFY(QFile::link(link_to, taken));
    // Only a.mp3 is in the table (a link to a file would be listed after it).
    t.open(holder == "case" ? 2 : 1);
    const int row = t.row_of("a.mp3");
    QVERIFY(row > 0);
    t.put(col::name, row, target);
    // Rows before it keep their names.
    for (int r = 1; r < row; ++r) t.put(col::name, r, t.state.file(r - 1));
    t.dialogs.yes();
    cmd_re_name(t.cx);
    QCOMPARE(t.dialogs.notices(),
             QStringList{refused(row) + "（「" + target + ".mp3」" + msg::refused_taken_tail + "）"});
    QCOMPARE(t.title_on_disk("a.mp3"), QStringLiteral("a"));
    if (holder == "case") {
      QCOMPARE(t.title_on_disk("A.mp3"), QStringLiteral("other A"));
    } else {
      QCOMPARE(QFileInfo(taken).symLinkTarget(), QFileInfo(link_to).absoluteFilePath());
    }
    if (holder == "link to file") QCOMPARE(read_file(link_to), QByteArray("outside"));
    QCOMPARE(raw_names(t.dir.path()).size(), 2);
  }

  // Only the case changes: the file keeps its content under the new name,
  // and no name of the two-step rename is left.
  void case_only_rename() {
    Table t;
    t.add("song.mp3", "song");
    t.open(1);
    t.put(col::name, 1, QStringLiteral("Song"));
    t.dialogs.yes();
    cmd_re_name(t.cx);
    QCOMPARE(t.dialogs.notices(), QStringList{msg::rename_done});
    QCOMPARE(raw_names(t.dir.path()), QSet<QByteArray>{"Song.mp3"});
    QCOMPARE(t.title_on_disk("Song.mp3"), QStringLiteral("song"));
    QCOMPARE(t.state.file(0), QStringLiteral("Song.mp3"));
  }

  // Names that are not UTF-8: Qt would show all three as "a\uFFFD.mp3" and
  // open the third for each. Each must be its own row, read, written and
  // renamed as itself.
  void names_that_are_not_utf8() {
    const QByteArray ff("a\xFF.mp3"), fe("a\xFE.mp3"), replacement("a\xEF\xBF\xBD.mp3");
    const QByteArray latin1("Caf\xE9.mp3");  // "Café" as an old system stored it
    Table t;
    t.add(ff, "FF");
    t.add(fe, "FE");
    t.add(replacement, "FFFD");
    t.add(latin1, "Latin-1");
    t.open(4);
    QSet<QString> listed;
    for (int i = 0; i < 4; ++i) listed << t.state.file(i);
    QCOMPARE(listed.size(), 4);
    const QList<QPair<QByteArray, QString>> files{{ff, "FF"}, {fe, "FE"}, {replacement, "FFFD"}, {latin1, "Latin-1"}};
    for (const auto& [name, title] : files) {
      const int r = t.row_of(name);
      QVERIFY2(r > 0, name.toHex().constData());
      QCOMPARE(t.grid.cell_text(col::title, r), title);
      QCOMPARE(encode_file_name(t.state.file(r - 1)), name);
    }
    QVERIFY(t.dialogs.notices().isEmpty());

    // A write into one of them reaches that file only.
    const int r_ff = t.row_of(ff);
    for (int r = 1; r <= 4; ++r) t.put(col::title, r, t.grid.cell_text(col::title, r));
    t.put(col::title, r_ff, QStringLiteral("written"));
    t.dialogs.yes();
    cmd_write_kyokumei(t.cx);
    QCOMPARE(t.title_on_disk(ff), QStringLiteral("written"));
    QCOMPARE(t.title_on_disk(fe), QStringLiteral("FE"));
    QCOMPARE(t.title_on_disk(replacement), QStringLiteral("FFFD"));

    // Renaming with the track order in front keeps the bytes of every name.
    t.dialogs.log.clear();
    t.dialogs.yes();
    cmd_kyokuzyunname(t.cx);
    QMap<QByteArray, QString> expect;
    for (const auto& [name, title] : files) {
      const int r = t.row_of(name);
      expect[track_order(r).toLatin1() + name] = name == ff ? QStringLiteral("written") : title;
    }
    t.dialogs.yes();
    cmd_re_name(t.cx);
    QCOMPARE(t.dialogs.notices(), QStringList{msg::rename_done});
    QCOMPARE(raw_names(t.dir.path()), QSet<QByteArray>(expect.keyBegin(), expect.keyEnd()));
    for (auto it = expect.cbegin(); it != expect.cend(); ++it) QCOMPARE(t.title_on_disk(it.key()), it.value());
  }

  void lossless_name_round_trip_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("ascii") << QByteArray("song.mp3");
    QTest::newRow("japanese") << QString("曲名 ①.mp3").toUtf8();
    QTest::newRow("emoji") << QString("🎵.mp3").toUtf8();
    QTest::newRow("lone continuation byte") << QByteArray("\x80x");
    QTest::newRow("cut sequence") << QByteArray("\xE6\x9B");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xB2\x80");
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("Shift-JIS") << QByteArray("\x8B\xC8\x96\xBC.mp3");
  }
  void lossless_name_round_trip() {
    QFETCH(QByteArray, raw);
    const QString name = decode_file_name(raw);
    QCOMPARE(encode_file_name(name), raw);
    // Valid UTF-8 reads as Qt reads it.
    if (QString::fromUtf8(raw).toUtf8() == raw && !QString::fromUtf8(raw).contains(QChar(0xFFFD)))
      QCOMPARE(name, QString::fromUtf8(raw));
    else
      QVERIFY(name != QString::fromUtf8(raw));
  }

  // A link in the edit folder to a file elsewhere is no row: nothing is
  // written through it, in place or rewritten, and the link stays a link.
  // Neither folder gets a file of the write.
  void link_to_a_file_outside_data() {
    QTest::addColumn<QString>("title");
    QTest::newRow("fits in place") << QStringLiteral("abc");
    QTest::newRow("rewritten") << QString(40, QChar(0x66F2));
  }
  void link_to_a_file_outside() {
    QFETCH(QString, title);
    QTemporaryDir outside;
    const QString real = outside.filePath("real.mp3");
    write_file(real, mp3_bytes({text_tag(3, Enc::utf16, "xyz", {}, {}), std::nullopt, 4}));
    const QByteArray before = read_file(real);
    Table t;
    QVERIFY(QFile::link(real, t.dir.filePath("link.mp3")));
    // No row of the folder: the write has no file to go to.
    QStringList links;
    QCOMPARE(list_mp3_files(t.dir.path(), &links), QStringList());
    QCOMPARE(links, QStringList{"link.mp3"});
    t.open(1);
    QCOMPARE(t.state.file(0), QString());
    t.put(col::title, 1, title);
    t.dialogs.yes();
    cmd_write_kyokumei(t.cx);
    QCOMPARE(QFileInfo(t.dir.filePath("link.mp3")).symLinkTarget(), real);
    QCOMPARE(read_file(real), before);
    QCOMPARE(raw_names(t.dir.path()), QSet<QByteArray>{"link.mp3"});
    QCOMPARE(raw_names(outside.path()), QSet<QByteArray>{"real.mp3"});
  }

  // Files added, removed and renamed behind the program's back between two
  // commands: a row's name cell, its file-list entry and the file written
  // through it stay one file, and no file gets another's tags.
  void rows_stay_with_their_files_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    for (const char* change : {"added", "removed", "renamed"})
      for (const QString& first : k_commands.keys())
        for (const QString& second : k_commands.keys())
          QTest::addRow("%s, %s, %s", qPrintable(first), change, qPrintable(second))
              << change << first << second;
  }
  void rows_stay_with_their_files() {
    QFETCH(QString, change);
    QFETCH(QString, first);
    QFETCH(QString, second);
    Table t;
    for (const char* n : {"b", "c", "d"}) t.add(QByteArray(n) + ".mp3", QString::fromLatin1(n));
    t.open(3);
    auto check = [&](const char* when) {
      for (int r = 1; r <= 3; ++r) {
        const QString entry = t.state.file(r - 1);
        const QString shown = t.grid.cell_text(col::name, r);
        // A row whose file failed to read still names it, for the user only.
        const QString named = entry.isEmpty() ? t.state.listed(r - 1) : entry;
        QVERIFY2(shown == named, qPrintable(QStringLiteral("%1: row %2 shows %3, names %4")
                                                .arg(when).arg(r).arg(shown, entry)));
        if (!entry.isEmpty() && QFile::exists(t.state.path_of(r - 1)))
          QCOMPARE(t.grid.cell_text(col::title, r), t.title_on_disk(encode_file_name(entry)));
      }
      // Every file still holds its own title: nothing was written across.
      const QStringList files = QDir(t.dir.path()).entryList(QDir::Files);
      for (const QString& f : files) {
        const QString own = f == "a.mp3" && change == "renamed" ? "c" : f.chopped(4);
        QCOMPARE(t.title_on_disk(encode_file_name(f)), own);
      }
    };
    k_commands[first](t.cx, t.dialogs);
    check("first");
    if (change == "added") t.add("a.mp3", QStringLiteral("a"));
    if (change == "removed") QVERIFY(QFile::remove(t.dir.filePath("c.mp3")));
    if (change == "renamed") QVERIFY(QFile::rename(t.dir.filePath("c.mp3"), t.dir.filePath("a.mp3")));
    k_commands[second](t.cx, t.dialogs);
    check("second");
    for (const QString& notice : t.dialogs.notices())
      QVERIFY2(!notice.contains(QStringLiteral("  は")), qPrintable(notice));  // names its file
  }
};

QTEST_GUILESS_MAIN(NameFaults)
#include "test_name_faults.moc"
