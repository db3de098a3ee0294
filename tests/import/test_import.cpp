// The import flow on real .xls files: the file pick, the example row, the
// three formats, and every failure stage with its message.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_tag_library.h"
#include "import/import.h"
#include "import/messages.h"
#include "table/memory_grid.h"
#include "table/scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "xls_writer.h"

using namespace tn;
using namespace tn::test;
namespace msg = tn::import_msg;

namespace {

// Records what the import asks of the windows, in the same log as the boxes.
class LogHost final : public ImportHost {
 public:
  explicit LogHost(QStringList& log) : log_(log) {}
  void show_import_dialog() override { log_ << QStringLiteral("show dialog"); }
  void close_import_dialog() override { log_ << QStringLiteral("close dialog"); }

 private:
  QStringList& log_;
};

struct Fixture {
  explicit Fixture(int n) : ss1(5, n) {
    state.edit_folder = QStringLiteral("/music/album/");
    state.file_count = static_cast<qint16>(n);
    for (int i = 0; i < n; ++i) state.set_file(i, QStringLiteral("f%1.mp3").arg(i + 1));
    for (int r = 1; r <= n; ++r)
      for (int c = 1; c <= 5; ++c) {
        ss1.set_col(c);
        ss1.set_row(r);
        ss1.set_text(original(c, r));
      }
  }
  static QString original(int c, int r) { return QStringLiteral("old%1.%2").arg(c).arg(r); }

  TrackState state;
  MemoryGrid ss1;
  ScriptedDialogs dialogs;
  FakeTagLibrary tags;
  Context cx{state, ss1, dialogs, tags};
  ImportState st;
  LogHost host{dialogs.log};
};

// Sheet rows 1..rows: A a number, B a heading then titles, C albums, D artists.
XlsSheet& fill_sheet(XlsSheet& s, int rows) {
  for (int r = 1; r <= rows; ++r) {
    s.rk(QStringLiteral("A%1").arg(r), r);
    s.text(QStringLiteral("B%1").arg(r), r == 1 ? QStringLiteral("曲名") : QStringLiteral("曲%1").arg(r));
    s.text(QStringLiteral("C%1").arg(r), QStringLiteral("ｱﾙﾊﾞﾑ%1").arg(r));
    s.text(QStringLiteral("D%1").arg(r), QStringLiteral("ｱｰﾃｨｽﾄ%1").arg(r));
  }
  return s;
}
QString sheet_value(char letter, int r, int rows) {
  if (r > rows) return {};
  switch (letter) {
    case 'A': return QString::number(r);
    case 'B': return r == 1 ? QStringLiteral("曲名") : QStringLiteral("曲%1").arg(r);
    case 'C': return QStringLiteral("ｱﾙﾊﾞﾑ%1").arg(r);
    default: return QStringLiteral("ｱｰﾃｨｽﾄ%1").arg(r);
  }
}

bool nothing_coloured(const Grid& g) {
  for (int r = 1; r <= g.row_count(); ++r)
    for (int c = 1; c <= g.col_count(); ++c)
      if (g.cell_colour(c, r) != k_white) return false;
  return true;
}

}  // namespace

using Columns = QList<int>;

class TestImport : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  QString path(const QString& name) const { return tmp_.filePath(name); }

 private slots:
  void initTestCase() { QVERIFY(tmp_.isValid()); }

  void pick_file() {
    Fixture f(3);
    f.st.file_name = QStringLiteral("/old/list.xls");
    f.st.format = 3;
    f.dialogs.cancel();
    cmd_excel(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log, QStringList{"open: /music/album/"});
    QCOMPARE(f.st.file_name, QStringLiteral("/old/list.xls"));
    QCOMPARE(f.dialogs.last_filters.size(), 2);
    QVERIFY(f.dialogs.last_filters[0].endsWith(QLatin1String("(*)")));
    QVERIFY(f.dialogs.last_filters[1].startsWith(QStringLiteral("Microsoft Excelﾌｧｲﾙ(*.xls)")));
    QCOMPARE(f.dialogs.last_selected_filter, 1);

    f.dialogs.pick(QStringLiteral("/data/曲リスト.xls")).pick(QStringLiteral("/data/other.xls"));
    cmd_excel(f.cx, f.st, f.host);
    QCOMPARE(f.st.file_name, QStringLiteral("/data/曲リスト.xls"));
    cmd_excel(f.cx, f.st, f.host);  // while the dialog is open: a new file, the same format
    QCOMPARE(f.st.file_name, QStringLiteral("/data/other.xls"));
    QCOMPARE(f.st.format, qint16(3));
    QCOMPARE(f.dialogs.log, (QStringList{"open: /music/album/", "open: /music/album/", "show dialog",
                                         "open: /music/album/", "show dialog"}));
  }

  void example_row_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("1") << 1 << msg::example_1;
    QTest::newRow("2") << 2 << QStringList{"曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"};
    QTest::newRow("3") << 3 << QStringList{"曲順", "曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"};
  }
  void example_row() {
    QFETCH(int, format);
    QFETCH(QStringList, texts);
    ImportState st;
    MemoryGrid ss2(4, 1);
    choose_format(st, ss2, 3);  // from the widest row to any other
    choose_format(st, ss2, format);
    QCOMPARE(st.format, qint16(format));
    QCOMPARE(ss2.col_count(), texts.size());
    for (int c = 1; c <= texts.size(); ++c) QCOMPARE(ss2.cell_text(c, 1), texts[c - 1]);
  }

  void formats_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("sheet_rows");
    QTest::addColumn<int>("files");
    // table column -> sheet column letter, for the columns a format writes
    QTest::addColumn<QString>("letters");
    QTest::addColumn<Columns>("coloured");
    QTest::newRow("1, fewer sheet rows") << 1 << 5 << 8 << "..A.." << Columns{3};
    QTest::newRow("2, fewer sheet rows") << 2 << 5 << 8 << "..ABC" << Columns{3, 4, 5};
    QTest::newRow("3, fewer sheet rows") << 3 << 5 << 8 << "A.BCD" << Columns{1, 3, 4, 5};
    QTest::newRow("3, more sheet rows") << 3 << 120 << 100 << "A.BCD" << Columns{1, 3, 4, 5};
    QTest::newRow("1, one file") << 1 << 3 << 1 << "..A.." << Columns{3};
  }
  void formats() {
    QFETCH(int, format);
    QFETCH(int, sheet_rows);
    QFETCH(int, files);
    QFETCH(QString, letters);
    QFETCH(Columns, coloured);
    XlsBook book;
    fill_sheet(book.add(QStringLiteral("Sheet1")), sheet_rows);
    fill_sheet(book.add(QStringLiteral("Other")), 2).text(QStringLiteral("A1"), QStringLiteral("x"));
    const QString p = path(QStringLiteral("formats-%1.xls").arg(sheet_rows));
    book.save(p);

    Fixture f(files);
    f.st.file_name = p;
    f.st.format = static_cast<qint16>(format);
    f.dialogs.yes();
    cmd_excel_read(f.cx, f.st, f.host);

    QCOMPARE(f.dialogs.log, (QStringList{"ask: " + msg::sheet1_question, "close dialog",
                                         "notify: " + msg::done}));
    for (int c = 1; c <= 5; ++c) {
      const char letter = letters[c - 1].toLatin1();
      for (int r = 1; r <= files; ++r) {
        const QString want = letter == '.' ? Fixture::original(c, r) : sheet_value(letter, r, sheet_rows);
        QCOMPARE(f.ss1.cell_text(c, r), want);
        QCOMPARE(f.ss1.cell_colour(c, r), coloured.contains(c) ? k_edited : k_white);
      }
    }
    QCOMPARE(f.st.workbooks->open_count(), 0);
  }

  void failures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("log");
    const QString ask = "ask: " + msg::sheet1_question;
    const QString input = "input: " + msg::sheet_prompt;
    const QString open_failed = "notify: " + msg::open_failed;
    QTest::newRow("not a workbook") << "text.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("truncated") << "cut.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("password") << "locked.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("missing path") << "gone.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("no Sheet1 after Yes") << "data.xls" << QStringList{"yes"} << QStringList{ask, open_failed};
    QTest::newRow("empty name") << "data.xls" << QStringList{"no", "text:"}
                                << QStringList{ask, input, "notify: " + msg::blank_name};
    QTest::newRow("input cancelled") << "data.xls" << QStringList{"no", "cancel"}
                                     << QStringList{ask, input, "notify: " + msg::blank_name};
    QTest::newRow("typed sheet missing") << "data.xls" << QStringList{"no", "text:Sheet1"}
                                         << QStringList{ask, input, "notify: " + msg::no_sheet};
    QTest::newRow("typed name not trimmed") << "data.xls" << QStringList{"no", "text:Data "}
                                            << QStringList{ask, input, "notify: " + msg::no_sheet};
  }
  void failures() {
    QFETCH(QString, file);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, log);
    XlsBook data;
    fill_sheet(data.add(QStringLiteral("Data")), 4);
    data.save(path(QStringLiteral("data.xls")));
    XlsBook locked = data;
    locked.sheets[0] = XlsSheet(QStringLiteral("Sheet1"));
    fill_sheet(locked.sheets[0], 4);
    locked.password = true;
    locked.save(path(QStringLiteral("locked.xls")));
    QFile cut(path(QStringLiteral("cut.xls")));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(data.bytes().left(2000));
    cut.close();
    QFile text(path(QStringLiteral("text.xls")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("曲名\tｱﾙﾊﾞﾑ名\n");
    text.close();

    Fixture f(4);
    f.st.file_name = path(file);
    f.st.format = 3;
    for (const QString& a : answers) {
      if (a == "yes") f.dialogs.yes();
      else if (a == "no") f.dialogs.no();
      else if (a == "cancel") f.dialogs.cancel();
      else f.dialogs.type(a.mid(5));
    }
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log, log);
    QVERIFY(!f.dialogs.answers_left());
    for (int r = 1; r <= 4; ++r)
      for (int c = 1; c <= 5; ++c) QCOMPARE(f.ss1.cell_text(c, r), Fixture::original(c, r));
    QVERIFY(nothing_coloured(f.ss1));
    QCOMPARE(f.st.workbooks->open_count(), 0);

    // The dialog stayed open: the next read with a good file goes through.
    f.st.file_name = path(QStringLiteral("data.xls"));
    f.dialogs.log.clear();
    f.dialogs.no().type(QStringLiteral("data"));
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log.last(), "notify: " + msg::done);
    QCOMPARE(f.ss1.cell_text(col::artist, 4), QStringLiteral("ｱｰﾃｨｽﾄ4"));
  }

  void error_value_keeps_partial_writes() {
    XlsBook book;
    fill_sheet(book.add(QStringLiteral("Sheet1")), 6).error(QStringLiteral("C3"), 0x2A);
    const QString p = path(QStringLiteral("error.xls"));
    book.save(p);
    Fixture f(6);
    f.st.file_name = p;
    f.st.format = 3;
    f.dialogs.yes();
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log, (QStringList{"ask: " + msg::sheet1_question, "notify: " + msg::read_failed}));
    for (int r = 1; r <= 6; ++r) {
      QCOMPARE(f.ss1.cell_text(col::order, r), sheet_value('A', r, 6));
      QCOMPARE(f.ss1.cell_text(col::title, r), sheet_value('B', r, 6));
      QCOMPARE(f.ss1.cell_text(col::album, r), r < 3 ? sheet_value('C', r, 6) : Fixture::original(4, r));
      QCOMPARE(f.ss1.cell_text(col::artist, r), Fixture::original(5, r));
      QCOMPARE(f.ss1.cell_text(col::name, r), Fixture::original(2, r));
    }
    QVERIFY(nothing_coloured(f.ss1));
    QCOMPARE(f.st.workbooks->open_count(), 0);
  }

  void workbooks_kept_between_reads() {
    XlsBook book;
    fill_sheet(book.add(QStringLiteral("sheet1")), 2);
    const QString p = path(QStringLiteral("kept.xls"));
    book.save(p);
    Fixture f(2);
    f.st.file_name = p;
    QVERIFY(!f.st.workbooks);
    f.dialogs.yes().yes();
    cmd_excel_read(f.cx, f.st, f.host);
    const Workbooks* first = f.st.workbooks.get();
    QVERIFY(first);
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.st.workbooks.get(), first);
    QCOMPARE(f.dialogs.notices(), (QStringList{msg::done, msg::done}));
  }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
