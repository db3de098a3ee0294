// The workbook layer on real files: .xls made here, and .xls, .xlsx, .ods,
// CSV and TSV written by spreadsheet programs (tests/import/data); values of
// every kind, sheets by name, and every way a file can fail to open.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "import/workbook.h"
#include "xls_writer.h"
#include "zip_writer.h"

using namespace tn;
using namespace tn::test;

namespace {

void put32(QByteArray& b, qsizetype at, quint32 v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A compound file whose workbook stream (under 4096 bytes) lives in the mini
// stream behind another small stream, as Excel stores a small book.
QByteArray mini_stream_file(const QByteArray& workbook) {
  constexpr quint32 k_end = 0xFFFFFFFE, k_free = 0xFFFFFFFF;
  const QByteArray other(128, 'x');  // two mini sectors ahead of the workbook
  QByteArray container = other + workbook;
  container.append(QByteArray((64 - container.size() % 64) % 64, '\0'));
  const int minis = static_cast<int>(container.size() / 64);
  container.append(QByteArray((512 - container.size() % 512) % 512, '\0'));
  const int container_sectors = static_cast<int>(container.size() / 512);

  QByteArray out(512 * 4, '\0');  // header, FAT, directory, mini FAT
  out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  out.replace(0x18, 8, QByteArray("\x3E\x00\x03\x00\xFE\xFF\x09\x00", 8));
  out[0x20] = 6;
  put32(out, 0x2C, 1);        // one FAT sector
  put32(out, 0x30, 1);        // the directory in sector 1
  put32(out, 0x38, 4096);
  put32(out, 0x3C, 2);        // the mini FAT in sector 2
  put32(out, 0x40, 1);
  put32(out, 0x44, k_end);
  for (int i = 0; i < 109; ++i) put32(out, 0x4C + 4 * i, i == 0 ? 0 : k_free);
  const qsizetype fat = 512, dir = 1024, mini_fat = 1536;
  for (int i = 0; i < 128; ++i) put32(out, fat + 4 * i, k_free);
  put32(out, fat, 0xFFFFFFFD);
  put32(out, fat + 4, k_end);
  put32(out, fat + 8, k_end);
  for (int i = 0; i < container_sectors; ++i)
    put32(out, fat + 4 * (3 + i), i + 1 < container_sectors ? 4 + i : k_end);
  for (int i = 0; i < 128; ++i) put32(out, mini_fat + 4 * i, k_free);
  put32(out, mini_fat, 1);
  put32(out, mini_fat + 4, k_end);
  for (int i = 2; i < minis; ++i) put32(out, mini_fat + 4 * i, i + 1 < minis ? i + 1 : k_end);
  auto entry = [&](int index, const QString& name, int type, quint32 right, quint32 child, quint32 start,
                   quint32 size) {
    const qsizetype e = dir + 128 * index;
    for (qsizetype i = 0; i < name.size(); ++i) {
      out[e + 2 * i] = static_cast<char>(name[i].unicode() & 0xFF);
      out[e + 2 * i + 1] = static_cast<char>(name[i].unicode() >> 8);
    }
    out[e + 0x40] = static_cast<char>((name.size() + 1) * 2);
    out[e + 0x42] = static_cast<char>(type);
    put32(out, e + 0x44, k_free);
    put32(out, e + 0x48, right);
    put32(out, e + 0x4C, child);
    put32(out, e + 0x74, start);
    put32(out, e + 0x78, size);
  };
  entry(0, QStringLiteral("Root Entry"), 5, k_free, 1, 3, static_cast<quint32>(minis * 64));
  entry(1, QStringLiteral("Workbook"), 2, 2, k_free, 2, static_cast<quint32>(workbook.size()));
  entry(2, QStringLiteral("Other"), 2, k_free, k_free, 0, 128);
  for (int i = 3; i < 4; ++i) {
    put32(out, dir + 128 * i + 0x44, k_free);
    put32(out, dir + 128 * i + 0x48, k_free);
    put32(out, dir + 128 * i + 0x4C, k_free);
  }
  return out + container;
}

QByteArray spaces(qsizetype n) { return QByteArray(n, ' '); }

}  // namespace

class TestWorkbook : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  QString path(const QString& name) const { return tmp_.filePath(name); }

  // One book with a value of every kind in column A of Sheet1.
  QString values_book() {
    const QString p = path(QStringLiteral("values.xls"));
    if (QFile::exists(p)) return p;
    XlsBook book;
    book.add(QStringLiteral("Sheet1"))
        .text(QStringLiteral("A1"), QStringLiteral("曲名"))
        .label(QStringLiteral("A2"), QStringLiteral("ｱｰﾃｨｽﾄ名 (label)"))
        .rk(QStringLiteral("A3"), 1)
        .number(QStringLiteral("A4"), 1.5)
        .number(QStringLiteral("A5"), 3.0)
        .date(QStringLiteral("A6"), QDate(2024, 3, 15))
        .date(QStringLiteral("A7"), QDate(1999, 12, 31), false)
        .boolean(QStringLiteral("A8"), true)
        .boolean(QStringLiteral("A9"), false)
        .formula_number(QStringLiteral("A11"), 42)
        .formula_text(QStringLiteral("A12"), QStringLiteral("計算した曲名"))
        .number(QStringLiteral("A13"), -0.25)
        .text(QStringLiteral("A14"), QStringLiteral("とても長い曲名がここに入ります、三十文字を優に超える長さのタイトル♥🎵"))
        .rk(QStringLiteral("A15"), -7)
        .number(QStringLiteral("A16"), 12345678901.0)
        .text(QStringLiteral("C2"), QStringLiteral("右"));
    book.save(p);
    return p;
  }

 private slots:
  void initTestCase() { QVERIFY(tmp_.isValid()); }

  void values_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    QTest::newRow("shared text") << "A1" << "曲名";
    QTest::newRow("inline text") << "A2" << "ｱｰﾃｨｽﾄ名 (label)";
    QTest::newRow("integer, not 01") << "A3" << "1";
    QTest::newRow("fraction") << "A4" << "1.5";
    QTest::newRow("whole double") << "A5" << "3";
    QTest::newRow("built-in date format") << "A6" << "2024-03-15";
    QTest::newRow("own date format") << "A7" << "1999-12-31";
    QTest::newRow("true") << "A8" << "TRUE";
    QTest::newRow("false") << "A9" << "FALSE";
    QTest::newRow("empty cell inside the range") << "A10" << "";
    QTest::newRow("formula number") << "A11" << "42";
    QTest::newRow("formula text") << "A12" << "計算した曲名";
    QTest::newRow("negative fraction") << "A13" << "-0.25";
    QTest::newRow("long text, emoji") << "A14"
                                      << "とても長い曲名がここに入ります、三十文字を優に超える長さのタイトル♥🎵";
    QTest::newRow("negative integer") << "A15" << "-7";
    QTest::newRow("big whole number") << "A16" << "12345678901";
    QTest::newRow("empty cell B1") << "B1" << "";
    QTest::newRow("beyond the used columns") << "Z1" << "";
    QTest::newRow("beyond the used rows") << "A100" << "";
  }
  void values() {
    QFETCH(QString, address);
    QFETCH(QString, expected);
    Workbooks wb;
    QVERIFY(wb.open(values_book()));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    const auto v = wb.cell_value(address);
    QVERIFY(v.has_value());
    QCOMPARE(*v, expected);
  }

  // One track list (tests/import/data/track_list.fods) as LibreOffice,
  // XlsxWriter and openpyxl write it; "sheet!address" and the value, "#error"
  // for an error value.
  void producers_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("cells");
    const QStringList sheet1 = {
        "A1=曲順", "B1=曲名", "C1=ｱﾙﾊﾞﾑ名", "D1=ｱｰﾃｨｽﾄ名",
        "A2=1", "B2=夜明けの歌", "C2=はじまりの季節", "D2=青空ソーダ",
        "A3=2", "B3=坂道と自転車",  // a rich-text run in the title
        "A4=4.5", "B4=雨上がりの交差点", "C4=2024-03-15", "D4=TRUE",  // formulas
        "A5=-7", "B5=2001-02-03", "C5=42", "D5=一行目\n二行目",
        "A6=", "B6=", "C6=", "D6=",  // an empty row between
        "A7=12345678901", "B7=結合セル", "C7=", "D7=  空白  付き",  // B7:C7 merged
        "A8=01", "B8=2024-03-15 10:30:00", "C8=0.1", "D8=Café ♥",
        "A9=", "E1=", "IV65536="};
    const QStringList others = {"曲リスト!A1=二枚目", "曲リスト!A2=3", "曲リスト!C1=",
                                "Data!A1=データ", "Data!A2="};
    const QStringList error = {"曲リスト!B1=#error"};  // =1/0
    // LibreOffice stores 0 as the last result of a text formula in .xls (and
    // recalculates on opening); the file holds no other result.
    QStringList xls = sheet1;
    xls.replace(xls.indexOf(QStringLiteral("B4=雨上がりの交差点")), QStringLiteral("B4=0"));
    QTest::newRow("LibreOffice .xls") << "track_list.xls" << xls + others + error;
    QTest::newRow("LibreOffice .xlsx") << "track_list.xlsx" << sheet1 + others + error;
    QTest::newRow("LibreOffice .ods") << "track_list.ods" << sheet1 + others + error;
    QTest::newRow("XlsxWriter, shared strings") << "track_list-xlsxwriter.xlsx" << sheet1 + others + error;
    QTest::newRow("XlsxWriter, inline strings") << "track_list-inline.xlsx" << sheet1 + others + error;
    QTest::newRow("openpyxl") << "track_list-openpyxl.xlsx" << sheet1 + others;
    // Text as the program wrote it: dates as shown, "01" kept; one sheet.
    const QStringList csv = {"A1=曲順", "D1=ｱｰﾃｨｽﾄ名", "A2=1", "B3=坂道と自転車", "A4=4.5",
                             "C4=2024/03/15", "D4=TRUE", "B5=2001/02/03", "D5=一行目\n二行目",
                             "A6=", "D6=", "A7=12345678901", "C7=", "D7=  空白  付き", "A8=01",
                             "B8=2024-03-15 10:30", "A9=", "E1="};
    QTest::newRow("CSV, UTF-8") << "track_list-utf8.csv" << csv + QStringList{"D8=Café ♥"};
    QTest::newRow("CSV, UTF-8 with BOM") << "track_list-bom.csv" << csv + QStringList{"D8=Café ♥"};
    QTest::newRow("CSV, CP932") << "track_list-cp932.csv" << csv + QStringList{"D8=Caf? ?"};
    QTest::newRow("TSV, UTF-16") << "track_list-utf16.tsv" << csv + QStringList{"D8=Café ♥"};
  }
  void producers() {
    QFETCH(QString, file);
    QFETCH(QStringList, cells);
    Workbooks wb;
    QVERIFY(wb.open(QStringLiteral(TAGNARABE_TEST_DATA "/") + file));
    const bool text = file.endsWith(QLatin1String("sv"));
    if (text) {
      QVERIFY(wb.has_active_sheet());
      QCOMPARE(wb.sheet_names(), QStringList{QFileInfo(file).completeBaseName()});
    } else {
      QVERIFY(!wb.has_active_sheet());
      QCOMPARE(wb.sheet_names(), (QStringList{"Sheet1", "曲リスト", "Data"}));
    }
    // The content decides: the same file called .xls reads the same.
    const QString renamed = path(QStringLiteral("really-") + QFileInfo(file).completeBaseName() + ".xls");
    QFile::remove(renamed);
    QVERIFY(QFile::copy(QStringLiteral(TAGNARABE_TEST_DATA "/") + file, renamed));
    Workbooks as_xls;
    QVERIFY(as_xls.open(renamed));
    QVERIFY(as_xls.has_active_sheet() || as_xls.activate_sheet(QStringLiteral("Sheet1")));
    QCOMPARE(*as_xls.cell_value(QStringLiteral("B2")), QStringLiteral("夜明けの歌"));
    for (const QString& c : cells) {
      const qsizetype bang = c.indexOf(u'!'), eq = c.indexOf(u'=');
      const QString sheet = bang < 0 || bang > eq ? QStringLiteral("Sheet1") : c.left(bang);
      const QString address = c.mid(bang < 0 || bang > eq ? 0 : bang + 1, eq - (bang < 0 || bang > eq ? 0 : bang + 1));
      const QString want = c.mid(eq + 1).replace(QLatin1String("\\n"), QLatin1String("\n"));
      if (!text) QVERIFY2(wb.activate_sheet(sheet), qPrintable(sheet));
      const auto v = wb.cell_value(address);
      const QString got = v ? *v : QStringLiteral("#error");
      QVERIFY2(got == want, qPrintable(c + QStringLiteral(" gave \"") + got + u'"'));
    }
  }

  void failing_cells_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("error value") << "A1";
    QTest::newRow("formula with an error result") << "A2";
    QTest::newRow("row 0") << "B0";
    QTest::newRow("leading zero") << "B01";
    QTest::newRow("lower-case letter") << "b1";
    QTest::newRow("no row") << "B";
    QTest::newRow("no column") << "1";
    QTest::newRow("column past IV") << "IW1";
    QTest::newRow("row past 65536") << "B65537";
    QTest::newRow("empty") << "";
  }
  void failing_cells() {
    QFETCH(QString, address);
    XlsBook book;
    book.add(QStringLiteral("Sheet1"))
        .error(QStringLiteral("A1"), 0x07)
        .formula_error(QStringLiteral("A2"), 0x2A)
        .text(QStringLiteral("B1"), QStringLiteral("ok"));
    const QString p = path(QStringLiteral("errors.xls"));
    book.save(p);
    Workbooks wb;
    QVERIFY(wb.open(p));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    QCOMPARE(wb.cell_value(QStringLiteral("B1")), std::optional<QString>(QStringLiteral("ok")));
    QVERIFY(!wb.cell_value(address).has_value());
  }

  void sheets_by_name() {
    XlsBook book;
    book.add(QStringLiteral("Sheet1")).text(QStringLiteral("A1"), QStringLiteral("一枚目"));
    book.add(QStringLiteral("曲リスト"))
        .text(QStringLiteral("A1"), QStringLiteral("二枚目"))
        .boolean(QStringLiteral("A2"), true);
    book.add(QStringLiteral("Data")).rk(QStringLiteral("A1"), 3);
    const QString p = path(QStringLiteral("sheets.xls"));
    book.save(p);

    Workbooks wb;
    QVERIFY(wb.open(p));
    QCOMPARE(wb.sheet_names(), (QStringList{"Sheet1", "曲リスト", "Data"}));
    QVERIFY(!wb.cell_value(QStringLiteral("A1")).has_value());  // no sheet active yet
    QVERIFY(wb.activate_sheet(QStringLiteral("曲リスト")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("二枚目"));
    QCOMPARE(*wb.cell_value(QStringLiteral("A2")), QStringLiteral("TRUE"));
    QVERIFY(wb.activate_sheet(QStringLiteral("SHEET1")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("一枚目"));
    QCOMPARE(*wb.cell_value(QStringLiteral("A2")), QString());  // the other sheet's TRUE stays there
    QVERIFY(wb.activate_sheet(QStringLiteral("data")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("3"));
    QVERIFY(!wb.activate_sheet(QStringLiteral("Sheet2")));
    QVERIFY(!wb.activate_sheet(QStringLiteral(" Sheet1")));  // taken as typed
    QVERIFY(!wb.activate_sheet(QString()));
  }

  void shift_jis_book() {
    XlsBook book;
    book.codepage = 932;
    book.add(QStringLiteral("曲一覧"))
        .text(QStringLiteral("A1"), QStringLiteral("日本語の曲名～①"))
        .rk(QStringLiteral("B1"), 12)
        .date(QStringLiteral("C1"), QDate(2001, 2, 3))
        .boolean(QStringLiteral("D1"), false)
        .formula_text(QStringLiteral("A2"), QStringLiteral("ｶﾀｶﾅ結果"));
    const QString p = path(QStringLiteral("biff5.xls"));
    book.save(p);
    Workbooks wb;
    QVERIFY(wb.open(p));
    QVERIFY(wb.activate_sheet(QStringLiteral("曲一覧")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("日本語の曲名～①"));
    QCOMPARE(*wb.cell_value(QStringLiteral("B1")), QStringLiteral("12"));
    QCOMPARE(*wb.cell_value(QStringLiteral("C1")), QStringLiteral("2001-02-03"));
    QCOMPARE(*wb.cell_value(QStringLiteral("D1")), QStringLiteral("FALSE"));
    QCOMPARE(*wb.cell_value(QStringLiteral("A2")), QStringLiteral("ｶﾀｶﾅ結果"));
  }

  // Books of every kind the writers of .xls produce, each read cell by cell
  // as LibreOffice reads it.
  void book_kinds_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("cells");
    const QStringList common = {"A1=曲名", "B1=3", "C1=2001-02-03", "D1=-0.0003"};
    for (const char* k : {"BIFF8, stream WORKBOOK", "BIFF5, stream BOOK", "BIFF5 without a code page"})
      QTest::newRow(k) << k << common;
    QTest::newRow("1904 date system") << "1904" << common + QStringList{"E1=1904-01-01"};
    QTest::newRow("string table split inside strings")
        << "split" << common + QStringList{"A2=" + QString(3000, QChar(u'曲')), "A3=ab", "A4=二"};
    QTest::newRow("rich text, phonetic reading") << "rich" << common + QStringList{"A2=夜明け", "A3=次"};
    QTest::newRow("durations") << "durations" << common + QStringList{"E1=255:10:10", "E2=00:30:00"};
    // One book (tests/import/data/make_kinds.py) as xlwt and LibreOffice write it.
    const QStringList kinds = {"A1=曲名", "B1=坂道と自転車", "C1=255:10:10", "D1=-0.0003", "E1=2001-02-03",
                               "F1=1904-01-01", "G1=12", "A2=" + QStringLiteral("長い曲名").repeated(750),
                               "A3=曲その2", "A302=曲その301", "A303="};
    for (const char* file : {"kinds-xlwt.xls", "kinds-lo.xls", "kinds-lo.xlsx"})
      QTest::newRow(file) << file << kinds;
  }
  void book_kinds() {
    QFETCH(QString, kind);
    QFETCH(QStringList, cells);
    XlsBook book;
    XlsSheet& s = book.add(QStringLiteral("Sheet1"));
    const bool latin = kind == "BIFF5 without a code page";
    s.text(QStringLiteral("A1"), latin ? QStringLiteral("Café") : QStringLiteral("曲名"))
        .rk(QStringLiteral("B1"), 3).date(QStringLiteral("C1"), QDate(2001, 2, 3))
        .number(QStringLiteral("D1"), -0.0003);
    if (kind == "BIFF8, stream WORKBOOK") book.stream_name = QStringLiteral("WORKBOOK");
    if (kind == "BIFF5, stream BOOK") {
      book.codepage = 932, book.stream_name = QStringLiteral("BOOK");
      s.rich(QStringLiteral("A2"), QStringLiteral("夜明け"));
      cells << QStringLiteral("A2=夜明け");
    }
    if (latin) book.codepage = 0, cells[0] = QStringLiteral("A1=Café");
    if (kind == "1904") {
      book.date1904 = true;
      s.date(QStringLiteral("C1"), QDate(2001, 2, 3).addDays(-1462)).date(QStringLiteral("E1"), QDate(1904, 1, 1).addDays(-1462));
    }
    if (kind == "split") {
      book.record_limit = 101;  // odd: some splits fall inside a character's bytes
      s.text(QStringLiteral("A2"), QString(3000, QChar(u'曲'))).text(QStringLiteral("A3"), QStringLiteral("ab"))
          .text(QStringLiteral("A4"), QStringLiteral("二"));
    }
    if (kind == "rich") {
      book.record_limit = 40;
      s.rich(QStringLiteral("A2"), QStringLiteral("夜明け")).text(QStringLiteral("A3"), QStringLiteral("次"));
    }
    if (kind == "durations") s.duration(QStringLiteral("E1"), 255 / 24.0 + (10 * 60 + 10) / 86400.0).duration(QStringLiteral("E2"), 1 / 48.0);
    QString p = QStringLiteral(TAGNARABE_TEST_DATA "/") + kind;
    if (!kind.startsWith(QLatin1String("kinds-"))) {
      p = path(QStringLiteral("kind.xls"));
      book.save(p);
    }
    Workbooks wb;
    QVERIFY(wb.open(p));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    for (const QString& c : cells) {
      const qsizetype eq = c.indexOf(u'=');
      const auto v = wb.cell_value(c.left(eq));
      QVERIFY2(v && *v == c.mid(eq + 1), qPrintable(c + QStringLiteral(" gave ") + v.value_or("#error").left(40)));
    }
  }

  void huge_sheet() {
    XlsBook book;
    XlsSheet& s = book.add(QStringLiteral("Sheet1"));
    for (int r = 1; r <= 65536; ++r) {
      s.rk(QStringLiteral("A%1").arg(r), r);
      s.text(QStringLiteral("B%1").arg(r), QStringLiteral("曲%1").arg(r));
    }
    const QString p = path(QStringLiteral("huge.xls"));
    book.save(p);
    Workbooks wb;
    QVERIFY(wb.open(p));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("1"));
    QCOMPARE(*wb.cell_value(QStringLiteral("B100")), QStringLiteral("曲100"));
    QCOMPARE(*wb.cell_value(QStringLiteral("A65536")), QStringLiteral("65536"));
    QCOMPARE(*wb.cell_value(QStringLiteral("B65536")), QStringLiteral("曲65536"));
  }

  void open_failures_data() {
    QTest::addColumn<QString>("kind");
    for (const char* k : {"missing", "folder", "empty", "html table", "mp3 bytes", "cut in half",
                          "cut in the header", "cut after the directory", "password",
                          "no workbook stream", "stream without BOF", "forged used range",
                          "record shorter than its fields", "two records for one cell",
                          "sheet without its end", "record length past its record",
                          "a few words of text", "one line of commas"})
      QTest::newRow(k) << k;
  }
  void open_failures() {
    QFETCH(QString, kind);
    XlsBook good;
    good.add(QStringLiteral("Sheet1")).text(QStringLiteral("A1"), QStringLiteral("曲名"));
    for (int r = 2; r < 400; ++r) good.sheets[0].rk(QStringLiteral("A%1").arg(r), r);
    good.add(QStringLiteral("Two")).text(QStringLiteral("B2"), QStringLiteral("二"));
    const QByteArray bytes = good.bytes();
    // The workbook stream with one change that no spreadsheet program
    // writes: each is refused as corrupt.
    auto patched = [&](auto&& change) {
      QByteArray stream = good.workbook_stream();
      change(stream);
      return compound_file(QStringLiteral("Workbook"), stream);
    };
    const QByteArray rk_record("\x7E\x02\x0A\x00", 4);

    QString p = path(QStringLiteral("bad-") + kind + QStringLiteral(".xls"));
    auto write = [&](const QByteArray& b) {
      QFile f(p);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(b);
    };
    if (kind == "missing") {
      p = path(QStringLiteral("does-not-exist.xls"));
    } else if (kind == "folder") {
      QVERIFY(QDir(tmp_.path()).mkpath(QStringLiteral("dir.xls")));
      p = path(QStringLiteral("dir.xls"));
    } else if (kind == "empty") {
      write({});
    } else if (kind == "html table") {
      write("  <table><tr><td>曲名</td><td>ｱﾙﾊﾞﾑ名</td></tr></table>\n");
    } else if (kind == "a few words of text") {
      write("Track list for the album\n");
    } else if (kind == "one line of commas") {
      write("Hello, world\nthis is a letter\n");
    } else if (kind == "mp3 bytes") {
      write(QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10) + QByteArray(2000, '\xFF'));
    } else if (kind == "cut in half") {
      write(bytes.left(bytes.size() / 2));
    } else if (kind == "cut in the header") {
      write(bytes.left(300));
    } else if (kind == "cut after the directory") {
      write(bytes.left(512 * 3 + 100));
    } else if (kind == "password") {
      XlsBook locked = good;
      locked.password = true;
      write(locked.bytes());
    } else if (kind == "no workbook stream") {
      write(compound_file(QStringLiteral("Other"), good.workbook_stream()));
    } else if (kind == "stream without BOF") {
      write(compound_file(QStringLiteral("Workbook"), QByteArray(5000, '\x11')));
    } else if (kind == "forged used range") {
      // Two sheets claiming 65,536 x 200 cells each, more than a full sheet.
      XlsBook forged = good;
      forged.sheets.push_back(good.sheets[0]);
      QByteArray stream = forged.workbook_stream();
      const QByteArray dimension("\x00\x02\x0E\x00", 4);
      for (qsizetype at = stream.indexOf(dimension); at >= 0; at = stream.indexOf(dimension, at + 1)) {
        stream[at + 4 + 4] = '\x00';
        stream[at + 4 + 6] = '\x01';  // rows 65,536
        stream[at + 4 + 10] = '\xC8';  // 200 columns
      }
      write(compound_file(QStringLiteral("Workbook"), stream));
    } else if (kind == "record shorter than its fields") {
      write(patched([&](QByteArray& s) {
        const qsizetype at = s.indexOf(QByteArray("\x00\x02\x0E\x00", 4));  // DIMENSION
        s.replace(at, 4 + 14, QByteArray("\x00\x02\x00\x00", 4));
      }));
    } else if (kind == "two records for one cell") {
      write(patched([&](QByteArray& s) {
        const qsizetype at = s.indexOf(rk_record);
        s.insert(at, s.mid(at, 14));
      }));
    } else if (kind == "sheet without its end") {
      write(patched([&](QByteArray& s) {
        const QByteArray eof_bof("\x0A\x00\x00\x00\x09\x08", 6);
        const qsizetype at = s.indexOf(eof_bof, s.indexOf(eof_bof) + 1);
        s[at] = '\x09';  // no longer an EOF
      }));
    } else if (kind == "record length past its record") {
      // The last cell of the first sheet swallows the rest of the stream.
      write(patched([&](QByteArray& s) {
        const QByteArray eof_bof("\x0A\x00\x00\x00\x09\x08", 6);
        const qsizetype rk = s.indexOf(eof_bof, s.indexOf(eof_bof) + 1) - 14;
        const qsizetype len = s.size() - rk - 4;
        s[rk + 2] = static_cast<char>(len & 0xFF);
        s[rk + 3] = static_cast<char>(len >> 8);
      }));
    }
    Workbooks wb;
    QVERIFY(!wb.open(p));
    QCOMPARE(wb.open_count(), 0);
    QVERIFY(!wb.activate_sheet(QStringLiteral("Sheet1")));
    QVERIFY(!wb.cell_value(QStringLiteral("A1")).has_value());
    // The layer stays usable after a failure.
    const QString ok = path(QStringLiteral("good.xls"));
    good.save(ok);
    QVERIFY(wb.open(ok));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("曲名"));
  }

  void small_stream_read_from_its_own_place() {
    XlsBook book;
    book.add(QStringLiteral("Sheet1")).text(QStringLiteral("A1"), QStringLiteral("小さな本")).rk(QStringLiteral("B2"), 7);
    const QByteArray stream = book.workbook_stream();
    QVERIFY(stream.size() < 4096);
    const QString p = path(QStringLiteral("small.xls"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(mini_stream_file(stream));
    f.close();
    Workbooks wb;
    QVERIFY(wb.open(p));
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("小さな本"));
    QCOMPARE(*wb.cell_value(QStringLiteral("B2")), QStringLiteral("7"));
  }

  // Archives no spreadsheet program writes: broken, hostile or huge. cells
  // are read from Sheet1 of those that open ("#error": the read fails).
  void crafted_archives_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("cells");
    QFile real(QStringLiteral(TAGNARABE_TEST_DATA "/track_list.xlsx"));
    QVERIFY(real.open(QIODevice::ReadOnly));
    const QByteArray xlsx = real.readAll();
    const QByteArray one = xlsx_rows({{"曲名"}});
    const QByteArray laughs =
        "<!DOCTYPE lol [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>";
    auto with_part = [](std::vector<ZipPart> parts, const QString& name, auto&& change) {
      for (ZipPart& p : parts)
        if (p.name == name) change(p.data);
      return zip_bytes(parts);
    };
    const auto plain = xlsx_parts({{"Sheet1", one}});

    QTest::newRow("xlsx cut in half") << xlsx.left(xlsx.size() / 2) << false << QStringList{};
    QByteArray damaged = xlsx;  // bytes of the compressed first sheet changed
    const qsizetype local = damaged.indexOf("xl/worksheets/sheet1.xml") - 30;
    const qsizetype data = local + 30 + qFromLittleEndian<quint16>(damaged.constData() + local + 26) +
                           qFromLittleEndian<quint16>(damaged.constData() + local + 28);
    for (qsizetype i = data + 4; i < data + 24; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    QTest::newRow("xlsx with damaged compressed data") << damaged << false << QStringList{};
    QTest::newRow("zip of other files") << zip_bytes({{"readme.txt", "曲名"}}) << false << QStringList{};
    QTest::newRow(".xlsb (binary parts)")
        << zip_bytes({{"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"x/officeDocument\" "
                                      "Target=\"xl/workbook.bin\"/></Relationships>"},
                      {"xl/_rels/workbook.bin.rels", "<Relationships><Relationship Id=\"rId1\" "
                                                     "Type=\"x/worksheet\" Target=\"worksheets/sheet1.bin\"/></Relationships>"},
                      {"xl/workbook.bin", QByteArray("\x83\x01\x00\x84\x01\x00", 6)},
                      {"xl/worksheets/sheet1.bin", QByteArray("\x81\x01\x00", 3)}})
        << false << QStringList{};
    QTest::newRow("xlsx saved with a password")
        << compound_file(QStringLiteral("EncryptedPackage"), xlsx) << false << QStringList{};
    QTest::newRow("sheet part inflates past the cap")
        << with_part(plain, "xl/worksheets/sheet1.xml", [](QByteArray& d) { d.insert(d.indexOf("<row"), spaces(33 << 20)); })
        << true << QStringList{"A1=#error"};
    QTest::newRow("entities in the workbook part")
        << with_part(plain, "xl/workbook.xml", [&](QByteArray& d) { d.insert(d.indexOf("<workbook"), laughs); })
        << false << QStringList{};
    // Parts read only as cells are asked for are refused at the open too.
    QTest::newRow("entities in a sheet")
        << with_part(plain, "xl/worksheets/sheet1.xml", [&](QByteArray& d) {
             d.insert(d.indexOf("<worksheet"), laughs);
             d.replace("曲名", "&d;");
           })
        << false << QStringList{};
    QTest::newRow("entities in the shared strings")
        << with_part(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>"}},
                                "<si><t>&d;</t></si>"),
                     "xl/sharedStrings.xml", [&](QByteArray& d) { d.insert(d.indexOf("<sst"), laughs); })
        << false << QStringList{};
    QTest::newRow("a second sheet with a declaration, no entities")
        << with_part(xlsx_parts({{"Sheet1", one}, {"Sheet2", one}}), "xl/worksheets/sheet2.xml",
                     [](QByteArray& d) { d.insert(d.indexOf("<worksheet"), "<!DOCTYPE worksheet>"); })
        << false << QStringList{};
    QTest::newRow("shared strings broken from the first byte")
        << with_part(xlsx_parts({{"Sheet1", one}}, "<si><t>a</t></si>"), "xl/sharedStrings.xml",
                     [](QByteArray& d) { d.prepend("\x01"); })
        << false << QStringList{};
    QTest::newRow("shared strings broken after the root: read as far as sound")
        << with_part(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
                                             "<c r=\"B1\" t=\"s\"><v>1</v></c></row>"}}, "<si><t>a</t></si><si><t>b</t></si>"),
                     "xl/sharedStrings.xml", [](QByteArray& d) { d.replace("<t>b", "<t><b"); })
        << true << QStringList{"A1=a", "B1=#error"};
    QTest::newRow("sheet cut short")
        << with_part(plain, "xl/worksheets/sheet1.xml", [](QByteArray& d) { d.chop(d.size() - d.indexOf("</t>")); })
        << true << QStringList{"A1=#error"};

    QByteArray strings, cells = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>300000</v></c></row>"
                                "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>299999</v></c></row>";
    for (int i = 0; i < 300000; ++i) strings.append("<si><t>曲").append(QByteArray::number(i)).append("</t></si>");
    QTest::newRow("300,000 shared strings")
        << zip_bytes(xlsx_parts({{"Sheet1", cells}}, strings)) << true
        << QStringList{"A1=曲0", "A2=曲299999", "B1=#error", "A3="};
    QByteArray rows;
    rows.reserve(32 << 20);
    for (int r = 1; r <= 1000000; ++r) rows.append("<row><c><v>").append(QByteArray::number(r)).append("</v></c></row>");
    QTest::newRow("a million rows") << zip_bytes(xlsx_parts({{"Sheet1", rows}})) << true
                                    << QStringList{"A1=1", "A100=100", "B100=", "A65536=65536"};
    QTest::newRow("rich text with furigana")
        << zip_bytes(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"}},
                                "<si><r><t>坂道</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">と 自転車</t></r>"
                                "<rPh sb=\"0\" eb=\"2\"><t>サカミチ</t></rPh><phoneticPr fontId=\"1\"/></si>"))
        << true << QStringList{"A1=坂道と 自転車"};
    QTest::newRow("sparse rows, cells without references")
        << zip_bytes(xlsx_parts({{"Sheet1", "<row r=\"3\"><c r=\"C3\"><v>1</v></c></row>"
                                             "<row><c><v>2</v></c><c t=\"str\"><v>a_x000A_b</v></c></row>"
                                             "<row r=\"70000\"><c><v>9</v></c></row>"}}))
        << true << QStringList{"A1=", "C3=1", "A4=2", "B4=a\nb", "A5=", "A65536="};
    const QByteArray styles =
        "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"[$-411]ggge&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"&quot;No.&quot;0\"/><numFmt numFmtId=\"166\" formatCode=\"0.00E+00\"/>"
        "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"22\"/><xf numFmtId=\"20\"/>"
        "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/></cellXfs>";
    QTest::newRow("number formats")
        << zip_bytes(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45366</v></c>"
                                             "<c r=\"B1\" s=\"2\"><v>45366.4375</v></c><c r=\"C1\" s=\"3\"><v>0.4375</v></c>"
                                             "<c r=\"D1\" s=\"4\"><v>45366</v></c><c r=\"E1\"><v>45366</v></c>"
                                             "<c r=\"F1\" s=\"1\"><v>60</v></c><c r=\"G1\" t=\"d\"><v>2024-03-15T00:00:00</v></c>"
                                             "<c r=\"H1\" t=\"b\"><v>0</v></c><c r=\"I1\" t=\"e\"><v>#N/A</v></c>"
                                             "<c r=\"J1\" s=\"5\"><v>45366</v></c></row>"
                                             "<row r=\"2\"><c r=\"A2\"><v>-12</v></c><c r=\"B2\"><v>007</v></c>"
                                             "<c r=\"C2\"><v>-0</v></c><c r=\"D2\"><v>999999999999999</v></c>"
                                             "<c r=\"E2\"><v>1234567890123456</v></c><c r=\"F2\"><v>2.50</v></c>"
                                             "<c r=\"G2\"><v>1e3</v></c><c r=\"H2\" s=\"1\"><v>45366</v></c></row>"}},
                                {}, styles))
        << true
        << QStringList{"A1=2024-03-15", "B1=2024-03-15 10:30:00", "C1=10:30:00", "D1=45366", "E1=45366",
                       "F1=1900-02-29", "G1=2024-03-15", "H1=FALSE", "I1=#error", "J1=4.5366E+04",
                       "A2=-12", "B2=7", "C2=0", "D2=999999999999999", "E2=1234567890123456",
                       "F2=2.5", "G2=1000", "H2=2024-03-15"};
    QTest::newRow("lower-case references, empty string, wrong string count, durations")
        << with_part(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"a1\" t=\"s\"><v>0</v></c><c r=\"b1\" t=\"s\"><v>1</v></c>"
                                             "<c r=\"c1\"><v>-3E-4</v></c>"
                                             "<c r=\"e1\" s=\"2\"><v>10.6320601851852</v></c></row>"}},
                                "<si><t/></si><si><t>曲</t></si>",
                                "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"[hh]:mm:ss\"/></numFmts>"
                                "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/></cellXfs>"),
                     "xl/sharedStrings.xml", [](QByteArray& d) { d.replace("<sst ", "<sst count=\"9\" uniqueCount=\"7\" "); })
        << true << QStringList{"A1=", "B1=曲", "C1=-0.0003", "E1=255:10:10"};
    QTest::newRow("1904 date system")
        << with_part(xlsx_parts({{"Sheet1", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>35794</v></c></row>"}},
                                {}, "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>"),
                     "xl/workbook.xml", [](QByteArray& d) { d.replace("<sheets>", "<workbookPr date1904=\"1\"/><sheets>"); })
        << true << QStringList{"A1=1904-01-01", "B1=2001-12-31"};

    const QByteArray ods_table =
        "<table:table table:name=\"Sheet1\"><table:table-column table:number-columns-repeated=\"3\"/>"
        "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell table:number-columns-repeated=\"2\""
        " office:value-type=\"string\"><text:p>x</text:p></table:table-cell></table:table-row>"
        "<table:table-row-group><table:table-row><table:covered-table-cell/><table:table-cell office:value-type=\"string\">"
        "<office:annotation><text:p>メモ</text:p></office:annotation><text:p>a<text:s text:c=\"2\"/>b<text:tab/>c</text:p>"
        "</table:table-cell></table:table-row></table:table-row-group>"
        "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell/></table:table-row>"
        "</table:table>";
    QTest::newRow("ods: repeated rows and cells, groups, notes")
        << zip_bytes(ods_parts(ods_table)) << true
        << QStringList{"A1=x", "B2=x", "C2=", "A3=", "B3=a  b\tc", "A4=", "A65536="};
    QTest::newRow("ods saved with a password")
        << zip_bytes(ods_parts(ods_table, "<manifest:encryption-data manifest:checksum-type=\"SHA1/1K\"/>"))
        << false << QStringList{};
    QTest::newRow("ods content inflates past the cap")
        << with_part(ods_parts(ods_table), "content.xml", [](QByteArray& d) { d.insert(d.indexOf("<table:table "), spaces(33 << 20)); })
        << false << QStringList{};
    QTest::newRow("ods: entities in content")
        << with_part(ods_parts(ods_table), "content.xml", [&](QByteArray& d) { d.insert(d.indexOf("<office:document"), laughs); })
        << false << QStringList{};
    QTest::newRow("ods: a text document") << with_part(ods_parts(ods_table), "content.xml", [](QByteArray& d) {
      d.replace("office:spreadsheet", "office:text");
    }) << false << QStringList{};
  }
  void crafted_archives() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QFETCH(QStringList, cells);
    const QString p = path(QStringLiteral("crafted.xlsx"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    Workbooks wb;
    QCOMPARE(wb.open(p), opens);
    QCOMPARE(wb.open_count(), opens ? 1 : 0);
    if (!opens) return;
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));
    for (const QString& c : cells) {
      const qsizetype eq = c.indexOf(u'=');
      const auto v = wb.cell_value(c.left(eq));
      const QString got = v ? *v : QStringLiteral("#error");
      QVERIFY2(got == c.mid(eq + 1).replace(QLatin1String("\\n"), QLatin1String("\n"))
                            .replace(QLatin1String("\\t"), QLatin1String("\t")),
               qPrintable(c + QStringLiteral(" gave \"") + got + u'"'));
    }
  }

  void close_all() {
    XlsBook a, b;
    a.add(QStringLiteral("Sheet1")).text(QStringLiteral("A1"), QStringLiteral("a"));
    b.add(QStringLiteral("Sheet1")).text(QStringLiteral("A1"), QStringLiteral("b"));
    a.save(path(QStringLiteral("a.xls")));
    b.save(path(QStringLiteral("b.xls")));
    Workbooks wb;
    QVERIFY(wb.open(path(QStringLiteral("a.xls"))));
    QVERIFY(wb.open(path(QStringLiteral("b.xls"))));
    QCOMPARE(wb.open_count(), 2);
    QVERIFY(wb.activate_sheet(QStringLiteral("Sheet1")));  // of the last one opened
    QCOMPARE(*wb.cell_value(QStringLiteral("A1")), QStringLiteral("b"));
    wb.close_all();
    QCOMPARE(wb.open_count(), 0);
    QVERIFY(!wb.cell_value(QStringLiteral("A1")).has_value());
  }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
