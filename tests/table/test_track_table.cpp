// Track table filling, the folder listing behind it, and the file list.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_tag_library.h"
#include "table/cell_blocks.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"

using namespace tn;

namespace {

void touch(const QString& path) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
}

struct Table {
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  test::FakeTagLibrary tags;
  Context cx{state, grid, dialogs, tags};
};

}  // namespace

class TrackTableTest : public QObject {
  Q_OBJECT
 private slots:
  void fill_table_numbers_rows_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QStringList>("expected");  // orders of rows 1, 9, 10 and N
    QTest::newRow("1") << 1 << QStringList{"01"};
    QTest::newRow("9") << 9 << QStringList{"01", "09"};
    QTest::newRow("10") << 10 << QStringList{"01", "09", "10"};
    QTest::newRow("100") << 100 << QStringList{"01", "09", "10", "100"};
  }
  void fill_table_numbers_rows() {
    QFETCH(int, n);
    QFETCH(QStringList, expected);
    Table t;
    t.state.file_count = static_cast<qint16>(n);
    for (int i = 0; i < n; ++i) t.state.set_file(i, QStringLiteral("f%1.mp3").arg(i));
    t.grid.set_max_rows(n);
    fill_table(t.cx);
    const QList<int> rows{1, 9, 10, n};
    for (int k = 0; k < expected.size(); ++k)
      QCOMPARE(t.grid.cell_text(col::order, rows[k]), expected[k]);
    QCOMPARE(t.grid.cell_text(col::name, n), QStringLiteral("f%1.mp3").arg(n - 1));
    QCOMPARE(t.grid.row(), n + 1);  // left one past the last row
  }

  // Only the edited colour in a tag or file-name column of a row whose tag
  // was read is a change a write or rename could store; the imported track
  // order is never written, and the file of row 3 failed to read.
  void unwritten_edits_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<Colour>("colour");
    QTest::addColumn<bool>("unwritten");
    QTest::newRow("none") << 3 << 1 << k_white << false;
    QTest::newRow("title") << 3 << 1 << k_edited << true;
    QTest::newRow("artist of the last row") << 5 << 4 << k_edited << true;
    QTest::newRow("row past N") << 4 << 5 << k_edited << false;
    QTest::newRow("track order") << 1 << 2 << k_edited << false;
    QTest::newRow("file name") << 2 << 2 << k_edited << true;
    QTest::newRow("file name of the row that failed") << 2 << 3 << k_edited << false;
    QTest::newRow("failed row") << 3 << 2 << k_error << false;
    QTest::newRow("filled into the row that failed") << 4 << 3 << k_edited << false;
  }
  void unwritten_edits() {
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(Colour, colour);
    QFETCH(bool, unwritten);
    Table t;
    t.state.file_count = 4;
    for (int i : {0, 1, 3}) t.state.set_on_disk(i, TagTexts{});
    t.grid.set_max_rows(6);
    t.grid.set_col(col);
    t.grid.set_row(row);
    t.grid.set_back_colour(colour);
    QCOMPARE(has_unwritten_edits(t.cx), unwritten);
  }

  void listing_is_natural_and_takes_any_case() {
    QTemporaryDir dir;
    for (const char* name : {"Track10.mp3", "track2.MP3", ".hidden.mp3", "Track1.Mp3", "note.txt",
                             "song.mp3.bak", "Ｂ.mp3"})
      touch(dir.filePath(QString::fromUtf8(name)));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.mp3")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath("broken.mp3")));
    // A link, even to a file of the folder, is told apart: no row of its own.
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("Track1.Mp3")), dir.filePath("link.mp3")));
    QStringList links;
    QCOMPARE(list_mp3_files(dir.path(), &links),
             (QStringList{".hidden.mp3", "Ｂ.mp3", "Track1.Mp3", "track2.MP3", "Track10.mp3"}));
    QCOMPARE(links, (QStringList{"broken.mp3", "link.mp3"}));
  }

  // The table was listed from a.mp3, b.mp3, c.mp3; b.mp3 then failed to read.
  // A rebuild takes the folder as it is now; the undo commands keep every row
  // with its own file.
  void relist_follows_the_folder_data() {
    QTest::addColumn<QStringList>("on_disk");
    QTest::addColumn<QStringList>("rebuilt");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("unchanged") << QStringList{"a.mp3", "b.mp3", "c.mp3"}
                               << QStringList{"a.mp3", "b.mp3", "c.mp3"}
                               << QStringList{"a.mp3", "b.mp3", "c.mp3"};
    QTest::newRow("one added before") << QStringList{"0.mp3", "a.mp3", "b.mp3", "c.mp3"}
                                      << QStringList{"0.mp3", "a.mp3", "b.mp3"}
                                      << QStringList{"a.mp3", "b.mp3", "c.mp3"};
    QTest::newRow("one removed") << QStringList{"b.mp3", "c.mp3"}
                                 << QStringList{"b.mp3", "c.mp3", ""}
                                 << QStringList{"a.mp3", "b.mp3", "c.mp3"};
    QTest::newRow("failed one renamed") << QStringList{"a.mp3", "bb.mp3", "c.mp3"}
                                        << QStringList{"a.mp3", "bb.mp3", "c.mp3"}
                                        << QStringList{"a.mp3", "", "c.mp3"};
  }
  void relist_follows_the_folder() {
    QFETCH(QStringList, on_disk);
    QFETCH(QStringList, rebuilt);
    QFETCH(QStringList, kept);
    QTemporaryDir dir;
    for (const QString& n : on_disk) touch(dir.filePath(n));
    for (const Relist how : {Relist::rebuild, Relist::keep_rows}) {
      Table t;
      t.state.edit_folder = with_trailing_slash(dir.path());
      t.state.file_count = 3;
      for (int i = 0; i < 3; ++i) t.state.set_file(i, QStringList{"a.mp3", "b.mp3", "c.mp3"}[i]);
      t.state.set_file(3, QStringLiteral("beyond N stays"));
      t.grid.set_max_rows(3);
      fill_table(t.cx);
      t.state.clear_file(1);
      t.grid.set_row(2);
      t.grid.set_col(col::name);
      t.grid.set_text(QString());  // as a failed read leaves it
      relist_files(t.cx, how);
      const QStringList expected = how == Relist::rebuild ? rebuilt : kept;
      for (int i = 0; i < 3; ++i) {
        QCOMPARE(t.state.file(i), expected[i]);
        QCOMPARE(t.grid.cell_text(col::order, i + 1), QString());  // column 1 cleared
      }
      // A row that got its file back shows its name again.
      if (how == Relist::keep_rows) QCOMPARE(t.grid.cell_text(col::name, 2), expected[1]);
      QCOMPARE(t.state.file(3), QStringLiteral("beyond N stays"));
    }
  }

  void file_list_access_is_checked() {
    TrackState s;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.file(100));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.set_file(-1, QString()));
    s.set_file(99, QStringLiteral("last"));
    QCOMPARE(s.file(99), QStringLiteral("last"));
    // What a file held is forgotten with its name, not kept for another.
    s.set_on_disk(99, TagTexts{"t", "a", "b"});
    s.set_file(99, QStringLiteral("other"));
    QVERIFY(!s.on_disk(99).has_value());
  }

  // Blocks as spreadsheets put them on the clipboard and take them back;
  // formed: the block gives this very text.
  void tab_separated_blocks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<CellBlock>("block");
    QTest::addColumn<bool>("formed");
    QTest::newRow("rows and cells") << "a\tb\nc\td" << CellBlock{{"a", "b"}, {"c", "d"}} << true;
    QTest::newRow("CR LF, newline after the last row")
        << "a\tb\r\nc\td\r\n" << CellBlock{{"a", "b"}, {"c", "d"}} << false;
    QTest::newRow("empty cells and rows") << "\tb\n\nc\t" << CellBlock{{"", "b"}, {""}, {"c", ""}} << true;
    QTest::newRow("tab, line break and quotes quoted")
        << "\"x\ty\"\t\"l1\nl2\"\t\"say \"\"hi\"\"\"\t曲"
        << CellBlock{{"x\ty", "l1\nl2", "say \"hi\"", "曲"}} << true;
    QTest::newRow("text after a closing quote kept") << "\"a\"b\tc" << CellBlock{{"ab", "c"}} << false;
    QTest::newRow("unclosed quote to the end") << "\"a\tb" << CellBlock{{"a\tb"}} << false;
    QTest::newRow("nothing") << "" << CellBlock{} << true;
  }
  void tab_separated_blocks() {
    QFETCH(QString, text);
    QFETCH(CellBlock, block);
    QFETCH(bool, formed);
    QCOMPARE(from_tsv(text), block);
    QCOMPARE(from_tsv(to_tsv(block)), block);
    if (formed) QCOMPARE(to_tsv(block), text);
  }

  // The order of rows a column's texts give the view.
  void sorted_rows_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("rows");
    QTest::newRow("numbers by value, empty last") << QStringList{"10", "", "09", "1"} << QList<int>{4, 3, 1, 2};
    QTest::newRow("names with numbers") << QStringList{"Track10", "Track2", "track1"} << QList<int>{3, 2, 1};
    QTest::newRow("track n/N") << QStringList{"10/12", "2/12"} << QList<int>{2, 1};
    QTest::newRow("kana by the syllabary") << QStringList{"さる", "カメ", "いぬ"} << QList<int>{3, 2, 1};
    QTest::newRow("equal texts in row order") << QStringList{"b", "a", "b", "a"} << QList<int>{2, 4, 1, 3};
  }
  void sorted_rows() {
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, rows);
    MemoryGrid g(5, static_cast<int>(texts.size()));
    g.set_col(col::title);
    for (int r = 1; r <= g.row_count(); ++r) {
      g.set_row(r);
      g.set_text(texts[r - 1]);
    }
    const std::vector<int> order = tn::sorted_rows(g, col::title);
    QCOMPARE(QList<int>(order.begin(), order.end()), rows);
  }

  void folder_names_for_the_question_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("folder") << "/music/Best" << "Best";
    QTest::newRow("root") << "/" << "/ (root)";
  }
  void folder_names_for_the_question() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(folder_display_name(path, QStringLiteral("/ (root)")), name);
    QVERIFY(with_trailing_slash(path).endsWith(QLatin1Char('/')));
    QVERIFY(!with_trailing_slash(path).endsWith(QLatin1String("//")));
  }
};

QTEST_GUILESS_MAIN(TrackTableTest)
#include "test_track_table.moc"
