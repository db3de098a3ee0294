// The export on real folders, and the way back: each format exported and
// imported by header names leaves the table as it was, cell by cell; other
// programs read the values as written; a file that can't be written says why
// and leaves what was there.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <cstdio>
#include <unistd.h>

#include "export/export.h"
#include "export/messages.h"
#include "import/header_layout.h"
#include "import/import.h"
#include "import/messages.h"
#include "mp3_fixture.h"
#include "table/folder.h"
#include "table/sheet_columns.h"
#include "table/track_table.h"
#include "table_fixture.h"

using namespace tn;
using namespace tn::test;

namespace {

struct NoDialog final : ImportHost {
  void show_import_dialog() override {}
  void close_import_dialog() override {}
};

// The program on one folder, its table read from the files.
struct Program : FolderTable {
  using FolderTable::FolderTable;
  int rows() const { return state.file_count; }
  // Every cell's text and mark.
  QStringList snapshot() const {
    QStringList out;
    for (int r = 1; r <= rows(); ++r)
      for (int c = 1; c <= col::last; ++c)
        out << at(c, r) + QStringLiteral(" |") + QString::number(static_cast<int>(grid.cell_mark(c, r)));
    return out;
  }
};

// 読込開始 of path by header names.
void import_by_headers(Context& cx, const QString& path) {
  ImportState st{path, k_header_format, {}};
  NoDialog host;
  cmd_excel_read(cx, st, host);
}

// Texts a sheet program would turn into something else if it were let to
// guess, and texts a format must take care to keep.
const QStringList k_tricky = {
    QStringLiteral("007"),           QStringLiteral("=1+1"),          QStringLiteral("2024-01-01"),
    QStringLiteral("TRUE"),          QStringLiteral("1.50"),          QStringLiteral("  前に空白"),
    QStringLiteral("後に空白  "),    QStringLiteral("間に  空白"),    QStringLiteral("\"引用\",カンマ"),
    QStringLiteral("ｶﾞﾗｽの街角①～"), QStringLiteral("Café 🎵 ♥"),     QStringLiteral("<タグ> & 'x'"),
};

// A folder of every field filled in Japanese, then edited as a user would.
QString japanese_folder(const QString& dir) {
  for (int i = 0; i < k_tricky.size(); ++i) {
    Mp3Spec s;
    s.v2 = text_tag(i % 2 ? 4 : 3, i % 2 ? Enc::utf8 : Enc::utf16, QStringLiteral("春の歌その%1").arg(i + 1),
                    QStringLiteral("山田花子＆ザ・バンド"), QStringLiteral("四季のうた　第%1集").arg(i % 3));
    make_mp3(dir, QStringLiteral("%1 春の歌.mp3").arg(i + 1, 2, 10, QLatin1Char('0')), s);
  }
  return dir;
}

// A folder whose files hold every field in Japanese, in tags of 2.2, 2.3
// and 2.4, the tricky texts among them; every column shown.
QString filled_folder(const QString& dir) {
  for (int i = 0; i < 6; ++i) {
    const int n = i + 1;
    Id3v2 tag;
    tag.version = 2 + i % 3;
    add_fields(tag, i % 2 ? Enc::utf8 : Enc::utf16,
               {{"TIT2", QStringLiteral("春の歌その%1").arg(n)}, {"TALB", QStringLiteral("四季のうた　第%1集").arg(i % 2)},
                {"TPE1", QStringLiteral("山田花子＆ザ・バンド")}, {"TRCK", QStringLiteral("%1/6").arg(n)},
                {"TPOS", QStringLiteral("%1/2").arg(i % 2 + 1)}, {"TYER", QStringLiteral("199%1").arg(n)},
                {"TCON", i == 0 ? QStringLiteral("(13)") : QStringLiteral("アニメ・特撮")},
                {"TPE2", QStringLiteral("ザ・バンド")}, {"TCOM", k_tricky[i]}, {"COMM", k_tricky[i + 6]},
                {"TSOT", QStringLiteral("はるのうたその%1").arg(n)}, {"TSOA", QStringLiteral("しきのうた")},
                {"TSOP", QStringLiteral("やまだはなこ")}, {"TSO2", QStringLiteral("ざばんど")}});
    make_mp3(dir, QStringLiteral("%1 春の歌.mp3").arg(n, 2, 10, QLatin1Char('0')), {tag, std::nullopt, 4});
  }
  // A name with a byte that is no UTF-8: every sheet shows it as U+FFFD.
  const QByteArray d = QFile::encodeName(dir);
  ::rename(d + "/06 春の歌.mp3", d + "/06 春の歌\xff.mp3");
  return dir;
}

// Typed into every field's column, and into some orders; every column shown.
void type_tricky(Program& p) {
  p.state.shown_fields = every_field();
  for (int r = 1; r <= p.rows(); ++r) {
    if (r % 4 == 0) p.put(col::order, r, k_tricky[(r - 1) % k_tricky.size()]);
    for (int c = col::title; c <= col::last; ++c) p.put(c, r, k_tricky[(r + c) % k_tricky.size()]);
  }
}

QString demo_folder(const QString& dir) {
  const QDir samples(QStringLiteral(TAGNARABE_SAMPLES_DIR));
  for (const QString& name : samples.entryList({QStringLiteral("*.mp3")}, QDir::Files))
    QFile::copy(samples.filePath(name), dir + QLatin1Char('/') + name);
  return dir;
}

// The sheet as the table should give it: the header row, then every row.
QJsonArray expected_sheet(const Program& p) {
  QJsonArray rows, header;
  const auto columns = shown_columns(p.state.shown_fields);
  for (const SheetColumn& c : columns) header.append(c.header);
  rows.append(header);
  for (int r = 1; r <= p.rows(); ++r) {
    QJsonArray row;
    for (const SheetColumn& c : columns) {
      QString text = p.at(c.column, r);
      for (QChar& ch : text)
        if (ch.isLowSurrogate() && ch.unicode() >= 0xDC80 && ch.unicode() <= 0xDCFF) ch = QChar::ReplacementCharacter;
      row.append(text);
    }
    rows.append(row);
  }
  return rows;
}

// Another program's reading of the sheet, as rows of texts (python3 prints
// them as JSON): openpyxl for .xlsx, the csv module for .csv and for what
// LibreOffice converts a sheet to.
const char* k_python_reader = R"(
import csv, json, sys
kind, path = sys.argv[1], sys.argv[2]
if kind == 'openpyxl':
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book['Sheet1']
    rows = []
    for row in sheet.iter_rows(max_col=sheet.max_column):
        for c in row:
            if c.value is not None and not isinstance(c.value, str):
                sys.exit('not a text: %r' % (c.value,))
        rows.append(['' if c.value is None else c.value for c in row])
else:
    with open(path, encoding='utf-8-sig', newline='') as f:
        rows = list(csv.reader(f))
print(json.dumps(rows))
)";

std::optional<QJsonArray> python_read(const QString& kind, const QString& path) {
  QProcess py;
  // Debian's own Python, which has the modules scripts/setup.sh installs.
  py.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(k_python_reader), kind, path});
  if (!py.waitForFinished(60000) || py.exitCode() != 0) {
    qWarning() << py.readAllStandardError();
    return std::nullopt;
  }
  return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

// LibreOffice converts the sheet to a UTF-8 .csv of what it read.
std::optional<QString> libreoffice_csv(const QString& sheet, const QString& out_dir) {
  QProcess lo;
  lo.start(QStringLiteral("soffice"),
           {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + out_dir + "/profile",
            QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false"),
            QStringLiteral("--outdir"), out_dir, sheet});
  if (!lo.waitForFinished(180000) || lo.exitCode() != 0) return std::nullopt;
  const QString csv = out_dir + QLatin1Char('/') + QFileInfo(sheet).completeBaseName() + QStringLiteral(".csv");
  return QFile::exists(csv) ? std::optional(csv) : std::nullopt;
}

}  // namespace

class TestExport : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  int made_ = 0;
  QString fresh_dir() {
    const QString d = tmp_.filePath(QString::number(++made_));
    QDir().mkpath(d);
    return d;
  }
  QString folder(const QString& kind) {
    if (kind == u"files") return filled_folder(fresh_dir());
    return kind == u"demo" ? demo_folder(fresh_dir()) : japanese_folder(fresh_dir());
  }
  // The program on a folder of that kind: "japanese" typed into, "files"
  // holding every field; every column shown but in the demo.
  std::unique_ptr<Program> program(const QString& kind) {
    auto p = std::make_unique<Program>(folder(kind));
    if (kind == u"japanese") type_tricky(*p);
    if (kind == u"files") p->state.shown_fields = every_field();
    return p;
  }

 private slots:
  void initTestCase() { QVERIFY(tmp_.isValid()); }

  void round_trip_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    for (const char* f : {"demo", "japanese", "files"})
      for (const char* s : {"xlsx", "ods", "csv"}) QTest::addRow("%s %s", f, s) << f << s;
  }
  void round_trip() {
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    const auto program = this->program(folder);
    Program& p = *program;
    // Every field the files hold is in the table.
    if (folder == u"files")
      for (int c = col::title; c <= col::last; ++c) QVERIFY2(!p.at(c, 1).isEmpty(), qPrintable(QString::number(c)));
    const QStringList before = p.snapshot();
    const QString sheet = fresh_dir() + QStringLiteral("/曲リスト.") + suffix;
    p.dialogs.log.clear();
    p.dialogs.pick(sheet);
    cmd_export(p.cx);
    QCOMPARE(p.dialogs.last_filters, export_msg::file_filters);

    // A workbook asks for its sheet ("Sheet1": Yes), then comes the preview's
    // question, without a warning.
    const bool book = suffix != u"csv";
    if (book) p.dialogs.yes();
    p.dialogs.yes();
    import_by_headers(p.cx, sheet);
    QStringList log{"save: " + p.state.edit_folder + export_msg::default_name, "notify: " + export_msg::done};
    if (book) log << "ask: " + import_msg::sheet1_question;
    QCOMPARE(p.dialogs.log, log << "ask: " + import_msg::preview_question << "notify: " + import_msg::done);
    QCOMPARE(p.snapshot(), before);
  }

  void other_programs_read_it_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("reader");
    QTest::newRow("xlsx by openpyxl") << "japanese" << "xlsx" << "openpyxl";
    QTest::newRow("csv by python") << "japanese" << "csv" << "csv";
    QTest::newRow("xlsx by LibreOffice") << "japanese" << "xlsx" << "soffice";
    QTest::newRow("ods by LibreOffice") << "japanese" << "ods" << "soffice";
    QTest::newRow("files: xlsx by openpyxl") << "files" << "xlsx" << "openpyxl";
    QTest::newRow("files: xlsx by LibreOffice") << "files" << "xlsx" << "soffice";
    QTest::newRow("files: ods by LibreOffice") << "files" << "ods" << "soffice";
  }
  void other_programs_read_it() {
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(QString, reader);
    if (reader == u"soffice" && QStandardPaths::findExecutable(reader).isEmpty())
      QSKIP("LibreOffice is not installed");
    const auto program = this->program(folder);
    Program& p = *program;
    const QString dir = fresh_dir();
    const QString sheet = dir + QStringLiteral("/list.") + suffix;
    QCOMPARE(export_table(p.grid, p.rows(), sheet, p.state.shown_fields), QString());
    QString path = sheet;
    if (reader == u"soffice") {
      const auto csv = libreoffice_csv(sheet, fresh_dir());
      QVERIFY(csv);
      path = *csv;
    }
    const auto rows = python_read(reader == u"openpyxl" ? reader : QStringLiteral("csv"), path);
    QVERIFY(rows);
    QCOMPARE(*rows, expected_sheet(p));
  }

  void cannot_write_data() {
    QTest::addColumn<QString>("name");      // under a fresh folder
    QTest::addColumn<QString>("existing");  // "file", "folder", "read-only", "link to …" or ""
    QTest::addColumn<QString>("message");   // empty: written
    QTest::newRow("new file") << "list.csv" << "" << "";
    QTest::newRow("replaced whole, mode kept") << "list.CSV" << "file" << "";
    QTest::newRow("unknown suffix") << "list.txt" << "" << export_msg::unknown_format;
    QTest::newRow("no such folder") << "gone/list.xlsx" << "" << export_msg::no_folder;
    QTest::newRow("a folder of that name") << "list.ods" << "folder" << export_msg::is_folder;
    QTest::newRow("read-only file") << "list.xlsx" << "read-only" << export_msg::read_only;
    QTest::newRow("link to a sheet: the sheet replaced") << "list.csv" << "link to old.csv" << "";
    QTest::newRow("link to a song: refused, the song kept") << "list.csv" << "link to 01.mp3"
                                                            << export_msg::unknown_format;
    QTest::newRow("link to a sheet of another format") << "list.xlsx" << "link to old.csv"
                                                       << export_msg::unknown_format;
  }
  void cannot_write() {
    QFETCH(QString, name);
    QFETCH(QString, existing);
    QFETCH(QString, message);
    if (existing == u"read-only" && ::geteuid() == 0) QSKIP("root may write any file");
    TestTable p(numbered_names(2));
    const QString dir = fresh_dir();
    const QString path = dir + QLatin1Char('/') + name;
    if (existing == u"folder") QDir().mkpath(path);
    if (existing == u"file" || existing == u"read-only") {
      write_file(path, "old");
      QFile::setPermissions(path, existing == u"file" ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                      : QFile::ReadOwner);
    }
    // A link's own file is what the export writes, or names when it refuses.
    const QString linked = existing.startsWith(u"link to ") ? dir + QLatin1Char('/') + existing.mid(8) : path;
    if (linked != path) {
      write_file(linked, "old");
      QVERIFY(QFile::link(QFileInfo(linked).fileName(), path));
    }
    const QStringList listed = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const QString error = export_table(p.grid, 2, path);
    QCOMPARE(error, message.isEmpty() ? QString() : message + QLatin1Char('\n') + linked);
    if (linked != path) {
      QVERIFY(QFileInfo(path).isSymLink());
      QCOMPARE(read_file(linked) == "old", !message.isEmpty());
    }
    // Nothing half-written, no temporary file left.
    const QStringList after = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (!message.isEmpty() || !existing.isEmpty()) QCOMPARE(after, listed);
    if (existing == u"file" || existing == u"read-only") {
      QCOMPARE(read_file(path) == "old", !message.isEmpty());
      struct stat st {};
      QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
      QCOMPARE(st.st_mode & 0777, existing == u"file" ? 0640u : 0400u);
    }
    if (message.isEmpty()) QVERIFY(read_file(path).startsWith("\xEF\xBB\xBF" "曲順,ファイル名,"));
  }

  // The column a header names: the export's own headers, common Japanese
  // and English ones, the command line's names; width, case and blanks aside.
  void header_names_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("column");
    const auto row = [](const char* header, int column) { QTest::newRow(header) << QString::fromUtf8(header) << column; };
    row("トラック番号(TAG情報)", col::of(Field::track));
    row("ｱﾙﾊﾞﾑｱｰﾃｨｽﾄよみがな(TAG情報)", col::of(Field::album_artist_sort));
    row("Track", col::of(Field::track));
    row("Track order", col::order);
    row("Disc Number", col::of(Field::disc));
    row("YEAR", col::of(Field::year));
    row("発売年", col::of(Field::year));
    row("Genre", col::of(Field::genre));
    row("Album Artist", col::of(Field::album_artist));
    row("album_artist", col::of(Field::album_artist));
    row("作曲者", col::of(Field::composer));
    row("Comment", col::of(Field::comment));
    row("title_sort", col::of(Field::title_sort));
    row("Sort Artist", col::of(Field::artist_sort));
    row("Rating", 0);
  }
  void header_names() {
    QFETCH(QString, header);
    QFETCH(int, column);
    QCOMPARE(column_of_header(header), column);
  }

  // Sheets by header names into a table of three files whose tag columns
  // hold "old": what is asked, told and changed.
  void header_sheets_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("artists");
    const QString ask = "ask: " + import_msg::preview_question;
    const QString done = "notify: " + import_msg::done;
    const QStringList old{"old", "old", "old"};
    // Headers by the export's names or common ones, width, case and blanks aside.
    QTest::newRow("any order, others skipped")
        << QByteArray("Year,ｱｰﾃｨｽﾄ,TITLE\n1999,A,t1\n2000,B,t2\n2001,C,t3\n") << QStringList{"yes"}
        << QStringList{ask, done} << QStringList{"t1", "t2", "t3"} << QStringList{"A", "B", "C"};
    QTest::newRow("fewer rows: the rest emptied")
        << QByteArray("曲名\nt1\nt2\n") << QStringList{"yes"}
        << QStringList{"ask: " + import_msg::fewer_rows.arg(2).arg(3) + import_msg::preview_question, done}
        << QStringList{"t1", "t2", ""} << old;
    QTest::newRow("more rows: the rest left")
        << QByteArray("曲名\nt1\nt2\nt3\nt4\n\n") << QStringList{"yes"}
        << QStringList{"ask: " + import_msg::more_rows.arg(4).arg(3) + import_msg::preview_question, done}
        << QStringList{"t1", "t2", "t3"} << old;
    QTest::newRow("declined") << QByteArray("曲名\nt1\nt2\nt3\n") << QStringList{"no"} << QStringList{ask}
                              << old << old;
    QTest::newRow("no column it knows") << QByteArray("Rating,メモ,曲\n1,2,3\n") << QStringList{}
                                        << QStringList{"notify: " + import_msg::no_headers} << old << old;
    QTest::newRow("file names never written")
        << QByteArray("File Name,曲名（ＴＡＧ情報）\nx.mp3,t1\ny.mp3,t2\nz.mp3,t3\n") << QStringList{"yes"}
        << QStringList{ask, done} << QStringList{"t1", "t2", "t3"} << old;
  }
  void header_sheets() {
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, log);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, artists);
    TestTable t(numbered_names(3));
    for (int r = 1; r <= 3; ++r)
      for (int c = col::title; c <= col::artist; ++c) t.put(c, r, QStringLiteral("old"));
    const QString sheet = fresh_dir() + QStringLiteral("/sheet.csv");
    write_file(sheet, csv);
    for (const QString& a : answers) a == u"yes" ? t.dialogs.yes() : t.dialogs.no();
    import_by_headers(t.cx, sheet);
    QCOMPARE(t.dialogs.log, log);
    QCOMPARE(t.column(col::title), titles);
    QCOMPARE(t.column(col::artist), artists);
    QCOMPARE(t.column(col::album), (QStringList{"old", "old", "old"}));
    QCOMPARE(t.column(col::name), (QStringList{"1.mp3", "2.mp3", "3.mp3"}));
    // Only what changed is marked.
    for (int r = 1; r <= 3; ++r)
      QCOMPARE(t.grid.cell_mark(col::title, r) == CellMark::edited, titles[r - 1] != u"old");
  }
};

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
