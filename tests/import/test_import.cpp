// The import flow on real .xls files: the file pick, the example row, the
// three formats, and every failure stage with its message.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_tag_library.h"
#include "import/header_layout.h"
#include "import/import.h"
#include "import/messages.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "xls_writer.h"
#include "zip_writer.h"

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
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    XlsBook data;  // one sheet, "Data", of four rows
    fill_sheet(data.add(QStringLiteral("Data")), 4);
    data.save(path(QStringLiteral("data.xls")));
  }

  void pick_file() {
    Fixture f(3);
    f.st.file_name = QStringLiteral("/old/list.xls");
    f.st.format = 3;
    f.dialogs.cancel();
    cmd_excel(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log, QStringList{"open: /music/album/"});
    QCOMPARE(f.st.file_name, QStringLiteral("/old/list.xls"));
    // Every kind the import reads, preselected; then one entry per kind; then all files.
    const QStringList kinds = {"xls", "xlsx", "ods", "csv", "tsv"};
    QCOMPARE(f.dialogs.last_filters.size(), kinds.size() + 2);
    QCOMPARE(f.dialogs.last_selected_filter, 0);
    QVERIFY(f.dialogs.last_filters[0].endsWith("(*.xls *.xlsx *.ods *.csv *.tsv)"));
    for (int i = 1; i <= kinds.size(); ++i)
      QVERIFY(f.dialogs.last_filters[i].endsWith("(*." + kinds[i - 1] + ") (*." + kinds[i - 1] + ')'));
    QVERIFY(f.dialogs.last_filters[1].startsWith(QStringLiteral("Microsoft Excelﾌｧｲﾙ(*.xls)")));
    QCOMPARE(f.dialogs.last_filters.last(), QStringLiteral("すべてのファイル(*.*) (*)"));

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
    QTest::newRow("1") << 1 << QStringList{"曲名"};
    QTest::newRow("2") << 2 << QStringList{"曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"};
    QTest::newRow("3") << 3 << QStringList{"曲順", "曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"};
    QTest::newRow("4, by header names") << 4 << QStringList{"ｱｰﾃｨｽﾄ名", "曲名", "曲順", "Album"};
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
    QTest::newRow("not a workbook") << "binary.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("markup called .xls") << "table.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("truncated") << "cut.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("password") << "locked.xls" << QStringList{} << QStringList{open_failed};
    QTest::newRow("missing path") << "gone.xls" << QStringList{} << QStringList{open_failed};
    // The track orders would come first; the bomb waits in the shared strings.
    QTest::newRow("entities in the shared strings") << "laughs.xlsx" << QStringList{} << QStringList{open_failed};
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
    QFile binary(path(QStringLiteral("binary.xls")));
    QVERIFY(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10) + QByteArray(500, '\xFF'));
    binary.close();
    QFile table(path(QStringLiteral("table.xls")));  // what some web exports call .xls
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("<html><body><table><tr><td>曲名</td></tr></table></body></html>\n");
    table.close();
    auto laughs = xlsx_shared_parts({{"1", "曲名"}, {"2", "曲2"}});
    for (ZipPart& part : laughs)
      if (part.name == QLatin1String("xl/sharedStrings.xml"))
        part.data.insert(part.data.indexOf("<sst"), "<!DOCTYPE sst [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>");
    QFile bomb(path(QStringLiteral("laughs.xlsx")));
    QVERIFY(bomb.open(QIODevice::WriteOnly));
    bomb.write(zip_bytes(laughs));
    bomb.close();

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

  // The import as an operation: the answers given, no box shown, each
  // question put only when the import comes to it; the result says how it
  // ended, its notice and the columns it filled.
  void operation_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("sheet");  // "-": Sheet1
    QTest::addColumn<bool>("take");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Columns>("columns");
    QTest::addColumn<QStringList>("asked");
    const int done = int(ImportEnd::done), refused = int(ImportEnd::refused), declined = int(ImportEnd::declined);
    QTest::newRow("typed sheet, format 3") << "data.xls" << 3 << "Data" << true << done << msg::done
                                           << Columns{1, 3, 4, 5} << QStringList{"sheet"};
    QTest::newRow("format 1") << "data.xls" << 1 << "Data" << true << done << msg::done << Columns{3}
                              << QStringList{"sheet"};
    QTest::newRow("no Sheet1") << "data.xls" << 2 << "-" << true << refused << msg::open_failed << Columns{}
                               << QStringList{"sheet"};
    QTest::newRow("empty name") << "data.xls" << 2 << "" << true << refused << msg::blank_name << Columns{}
                                << QStringList{"sheet"};
    QTest::newRow("no such sheet") << "data.xls" << 2 << "data " << true << refused << msg::no_sheet << Columns{}
                                   << QStringList{"sheet"};
    QTest::newRow("not there: nothing asked") << "gone.xls" << 2 << "Data" << true << refused << msg::open_failed
                                              << Columns{} << QStringList{};
    QTest::newRow("text file: no sheet asked") << "heads.csv" << 2 << "Data" << true << done << msg::done
                                               << Columns{3, 4, 5} << QStringList{};
    QTest::newRow("by headers: the columns that change") << "heads.csv" << 4 << "-" << true << done << msg::done
                                                         << Columns{4, 5} << QStringList{"take"};
    QTest::newRow("by headers, declined") << "heads.csv" << 4 << "-" << false << declined << QString() << Columns{}
                                          << QStringList{"take"};
    QTest::newRow("by headers, a workbook") << "data.xls" << 4 << "Data" << true << done << msg::done << Columns{3}
                                            << QStringList{"sheet", "take"};
  }
  void operation() {
    QFETCH(QString, file);
    QFETCH(int, format);
    QFETCH(QString, sheet);
    QFETCH(bool, take);
    QFETCH(int, end);
    QFETCH(QString, text);
    QFETCH(Columns, columns);
    QFETCH(QStringList, asked);
    QFile csv(path(QStringLiteral("heads.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly | QIODevice::Truncate));
    csv.write("曲名,Album,Artist\nold3.1,A1,R1\nold3.2,A2,R2\nold3.3,old4.3,R3\nold3.4,A4,R4\n");
    csv.close();
    Fixture f(4);
    QStringList log;
    ImportChoices choices{path(file), format, {}, {}};
    choices.sheet = [&]() -> std::optional<QString> {
      log << "sheet";
      if (sheet == "-") return std::nullopt;
      return sheet;
    };
    choices.take = [&](const HeaderImport&) {
      log << "take";
      return take;
    };
    Workbooks books;
    const ImportRun run = import_sheet(f.cx, books, choices);
    QCOMPARE(int(run.end), end);
    QCOMPARE(run.text, text);
    QCOMPARE(Columns(run.columns.begin(), run.columns.end()), columns);
    QCOMPARE(log, asked);
    QCOMPARE(f.dialogs.log, QStringList{});
    QCOMPARE(books.open_count(), 0);
    if (end != int(ImportEnd::done)) QVERIFY(nothing_coloured(f.ss1));
  }

  // Files of spreadsheet programs through the whole import (values in
  // detail: test_workbook). "col,row=text" for cells of the table afterwards.
  void producer_files_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("cells");
    const QString ask = "ask: " + msg::sheet1_question;
    const QString input = "input: " + msg::sheet_prompt;
    const QStringList done = {"close dialog", "notify: " + msg::done};
    const QStringList sheet1 = {"1,1=曲順", "3,3=坂道と自転車", "4,4=2024-03-15", "5,5=一行目\n二行目",
                                "1,8=01", "2,8=old2.8"};
    QTest::newRow("LibreOffice .xlsx") << "track_list.xlsx" << 3 << QStringList{"yes"}
                                       << QStringList{ask} + done << sheet1;
    QTest::newRow("LibreOffice .ods, typed sheet") << "track_list.ods" << 1 << QStringList{"no", "曲リスト"}
                                                   << QStringList{ask, input} + done
                                                   << QStringList{"3,1=二枚目", "3,2=3", "3,3=", "4,1=old4.1"};
    QTest::newRow("openpyxl .xlsx, no such sheet") << "track_list-openpyxl.xlsx" << 1 << QStringList{"no", "Sheet9"}
                                                   << QStringList{ask, input, "notify: " + msg::no_sheet}
                                                   << QStringList{"3,1=old3.1"};
    // =1/0 in B1: the title column is in, the album column stops at row 1.
    QTest::newRow("error value in .xlsx") << "track_list-xlsxwriter.xlsx" << 2 << QStringList{"no", "曲リスト"}
                                          << QStringList{ask, input, "notify: " + msg::read_failed}
                                          << QStringList{"3,1=二枚目", "3,2=3", "4,1=old4.1"};
    QTest::newRow("CSV: no sheet question") << "track_list-cp932.csv" << 3 << QStringList{} << done
                                            << QStringList{"1,1=曲順", "3,2=夜明けの歌", "4,4=2024/03/15", "5,8=Caf? ?"};
    // The demo folder's list: 12 rows for its 12 files, on Sheet1.
    QTest::newRow("demo folder's track list") << "../../../samples/曲リスト.xlsx" << 3 << QStringList{"yes"}
                                              << QStringList{ask} + done
                                              << QStringList{"1,1=1", "3,1=夜明けの歌", "3,8=ガラスの街角",
                                                             "4,8=はじまりの季節", "5,8=青空ソーダ"};
    QTest::newRow("TSV in UTF-16") << "track_list-utf16.tsv" << 2 << QStringList{} << done
                                   << QStringList{"3,1=曲順", "4,3=坂道と自転車", "4,7=結合セル", "1,1=old1.1"};
  }
  void producer_files() {
    QFETCH(QString, file);
    QFETCH(int, format);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, log);
    QFETCH(QStringList, cells);
    Fixture f(8);
    f.st.file_name = QStringLiteral(TAGNARABE_TEST_DATA "/") + file;
    f.st.format = static_cast<qint16>(format);
    for (const QString& a : answers) {
      if (a == "yes") f.dialogs.yes();
      else if (a == "no") f.dialogs.no();
      else f.dialogs.type(a);
    }
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.dialogs.log, log);
    for (const QString& c : cells) {
      const qsizetype comma = c.indexOf(u','), eq = c.indexOf(u'=');
      const int col = c.left(comma).toInt(), row = c.mid(comma + 1, eq - comma - 1).toInt();
      QCOMPARE(f.ss1.cell_text(col, row), c.mid(eq + 1).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }
    QCOMPARE(f.st.workbooks->open_count(), 0);
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
      // The cells it wrote say so; the rest is as it was.
      for (int c = 1; c <= 5; ++c) {
        const bool written = c == col::order || c == col::title || (c == col::album && r < 3);
        QCOMPARE(f.ss1.cell_colour(c, r), written ? k_edited : k_white);
      }
    }
    QCOMPARE(f.st.workbooks->open_count(), 0);
  }

  // Each read opens the file anew and leaves nothing open: a file changed
  // between two reads (by a spreadsheet program saving it) is read as it is
  // now, and a file replaced by one of another kind too.
  void every_read_reads_the_file_anew() {
    const QString p = path(QStringLiteral("kept.xls"));
    XlsBook first;
    fill_sheet(first.add(QStringLiteral("sheet1")), 2);
    first.save(p);
    Fixture f(2);
    f.st.file_name = p;
    f.st.format = 3;
    f.dialogs.yes();
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.ss1.cell_text(col::title, 2), QStringLiteral("曲2"));
    QCOMPARE(f.st.workbooks->open_count(), 0);

    XlsBook second;
    second.add(QStringLiteral("Sheet1")).text(QStringLiteral("B2"), QStringLiteral("新しい曲"));
    second.save(p);
    f.dialogs.yes();
    cmd_excel_read(f.cx, f.st, f.host);
    QCOMPARE(f.ss1.cell_text(col::title, 1), QString());
    QCOMPARE(f.ss1.cell_text(col::title, 2), QStringLiteral("新しい曲"));

    QFile csv(p);
    QVERIFY(csv.open(QIODevice::WriteOnly | QIODevice::Truncate));
    csv.write("1,\"CSVの曲\"\r\n2,\"二曲目\"\r\n");
    csv.close();
    cmd_excel_read(f.cx, f.st, f.host);  // a text file: no sheet question
    QCOMPARE(f.ss1.cell_text(col::title, 1), QStringLiteral("CSVの曲"));
    QCOMPARE(f.ss1.cell_text(col::title, 2), QStringLiteral("二曲目"));
    QCOMPARE(f.dialogs.notices(), (QStringList{msg::done, msg::done, msg::done}));
    QCOMPARE(f.dialogs.log.count("ask: " + msg::sheet1_question), 2);
    QCOMPARE(f.st.workbooks->open_count(), 0);
  }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
