// Batch edits of the tag columns and the two reloads, on the table in memory.

#include <QtTest>
#include <functional>

#include "edit/edit_commands.h"
#include "text/file_name.h"
#include "edit/messages.h"
#include "table/cell_marks.h"
#include "table/track_table.h"
#include "table_fixture.h"
#include "tag_rows/read_tags.h"
#include "tag_rows/tag_writers.h"

using namespace tn;

namespace {

// The files exist on disk (the reloads list the folder); their tags come
// from the fake library.
struct Table : test::TestTable {
  explicit Table(int n) : TestTable(test::numbered_names(n, QStringLiteral("song"))) {
    for (int i = 0; i < n; ++i) {
      test::FakeTagLibrary::Entry e;
      e.tag.title = QStringLiteral("title %1").arg(i + 1);
      e.tag.album = QStringLiteral("album");
      e.tag.artist = QStringLiteral("artist");
      tags.files[key(i)] = e;
    }
  }
};

QString times(const QString& s, int n) { return s.repeated(n); }

// The marks of a row, columns 1 to 5: "." plain, "e" edited, "x" unreadable.
QString marks_of(const Table& t, int r) {
  QString out;
  for (int c = 1; c <= 5; ++c) {
    const CellMark m = t.grid.cell_mark(c, r);
    out += m == CellMark::edited ? u'e' : m == CellMark::unreadable ? u'x' : u'.';
  }
  return out;
}

// Text typed into a cell, as the window reports it.
void type(Table& t, int c, int r, const QString& text) {
  t.put(c, r, text);
  mark_typed(t.cx, c, r);
}

using Steps = std::function<void(Table&)>;

}  // namespace

Q_DECLARE_METATYPE(Steps)

class EditCommands : public QObject {
  Q_OBJECT
 private slots:
  // Emptiness first, then the 30-character limit, then one overwrite question.
  void fill_album_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("present");  // album cells before, rows 1..3
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("after");
    const QString q = QStringLiteral("ask: ") + msg::overwrite;
    const QStringList empty{"", "", ""};
    QTest::newRow("into empty column, no question")
        << "Best" << empty << QStringList{} << QStringList{} << QStringList{"Best", "Best", "Best"};
    QTest::newRow("30 half-width") << times("a", 30) << empty << QStringList{} << QStringList{}
                                   << QStringList(3, times("a", 30));
    QTest::newRow("30 full-width") << times("あ", 30) << empty << QStringList{} << QStringList{}
                                   << QStringList(3, times("あ", 30));
    QTest::newRow("30 emoji count as 30") << times("🎵", 30) << empty << QStringList{}
                                          << QStringList{} << QStringList(3, times("🎵", 30));
    QTest::newRow("31 refused") << times("a", 31) << QStringList{"", "x", ""} << QStringList{}
                                << QStringList{"notify: " + msg::too_long}
                                << QStringList{"", "x", ""};
    QTest::newRow("blanks are text") << "  " << empty << QStringList{} << QStringList{}
                                     << QStringList{"  ", "  ", "  "};
    QTest::newRow("one filled row asks once, yes") << "New" << QStringList{"", "x", "y"}
                                                   << QStringList{"yes"} << QStringList{q}
                                                   << QStringList{"New", "New", "New"};
    QTest::newRow("same name still asks, no") << "New" << QStringList{"New", "New", "New"}
                                              << QStringList{"no"} << QStringList{q}
                                              << QStringList{"New", "New", "New"};
    QTest::newRow("no keeps everything") << "New" << QStringList{"", "", "x"} << QStringList{"no"}
                                         << QStringList{q} << QStringList{"", "", "x"};
  }
  void fill_album() {
    QFETCH(QString, text);
    QFETCH(QStringList, present);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, log);
    QFETCH(QStringList, after);
    Table t(3);
    for (int r = 1; r <= 3; ++r) t.put(col::album, r, present[r - 1]);
    for (const QString& a : answers) a == "yes" ? t.dialogs.yes() : t.dialogs.no();
    cmd_all_al(t.cx, text);
    QCOMPARE(t.dialogs.log, log);
    QCOMPARE(t.column(col::album), after);
    const bool filled = after != present;
    for (int r = 1; r <= 3; ++r) {
      QCOMPARE(t.colour(col::album, r), filled ? k_edited : k_white);
      QCOMPARE(t.colour(col::artist, r), k_white);
      QCOMPARE(t.at(col::artist, r), QString());
    }
  }

  // The fill as an operation: the consent given for the question the fill
  // needs, no box shown.
  void fill_operation_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("consent");
    QTest::addColumn<int>("need");
    QTest::addColumn<int>("end");
    QTest::addColumn<QStringList>("after");
    const QStringList empty{"", "", ""}, some{"", "x", ""};
    const int done = int(FillEnd::done), declined = int(FillEnd::declined), refused = int(FillEnd::refused);
    QTest::newRow("empty column: nothing to consent to") << "Best" << empty << false << int(FillNeed::nothing)
                                                         << done << QStringList(3, "Best");
    QTest::newRow("overwrite, consented") << "New" << some << true << int(FillNeed::overwrite_question) << done
                                          << QStringList(3, "New");
    QTest::newRow("overwrite, not consented") << "New" << some << false << int(FillNeed::overwrite_question)
                                              << declined << some;
    QTest::newRow("clear, consented") << "" << some << true << int(FillNeed::clear_question) << done << empty;
    QTest::newRow("clear, not consented") << "" << some << false << int(FillNeed::clear_question) << declined
                                          << some;
    QTest::newRow("too long, whatever the consent") << times("a", 31) << some << true << int(FillNeed::too_long)
                                                    << refused << some;
  }
  void fill_operation() {
    QFETCH(QString, text);
    QFETCH(QStringList, present);
    QFETCH(bool, consent);
    QFETCH(int, need);
    QFETCH(int, end);
    QFETCH(QStringList, after);
    Table t(3);
    for (int r = 1; r <= 3; ++r) t.put(col::album, r, present[r - 1]);
    QCOMPARE(int(fill_need(t.cx, col::album, text)), need);
    const FillRun run = fill_rows(t.cx, col::album, text, consent);
    QCOMPARE(int(run.end), end);
    QCOMPARE(run.text, end == int(FillEnd::refused) ? msg::too_long : QString());
    QCOMPARE(t.column(col::album), after);
    QVERIFY(t.dialogs.log.isEmpty());
  }

  void clearing_turns_only_the_cleared_cells_white() {
    Table t(4);
    for (int r = 1; r <= 4; ++r) {
      t.put(col::artist, r, QStringLiteral("a"));
      t.put(col::album, r, QStringLiteral("keep"));
      t.paint(col::artist, r, k_edited);
      t.paint(col::album, r, k_edited);
    }
    // A row the grid has beyond N (as after a folder of more files) is not
    // the commands' business.
    t.grid.set_max_rows(5);
    t.put(col::artist, 5, QStringLiteral("beyond"));
    t.paint(col::artist, 5, k_error);
    t.dialogs.yes();
    cmd_all_art(t.cx, QString());
    QCOMPARE(t.at(col::artist, 5), QStringLiteral("beyond"));
    QCOMPARE(t.colour(col::artist, 5), k_error);
    QCOMPARE(t.dialogs.log, QStringList{"ask: " + msg::artist_empty});
    for (int r = 1; r <= 4; ++r) {
      QCOMPARE(t.at(col::artist, r), QString());
      QCOMPARE(t.colour(col::artist, r), k_white);
      QCOMPARE(t.at(col::album, r), QStringLiteral("keep"));
      QCOMPARE(t.colour(col::album, r), k_edited);
    }
  }

  void clearing_answered_no_changes_nothing() {
    Table t(2);
    t.put(col::album, 1, QStringLiteral("x"));
    t.dialogs.no();
    cmd_all_al(t.cx, QString());
    QCOMPARE(t.at(col::album, 1), QStringLiteral("x"));
  }

  void titles_from_file_names_data() {
    QTest::addColumn<bool>("with_order");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << false << "song.mp3" << "song";
    QTest::newRow("upper extension") << false << "song.MP3" << "song";
    QTest::newRow("any last four") << false << "song.flac" << "song.";
    QTest::newRow("exactly four") << false << ".mp3" << "";
    QTest::newRow("shorter keeps title") << false << "abc" << "old";
    QTest::newRow("empty keeps title") << false << "" << "old";
    QTest::newRow("surrogates stay whole") << false << "曲🎵.mp3" << "曲🎵";
    // Bytes that are no UTF-8, read as a legacy tag text is.
    QTest::newRow("Shift-JIS name") << false << decode_file_name("\x8B\xC8\x96\xBC.mp3") << "曲名";
    QTest::newRow("Latin-1 name") << false << decode_file_name("Caf\xE9.mp3") << "Café";
    QTest::newRow("with order") << true << "song.mp3" << "03song";
    QTest::newRow("long title whole") << false << times("長", 40) + ".mp3" << times("長", 40);
    // The row whose file failed to read shows its name only to say so.
    QTest::newRow("file failed to read") << false << "failed" << "old";
  }
  void titles_from_file_names() {
    QFETCH(bool, with_order);
    QFETCH(QString, name);
    QFETCH(QString, title);
    Table t(3);
    if (name == QLatin1String("failed")) {
      t.state.clear_file(2);
      name = t.state.listed(2);
    }
    t.put(col::name, 3, name);
    t.put(col::title, 3, QStringLiteral("old"));
    t.paint(col::title, 3, k_edited);
    t.dialogs.yes();
    with_order ? cmd_zyun_fname(t.cx) : cmd_fname(t.cx);
    QCOMPARE(t.dialogs.log.size(), 1);
    QCOMPARE(t.at(col::title, 3), title);
    QCOMPARE(t.colour(col::title, 3), k_edited);
    QCOMPARE(t.at(col::title, 1), with_order ? QStringLiteral("01song1") : QStringLiteral("song1"));
  }

  void title_commands_answered_no_change_nothing() {
    Table t(2);
    t.dialogs.no().no();
    cmd_fname(t.cx);
    cmd_zyun_fname(t.cx);
    QCOMPARE(t.column(col::title), (QStringList{"", ""}));
    QCOMPARE(t.dialogs.log, (QStringList{"ask: " + msg::title_from_name,
                                         "ask: " + msg::title_from_order_name}));
    // Asked nothing, the operation gives every row with a name its title.
    QCOMPARE(titles_from_names(t.cx, true), 2);
    QCOMPARE(t.column(col::title), (QStringList{"01song1", "02song2"}));
    QCOMPARE(t.dialogs.log.size(), 2);
  }

  // Three files read, the second failing where a row says so. Typed text is
  // marked while it differs from its file's; after a reload, an undo or a
  // write every mark is what the files tell.
  void marks_follow_the_files_data() {
    QTest::addColumn<bool>("second_fails");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("marks");
    const QString plain = QStringLiteral(".....");
    QTest::newRow("typed title") << false << Steps([](Table& t) { type(t, col::title, 1, "新しい曲"); })
                                 << QStringList{"..e..", plain, plain};
    QTest::newRow("typed back after a fill") << false << Steps([](Table& t) {
      t.dialogs.yes();
      cmd_all_al(t.cx, QStringLiteral("X"));
      type(t, col::album, 1, "album");
    }) << QStringList{plain, "...e.", "...e."};
    QTest::newRow("typed into a failed row") << true << Steps([](Table& t) { type(t, col::title, 2, "曲"); })
                                             << QStringList{plain, "xxxxx", plain};
    // A name not yet applied by a rename, as a tag not yet written.
    QTest::newRow("typed file name") << false << Steps([](Table& t) { type(t, col::name, 1, "x.mp3"); })
                                     << QStringList{".e...", plain, plain};
    QTest::newRow("reload, the failed file mended") << true << Steps([](Table& t) {
      t.tags.files[(t.state.edit_folder + "song2.mp3").toUtf8()].read_error = 0;
      type(t, col::title, 1, "新しい曲");
      t.dialogs.yes();
      cmd_cls(t.cx);
    }) << QStringList{plain, plain, plain};
    QTest::newRow("tag undo, still failing") << true << Steps([](Table& t) {
      t.dialogs.yes().yes();
      cmd_all_art(t.cx, QStringLiteral("Y"));
      cmd_modosu2(t.cx);
    }) << QStringList{plain, "xxxxx", plain};
    QTest::newRow("written, then typed back") << false << Steps([](Table& t) {
      type(t, col::title, 1, "新しい曲");
      type(t, col::album, 1, "新しいアルバム");
      t.dialogs.yes();
      cmd_write_kyokumei(t.cx);
      type(t, col::title, 1, "title 1");
    }) << QStringList{"..ee.", plain, plain};
  }
  void marks_follow_the_files() {
    QFETCH(bool, second_fails);
    QFETCH(Steps, steps);
    QFETCH(QStringList, marks);
    Table t(3);
    if (second_fails) t.tags.files[t.key(1)].read_error = tag_error::read_failed;
    read_tags(t.cx);
    steps(t);
    QCOMPARE((QStringList{marks_of(t, 1), marks_of(t, 2), marks_of(t, 3)}), marks);
    // Colours and marks tell the same.
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 5; ++c) QCOMPARE(t.colour(c, r), colour_of(t.grid.cell_mark(c, r)));
  }

  void clear_and_reload_rebuilds_everything() {
    Table t(3);
    t.tags.files[t.state.path_of(1).toUtf8()].read_error = 3;
    t.put(col::name, 1, QStringLiteral("composed.mp3"));
    t.put(col::order, 1, QStringLiteral("9"));
    t.dialogs.yes().yes();
    cmd_all_al(t.cx, QStringLiteral("X"));
    t.dialogs.yes();
    cmd_cls(t.cx);
    QCOMPARE(t.column(col::name), (QStringList{"song1.mp3", "song2.mp3", "song3.mp3"}));
    QCOMPARE(t.column(col::order), (QStringList{"01", "02", "03"}));
    QCOMPARE(t.column(col::album), (QStringList{"album", "", "album"}));
    for (int c = col::order; c <= col::artist; ++c) {
      QCOMPARE(t.colour(c, 1), k_white);
      QCOMPARE(t.colour(c, 2), k_error);  // painted first, read afterwards
    }
    QCOMPARE(t.dialogs.notices().size(), 2);  // the read failure, then the closing notice
    QCOMPARE(t.dialogs.notices().constLast(), msg::reload_done);
  }

  void undo_tags_rereads_and_renumbers() {
    Table t(100);
    t.tags.files[t.state.path_of(1).toUtf8()].read_error = 3;
    t.paint(col::name, 5, k_error);  // an earlier failure, now readable
    t.paint(col::title, 5, k_error);
    t.dialogs.yes().yes();
    cmd_all_art(t.cx, QStringLiteral("Other"));
    t.put(col::name, 1, QStringLiteral("composed.mp3"));
    t.put(col::order, 3, QStringLiteral("x"));
    t.dialogs.yes();
    cmd_modosu2(t.cx);
    QCOMPARE(t.at(col::name, 1), QStringLiteral("composed.mp3"));  // names stay
    QCOMPARE(t.at(col::artist, 1), QStringLiteral("artist"));
    QCOMPARE(t.at(col::order, 3), QStringLiteral("03"));
    QCOMPARE(t.at(col::order, 100), QStringLiteral("100"));
    // The marks are those of the files now: the failed row emptied but for
    // its file's name and red all along, the earlier failure that reads
    // again white all along; the name not yet applied still told.
    QCOMPARE(t.at(col::name, 2), QStringLiteral("song2.mp3"));
    QCOMPARE(t.colour(col::name, 1), k_edited);
    for (int c = col::order; c <= col::artist; ++c) {
      QCOMPARE(t.colour(c, 2), k_error);
      QCOMPARE(t.colour(c, 5), k_white);
    }
    QCOMPARE(t.colour(col::artist, 50), k_white);
    QCOMPARE(t.dialogs.notices().size(), 1);  // the read failure, no closing notice
  }
};

QTEST_GUILESS_MAIN(EditCommands)
#include "test_edit_commands.moc"
