// File-name composition, renaming on disk and the file-name undo, with real
// files in a temporary folder. Every file holds its original name, so a test
// can tell that nothing was lost or swapped.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "rename/rename_run.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "table_fixture.h"

using namespace tn;

namespace {

struct Folder : test::TestTable {
  QStringList originals;

  explicit Folder(const QStringList& names) : TestTable(names), originals(names) {
    tags.open_existing_files = true;
  }
  void name(int row, const QString& text) { put(col::name, row, text); }
  QStringList on_disk() const {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }
  // The file now called `now` is the one first called `was`.
  bool holds(const QString& now, const QString& was) const {
    QFile f(dir.filePath(now));
    return f.open(QIODevice::ReadOnly) && f.readAll() == was.toUtf8();
  }
  // No file lost: as many as before, every original content still there.
  bool nothing_lost() const {
    QStringList contents;
    for (const QString& n : on_disk()) {
      QFile f(dir.filePath(n));
      if (f.open(QIODevice::ReadOnly)) contents << QString::fromUtf8(f.readAll());
    }
    QStringList a = contents, b = originals;
    a.sort();
    b.sort();
    return a == b;
  }
};

const QString k_start = QStringLiteral("ask: ") + msg::rename_start;

}  // namespace

class RenameTest : public QObject {
  Q_OBJECT
 private slots:
  void composition_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    QTest::newRow("title") << "title" << "01" << "old.mp3" << "abc" << "abc.mp3";
    QTest::newRow("title with extension") << "title" << "01" << "old.mp3" << "abc.mp3" << "abc.mp3.mp3";
    QTest::newRow("empty title keeps") << "title" << "01" << "old.mp3" << "" << "old.mp3";
    QTest::newRow("blank title is text") << "title" << "01" << "old.mp3" << " " << " .mp3";
    QTest::newRow("odd characters copied") << "title" << "01" << "old.mp3" << "a/b:c?" << "a/b:c?.mp3";
    QTest::newRow("order in front") << "order" << "01" << "song.mp3" << "t" << "01song.mp3";
    QTest::newRow("order, empty name") << "order" << "03" << "" << "t" << "03";
    QTest::newRow("empty order keeps") << "order" << "" << "song.mp3" << "t" << "song.mp3";
    QTest::newRow("order and title") << "both" << "07" << "old.mp3" << "Intro" << "07Intro.mp3";
    QTest::newRow("both, no title") << "both" << "07" << "old.mp3" << "" << "old.mp3";
    QTest::newRow("both, no order") << "both" << "" << "old.mp3" << "Intro" << "old.mp3";
  }
  void composition() {
    QFETCH(QString, command);
    QFETCH(QString, order);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, expected);
    MemoryGrid grid(5, 1);
    TrackState state;
    state.file_count = 1;
    ScriptedDialogs dialogs;
    test::FakeTagLibrary tags;
    Context cx{state, grid, dialogs, tags};
    const QList<std::pair<int, QString>> cells{{col::order, order}, {col::name, name},
                                               {col::title, title}};
    for (const auto& [c, text] : cells) {
      grid.set_row(1);
      grid.set_col(c);
      grid.set_text(text);
    }
    grid.set_back_colour(k_edited);  // the title cell
    dialogs.yes().no();
    void (*run)(Context&) = command == "title" ? cmd_kyokuname
                            : command == "order" ? cmd_kyokuzyunname
                                                 : cmd_w_name;
    run(cx);
    QCOMPARE(grid.cell_text(col::name, 1), expected);
    run(cx);  // answered No
    QCOMPARE(grid.cell_text(col::name, 1), expected);
    QCOMPARE(grid.cell_colour(col::title, 1), k_edited);
    QCOMPARE(grid.cell_colour(col::name, 1), k_white);
    // The operation alone composes the same name and asks nothing.
    grid.set_row(1);
    grid.set_col(col::name);
    grid.set_text(name);
    const NameComposition how = command == "title"   ? NameComposition::titles
                                : command == "order" ? NameComposition::order
                                                     : NameComposition::order_and_titles;
    QCOMPARE(compose_names(cx, how), expected == name ? 0 : 1);
    QCOMPARE(grid.cell_text(col::name, 1), expected);
    QCOMPARE(dialogs.log.size(), 2);
  }

  void order_twice_prefixes_twice() {
    Folder f({"song.mp3"});
    f.dialogs.yes().yes();
    cmd_kyokuzyunname(f.cx);
    cmd_kyokuzyunname(f.cx);
    QCOMPARE(f.at(col::name, 1), QStringLiteral("0101song.mp3"));
  }

  void renames_in_row_order_and_reloads() {
    Folder f({"a.mp3", "b.mp3", "c.mp3"});
    f.name(1, QStringLiteral("z"));
    f.name(2, QStringLiteral("y.MP3"));
    f.name(3, QStringLiteral("x.mp3"));
    f.dialogs.yes();
    cmd_re_name(f.cx);
    QCOMPARE(f.dialogs.log, (QStringList{k_start, "notify: " + msg::rename_done}));
    // ".mp3" in any case counts, as in the listing.
    QCOMPARE(f.on_disk(), (QStringList{"x.mp3", "y.MP3", "z.mp3"}));
    QVERIFY(f.holds("z.mp3", "a.mp3"));
    QVERIFY(f.holds("y.MP3", "b.mp3"));
    // Rebuilt in the new listing order.
    QCOMPARE(f.at(col::name, 1), QStringLiteral("x.mp3"));
    QCOMPARE(f.at(col::order, 3), QStringLiteral("03"));
    QCOMPARE(f.state.file(2), QStringLiteral("z.mp3"));
  }

  // Nothing changed, nothing renamed: whatever the extension's case. The
  // marks are rebuilt from the files read again, none kept from before.
  void unchanged_table_succeeds_data() {
    QTest::addColumn<QStringList>("names");
    QTest::newRow("lower case") << QStringList{"a.mp3", "b.mp3"};
    QTest::newRow("upper case") << QStringList{"04 月夜.MP3", "05 朝.mp3"};
    QTest::newRow("mixed case") << QStringList{"a.Mp3", "b.mP3"};
  }
  void unchanged_table_succeeds() {
    QFETCH(QStringList, names);
    Folder f(names);
    f.paint(col::title, 1, k_edited);  // a fill the rename throws away
    f.paint(col::order, 2, k_error);   // a failure since mended
    f.dialogs.yes();
    cmd_re_name(f.cx);
    QCOMPARE(f.dialogs.notices(), QStringList{msg::rename_done});
    QCOMPARE(f.on_disk(), names);
    for (int r = 1; r <= 2; ++r)
      for (int c = col::order; c <= col::artist; ++c) {
        QCOMPARE(f.colour(c, r), k_white);
        QCOMPARE(f.grid.cell_mark(c, r), CellMark::plain);
      }
  }

  // The first refused row stops the run, its message naming the rule the
  // name broke; nothing is ever overwritten. A dry run stops at the same row
  // for the same reason and touches nothing.
  void a_refused_name_stops_the_run_data() {
    QTest::addColumn<QStringList>("names");  // new name cells, rows 1..5
    QTest::addColumn<int>("failed_row");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("reason");
    const QStringList old{"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"};
    const QString hidden = msg::refused_hidden;
    const QString slash = "「/」" + msg::refused_character_head + msg::refused_character_tail;
    auto taken = [](const QString& name) { return "「" + name + "」" + msg::refused_taken_tail; };
    QTest::newRow("name still taken by row 5")
        << QStringList{"n1", "5.mp3", "n3", "n4", "n5"} << 2
        << QStringList{"2.mp3", "3.mp3", "4.mp3", "5.mp3", "n1.mp3"} << taken("5.mp3");
    QTest::newRow("two rows want one name")
        << QStringList{"Same", "Same", "n3", "n4", "n5"} << 2
        << QStringList{"2.mp3", "3.mp3", "4.mp3", "5.mp3", "Same.mp3"} << taken("Same.mp3");
    // Names that would hide the file from the file manager and the listing.
    const QStringList n1_done{"2.mp3", "3.mp3", "4.mp3", "5.mp3", "n1.mp3"};
    QTest::newRow("empty name") << QStringList{"", "n2", "n3", "n4", "n5"} << 1 << old << hidden;
    QTest::newRow("only dots") << QStringList{"n1", "..", "n3", "n4", "n5"} << 2 << n1_done << hidden;
    QTest::newRow("dots and blanks") << QStringList{"n1", " . .mp3", "n3", "n4", "n5"} << 2 << n1_done << hidden;
    QTest::newRow("ideographic blank") << QStringList{"n1", "　", "n3", "n4", "n5"} << 2 << n1_done << hidden;
    QTest::newRow("leading dot") << QStringList{"n1", "...Baby", "n3", "n4", "n5"} << 2 << n1_done << hidden;
    QTest::newRow("slash leads out of the folder")
        << QStringList{"n1", "../escaped", "n3", "n4", "n5"} << 2
        << QStringList{"2.mp3", "3.mp3", "4.mp3", "5.mp3", "n1.mp3"} << slash;
    QTest::newRow("sub folder") << QStringList{"sub/x", "n2", "n3", "n4", "n5"} << 1 << old << slash;
    QTest::newRow("too long for the file system")
        << QStringList{"n1", "n2", QString(300, 'x'), "n4", "n5"} << 3
        << QStringList{"3.mp3", "4.mp3", "5.mp3", "n1.mp3", "n2.mp3"}
        << msg::refused_long_head + "255" + msg::refused_long_tail;
    QTest::newRow("folder in the way") << QStringList{"n1", "n2", "n3", "dir", "n5"} << 4
                                       << QStringList{"4.mp3", "5.mp3", "n1.mp3", "n2.mp3",
                                                      "n3.mp3"} << taken("dir.mp3");
    QTest::newRow("file outside the table in the way")
        << QStringList{"other", "n2", "n3", "n4", "n5"} << 1 << old << taken("other.mp3");
  }
  void a_refused_name_stops_the_run() {
    QFETCH(QStringList, names);
    QFETCH(int, failed_row);
    QFETCH(QStringList, after);
    QFETCH(QString, reason);
    Folder f({"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"});
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("dir.mp3")));
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
    QFile other(f.dir.filePath(QStringLiteral("other.mp3")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("other");
    other.close();
    f.originals << QStringLiteral("other");
    for (int r = 1; r <= 5; ++r) f.name(r, names[r - 1]);
    const QString notice = QString::number(failed_row) + msg::rename_failed_tail + "（" + reason + "）";
    const RenameRun dry = run_renames(f.cx, true);
    QCOMPARE(dry.stopped_at(), failed_row);
    QCOMPARE(dry.refusal_text(), notice);
    QCOMPARE(f.on_disk(), (QStringList{"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3", "other.mp3"}));
    f.dialogs.yes();
    cmd_re_name(f.cx);
    QCOMPARE(f.dialogs.notices(), QStringList{notice});
    QStringList disk = f.on_disk();
    disk.removeAll(QStringLiteral("other.mp3"));
    QCOMPARE(disk, after);
    QVERIFY(f.nothing_lost());
    // The table is reloaded all the same: the names now on disk, in listing
    // order, renumbered.
    const QStringList listed = list_mp3_files(f.dir.path()).mid(0, 5);
    QCOMPARE(f.column(col::name), listed);
    QCOMPARE(f.column(col::order), (QStringList{"01", "02", "03", "04", "05"}));
    QVERIFY(QDir(f.dir.path()).exists(QStringLiteral("dir.mp3")));
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("../escaped.mp3"))));
  }

  void row_without_file_is_skipped() {
    Folder f({"a.mp3", "b.mp3", "c.mp3"});
    f.state.clear_file(1);  // b.mp3 failed to read
    f.name(1, QStringLiteral("n1"));
    f.name(2, QStringLiteral("n2"));
    f.name(3, QStringLiteral("n3"));
    f.dialogs.yes();
    cmd_re_name(f.cx);
    QCOMPARE(f.on_disk(), (QStringList{"b.mp3", "n1.mp3", "n3.mp3"}));
    QCOMPARE(f.dialogs.notices(), QStringList{msg::rename_done});
  }

  void a_link_is_renamed_not_its_target() {
    QTemporaryDir outside;
    const QString target = outside.filePath(QStringLiteral("real.mp3"));
    QFile t(target);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.close();
    Folder f({"a.mp3"});
    QVERIFY(QFile::remove(f.dir.filePath("a.mp3")));
    QVERIFY(QFile::link(target, f.dir.filePath("a.mp3")));
    f.name(1, QStringLiteral("b"));
    f.dialogs.yes();
    cmd_re_name(f.cx);
    QVERIFY(QFileInfo(f.dir.filePath("b.mp3")).isSymLink());
    QVERIFY(QFile::exists(target));
  }

  void answered_no_renames_nothing() {
    Folder f({"a.mp3"});
    f.name(1, QStringLiteral("b"));
    f.dialogs.no();
    cmd_re_name(f.cx);
    QCOMPARE(f.on_disk(), QStringList{"a.mp3"});
    QCOMPARE(f.at(col::name, 1), QStringLiteral("b"));
  }

  void write_then_rename_asks_both_questions() {
    Folder f({"a.mp3"});
    f.name(1, QStringLiteral("b"));
    f.dialogs.no().yes();
    cmd_allwrite(f.cx);
    QCOMPARE(f.dialogs.log.size(), 3);
    QCOMPARE(f.dialogs.log[0], QStringLiteral("ask: ") + msg::write_all_question);
    QCOMPARE(f.dialogs.log[1], k_start);
    QCOMPARE(f.on_disk(), QStringList{"b.mp3"});
    QVERIFY(!f.tags.calls.contains(QStringLiteral("set ") + f.dir.filePath("a.mp3")));
  }

  void write_then_rename_writes_under_the_old_name() {
    Folder f({"a.mp3"});
    f.name(1, QStringLiteral("b"));
    f.dialogs.yes().yes();
    cmd_allwrite(f.cx);
    QVERIFY(f.tags.calls.indexOf(QStringLiteral("set ") + f.dir.filePath("a.mp3")) >= 0);
    QCOMPARE(f.on_disk(), QStringList{"b.mp3"});
  }

  void undo_names_data() {
    QTest::addColumn<bool>("orders_too");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("orders");
    QTest::newRow("names and orders") << true << QStringList{"a.mp3", "", "c.mp3"}
                                      << QStringList{"01", "02", "03"};
    QTest::newRow("names from the folder") << false << QStringList{"a.mp3", "b.mp3", "c.mp3"}
                                           << QStringList{"x", "y", "03"};
  }
  void undo_names() {
    QFETCH(bool, orders_too);
    QFETCH(QStringList, names);
    QFETCH(QStringList, orders);
    Folder f({"a.mp3", "b.mp3", "c.mp3"});
    f.state.clear_file(1);  // failed at the last load
    for (int r = 1; r <= 3; ++r) {
      f.name(r, QStringLiteral("new%1").arg(r));
      f.put(col::title, r, QStringLiteral("typed %1").arg(r));
      f.paint(col::album, r, r == 2 ? k_error : k_edited);
    }
    f.grid.set_col(col::order);
    f.grid.set_row(1);
    f.grid.set_text(QStringLiteral("x"));
    f.grid.set_row(2);
    f.grid.set_text(QStringLiteral("y"));
    f.dialogs.yes();
    orders_too ? f.dialogs.yes() : f.dialogs.no();
    cmd_modosu(f.cx);
    for (int r = 1; r <= 3; ++r) {
      QCOMPARE(f.at(col::name, r), names[r - 1]);
      QCOMPARE(f.at(col::order, r), orders[r - 1]);
    }
    QCOMPARE(f.state.file(1), names[1]);
    // Names only: the tag cells and every colour stay, and no tag is read.
    for (int r = 1; r <= 3; ++r) {
      QCOMPARE(f.at(col::title, r), QStringLiteral("typed %1").arg(r));
      QCOMPARE(f.colour(col::album, r), r == 2 ? k_error : k_edited);
      QCOMPARE(f.colour(col::name, r), k_white);
    }
    QVERIFY(!f.tags.calls.contains(QStringLiteral("get")));
  }

  void undo_answered_no_asks_once() {
    Folder f({"a.mp3"});
    f.name(1, QStringLiteral("new"));
    f.dialogs.no();
    cmd_modosu(f.cx);
    QCOMPARE(f.dialogs.log, QStringList{"ask: " + msg::undo_names});
    QCOMPARE(f.at(col::name, 1), QStringLiteral("new"));
  }
};

QTEST_GUILESS_MAIN(RenameTest)
#include "test_rename.moc"
