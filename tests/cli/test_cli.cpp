// The installed command line on real folders: what list shows (the demo
// folder and files that fail to read), what write and rename change, and
// that --dry-run changes nothing.

#include <sys/resource.h>
#include <csignal>
#include <QScopeGuard>
#include <QThread>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "cli/messages.h"
#include "cli_runner.h"
#include "import/messages.h"
#include "rename/messages.h"
#include "tags/fields.h"
#include "tags/messages.h"
#include "zip_writer.h"

using namespace tn;
using namespace tn::test;

namespace {

// A folder of n tagged files "1.mp3".."n.mp3", titled 曲1..曲n; the first
// in legacy Shift-JIS.
struct Folder {
  QTemporaryDir dir;
  explicit Folder(int n = 3) {
    Mp3Spec legacy;
    legacy.v2 = raw_tag(3, sjis("曲1"), sjis("歌手"), sjis("盤"), 1024);
    make_mp3(dir.path(), "1.mp3", legacy);
    for (int i = 2; i <= n; ++i)
      make_mp3(dir.path(), QStringLiteral("%1.mp3").arg(i),
               tagged(QStringLiteral("曲%1").arg(i), QStringLiteral("歌手"), QStringLiteral("盤")));
  }
  QString path() const { return dir.path(); }
  QString file(const QString& name) const { return dir.filePath(name); }
  CliRun list() const { return run_cli({"list", path(), "--json"}); }
};

// text's Shift-JIS bytes read as Windows-1252 (its lead byte 0x83 is "ƒ"),
// made here so that no line of this file reads as mojibake itself.
QString mojibake(const QString& text) {
  QString out;
  for (const char c : sjis(text)) out += static_cast<uchar>(c) == 0x83 ? QChar(0x192) : QChar(static_cast<uchar>(c));
  return out;
}

QString read_error_text(int number, const QString& name, const QString& tail) {
  return msg::error_number + QString::number(number) + msg::error_text(number) + name + tail;
}

}  // namespace

class CliTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY2(QFile::exists(cli_program()), qPrintable(cli_program())); }

  // The demo folder, as the main window shows it; its broken file is the
  // one row with an error.
  void list_demo_folder_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("order") << 1 << "order" << "01";
    QTest::newRow("file") << 1 << "file" << "01 夜明けの歌.mp3";
    QTest::newRow("UTF-16 title") << 1 << "title" << "夜明けの歌";
    QTest::newRow("album") << 1 << "album" << "はじまりの季節";
    QTest::newRow("artist") << 1 << "artist" << "青空ソーダ";
    QTest::newRow("2.2 tag") << 5 << "title" << "星屑ステーション";
    QTest::newRow("legacy Shift-JIS") << 6 << "title" << "月夜のブランコ";
    QTest::newRow("Latin-1") << 10 << "title" << "Café du Matin";
    QTest::newRow("order past 9") << 10 << "order" << "10";
    QTest::newRow("broken file named") << 12 << "file" << "12 こわれたファイル.mp3";
    QTest::newRow("broken file no title") << 12 << "title" << "";
  }
  void list_demo_folder() {
    QFETCH(int, row);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QTemporaryDir copy;
    const QString samples = qEnvironmentVariable("TAGNARABE_SAMPLES");
    for (const QString& name : QDir(samples).entryList({"*.mp3"}, QDir::Files))
      QVERIFY(QFile::copy(samples + '/' + name, copy.filePath(name)));
    const CliRun r = run_cli({"list", copy.path(), "--json"});
    QCOMPARE(r.status, 1);  // the broken file
    const QJsonArray rows = r.json().value("rows").toArray();
    QCOMPARE(rows.size(), 12);
    QCOMPARE(rows[row - 1].toObject().value(field).toString(), expected);
    for (int i = 0; i < 11; ++i) QVERIFY(rows[i].toObject().value("error").isNull());
    const QJsonObject error = rows[11].toObject().value("error").toObject();
    QCOMPARE(r.err.trimmed(), error.value("message").toString());
    QCOMPARE(r.json().value("folder").toString(), copy.path() + '/');
  }

  // A file that fails to read: its row carries the error number and the
  // text the windows show, which is also on stderr; the other rows read.
  void list_read_errors_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("tail");
    const QString& open = msg::open_failed_tail;
    QTest::newRow("empty") << broken_bytes(Broken::empty) << 24 << open;
    QTest::newRow("not MPEG") << broken_bytes(Broken::random_bytes) << 24 << open;
    QTest::newRow("text") << broken_bytes(Broken::text_file) << 24 << open;
    QTest::newRow("bad sync") << broken_bytes(Broken::bad_sync) << 11 << open;
    QTest::newRow("truncated tag") << broken_bytes(Broken::truncated_tag) << 3 << msg::tag_read_failed_tail;
  }
  void list_read_errors() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, number);
    QFETCH(QString, tail);
    Folder f(3);
    const QString name = QStringLiteral("2.mp3");
    QFile::remove(f.file(name));
    write_file(f.file(name), bytes);
    const CliRun r = f.list();
    QCOMPARE(r.status, 1);
    const QJsonObject row = r.json().value("rows").toArray()[1].toObject();
    const QString text = read_error_text(number, name, tail);
    QCOMPARE(row.value("error").toObject().value("number").toInt(), number);
    QCOMPARE(row.value("error").toObject().value("message").toString(), text);
    QCOMPARE(row.value("file").toString(), name);
    QCOMPARE(r.err, text + '\n');
    QCOMPARE(column(r.json(), "title"), (QStringList{"曲1", "", "曲3"}));
  }

  // Without --json: one tab-separated line a row, tabs inside cells escaped.
  void list_text() {
    Folder f(1);
    make_mp3(f.path(), "2.mp3", tagged("a\tb", "歌手", "盤"));
    const CliRun r = run_cli({"list", f.path()});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.lines(), (QStringList{"01\t1.mp3\t曲1\t盤\t歌手", "02\t2.mp3\ta\\tb\t盤\t歌手"}));
    QCOMPARE(r.err, QString());
  }

  // Every field under its key in --json; --fields adds columns to the text.
  void list_fields_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("name");  // the file's
    QTest::addColumn<QString>("first_line");
    QTest::newRow("json has every field") << QStringList{"--json"} << "1.mp3" << "";
    QTest::newRow("fields shown after artist") << QStringList{"--fields", "year,title"} << "1.mp3"
                                               << "01\t1.mp3\t曲1\t盤\t歌手\t";
    QTest::newRow("all") << QStringList{"--fields=all"} << "1.mp3" << "01\t1.mp3\t曲1\t盤\t歌手" + QString(11, '\t');
    QTest::newRow("a backslash and a line break in a name")
        << QStringList{} << "a\\n\tb\nc\\.mp3" << "01\ta\\\\n\\tb\\nc\\\\.mp3\t曲1\t盤\t歌手";
  }
  void list_fields() {
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    QFETCH(QString, first_line);
    Folder f(1);
    if (name != "1.mp3") QVERIFY(QFile::rename(f.file("1.mp3"), f.file(name)));
    const CliRun r = run_cli(QStringList{"list", f.path()} + args);
    QCOMPARE(r.status, 0);
    if (!first_line.isEmpty()) {
      QCOMPARE(QString::fromUtf8(r.out).section('\n', 0, 0), first_line);
      return;
    }
    const QJsonObject row = r.json().value("rows").toArray()[0].toObject();
    for (Field field : all_fields()) QVERIFY2(row.contains(field_key(field)), qPrintable(field_key(field)));
    QCOMPARE(row.value("album_artist").toString(), QString());
  }

  // write fills as the buttons do and writes the filled columns only; list
  // then shows what the files hold.
  void write_then_list_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("done");
    QTest::addColumn<bool>("held");  // by another program first: the command says it waits
    const QStringList ab{"新盤", "新盤", "新盤"};
    QTest::newRow("album") << QStringList{"--album", "新盤"} << "album" << ab << msg::write_album_done << false;
    QTest::newRow("album=") << QStringList{"--album=新盤"} << "album" << ab << msg::write_album_done << false;
    QTest::newRow("artist") << QStringList{"--artist", "新人"} << "artist" << QStringList{"新人", "新人", "新人"}
                            << msg::write_artist_done << false;
    QTest::newRow("album cleared") << QStringList{"--album", ""} << "album" << QStringList{"", "", ""}
                                   << msg::write_album_done << false;
    QTest::newRow("titles from names") << QStringList{"--titles-from-names"} << "title"
                                       << QStringList{"1", "2", "3"} << msg::write_title_done << false;
    QTest::newRow("titles from orders and names") << QStringList{"--titles-from-names-with-order"} << "title"
                                                  << QStringList{"011", "022", "033"} << msg::write_title_done << false;
    QTest::newRow("a text given wins over names")
        << QStringList{"--titles-from-names", "--title", "同じ"} << "title" << QStringList{"同じ", "同じ", "同じ"}
        << msg::write_title_done << false;
    QTest::newRow("sheet, layout 1") << QStringList{"--import", "sheet.csv"} << "title"
                                     << QStringList{"甲", "乙", "丙"} << msg::write_title_done << false;
    QTest::newRow("sheet, layout 2") << QStringList{"--import", "sheet.csv", "--layout", "2"} << "artist"
                                     << QStringList{"A", "B", "C"} << msg::write_all_done << false;
    QTest::newRow("sheet shorter than the table: said") << QStringList{"--import", "short.csv"} << "title"
                                                        << QStringList{"甲", "乙", ""} << msg::write_title_done << false;
    QTest::newRow("a NUL in a cell: not stored") << QStringList{"--import", "nul.xlsx"} << "title"
                                                 << QStringList{"ab", "c", "d"} << msg::write_title_done << false;
    QTest::newRow("named sheet") << QStringList{"--import", "book.xlsx", "--sheet", "曲目", "--layout", "2"}
                                 << "album" << QStringList{"X", "Y", "Z"} << msg::write_all_done << false;
    QTest::newRow("--set of one of the three texts") << QStringList{"--set", "album=新盤"} << "album" << ab
                                            << msg::write_album_done << false;
    QTest::newRow("--fields chooses what is written")
        << QStringList{"--import", "sheet.csv", "--layout", "2", "--fields", "artist"} << "artist"
        << QStringList{"A", "B", "C"} << msg::write_artist_done << false;
    QTest::newRow("--set of another field") << QStringList{"--set", "year=1998", "--album", "新盤"} << "year"
                                            << QStringList{"1998", "1998", "1998"} << msg::write_album_done << false;
    QTest::newRow("by header names, another field")
        << QStringList{"--import", "book.csv", "--layout", "header"} << "year" << QStringList{"1999", "2000", "2001"}
        << msg::write_artist_done << false;
    QTest::newRow("by header names, only what they name")
        << QStringList{"--import", "book.csv", "--layout", "header"} << "artist" << QStringList{"A", "B", "C"}
        << msg::write_artist_done << false;
    QTest::newRow("the folder held by another program") << QStringList{"--album", "新盤"} << "album" << ab
                                                        << msg::write_album_done << true;
  }
  void write_then_list() {
    QFETCH(QStringList, args);
    QFETCH(QString, field);
    QFETCH(QStringList, expected);
    QFETCH(QString, done);
    QFETCH(bool, held);
    Folder f(3);
    QTemporaryDir sheets;
    write_file(sheets.filePath("sheet.csv"), "甲,x,A\n乙,y,B\n丙,z,C\n");
    write_file(sheets.filePath("book.xlsx"),
               zip_bytes(xlsx_parts({{"Sheet1", xlsx_rows({{"no"}})},
                                     {"曲目", xlsx_rows({{"t1", "X", "a"}, {"t2", "Y", "b"}, {"t3", "Z", "c"}})}})));
    write_file(sheets.filePath("book.csv"), "Year,Artist,番号\n1999,A,1\n2000,B,2\n2001,C,3\n");
    write_file(sheets.filePath("short.csv"), "甲\n乙\n");
    write_file(sheets.filePath("nul.xlsx"), zip_bytes(xlsx_parts({{"Sheet1", xlsx_rows({{"a_x0000_b"}, {"c"}, {"d"}})}})));
    for (QString& a : args)
      if (a.startsWith("sheet.") || a.startsWith("book.") || a.startsWith("nul.") || a.startsWith("short."))
        a = sheets.filePath(a);
    const QByteArray legacy_before = dump_tags(f.file("1.mp3")).v2_raw.value("TIT2");
    QProcess holder;
    if (held) {
      holder.start("flock", {f.path(), "sleep", "1"});
      QVERIFY(holder.waitForStarted());
      QThread::msleep(300);
    }
    const CliRun w = run_cli(QStringList{"write", f.path()} + args);
    QCOMPARE(w.status, 0);
    QVERIFY2(w.err.endsWith(done + '\n'), qPrintable(w.err));
    QCOMPARE(w.err.contains(import_msg::fewer_rows.arg(2).arg(3)), args.contains(sheets.filePath("short.csv")));
    QCOMPARE(w.err.startsWith(cli::msg::prefix + cli::msg::folder_in_use + f.path() + '\n'), held);
    holder.waitForFinished();
    QVERIFY(w.out.isEmpty());
    const CliRun l = f.list();
    QCOMPARE(l.status, 0);
    QCOMPARE(column(l.json(), field), expected);
    // A column not filled keeps the file's own bytes.
    if (field != "title" && done != msg::write_all_done)
      QCOMPARE(dump_tags(f.file("1.mp3")).v2_raw.value("TIT2"), legacy_before);
  }

  // export, then the sheet read back by header names: --dry-run shows the
  // table as list shows it, and the write finds nothing to write.
  void export_then_import_data() {
    QTest::addColumn<QString>("suffix");
    for (const char* s : {"xlsx", "ods", "csv"}) QTest::newRow(s) << s;
  }
  void export_then_import() {
    QFETCH(QString, suffix);
    Folder f(3);
    QTemporaryDir out;
    const QString sheet = out.filePath("曲リスト." + suffix);
    const QStringList before = snapshot(f.path());
    const CliRun listed = run_cli({"list", f.path()});
    QCOMPARE(run_cli({"export", f.path(), sheet}).status, 0);
    const CliRun dry = run_cli({"write", f.path(), "--import", sheet, "--layout", "header", "--dry-run"});
    QCOMPARE(dry.status, 0);
    QCOMPARE(dry.out, listed.out);
    const CliRun w = run_cli({"write", f.path(), "--import", sheet, "--layout", "header"});
    QCOMPARE(w.status, 0);
    QCOMPARE(w.err, import_msg::done + '\n');  // and no write's notice
    QCOMPARE(snapshot(f.path()), before);
  }

  // --dry-run prints what would be written or renamed and leaves every
  // byte, inode, time and name of the folder as it was.
  void dry_run_touches_nothing_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("write") << QStringList{"write", "--album", "新盤", "--dry-run"}
                           << QStringList{"01\t1.mp3\t曲1\t新盤\t歌手", "02\t2.mp3\t曲2\t新盤\t歌手"};
    QTest::newRow("write, names") << QStringList{"write", "--dry-run", "--titles-from-names-with-order"}
                                  << QStringList{"01\t1.mp3\t011\t盤\t歌手", "02\t2.mp3\t022\t盤\t歌手"};
    QTest::newRow("rename") << QStringList{"rename", "--order-and-titles", "--dry-run"}
                            << QStringList{"1.mp3 → 01曲1.mp3", "2.mp3 → 02曲2.mp3"};
    QTest::newRow("rename, order") << QStringList{"rename", "--order", "--dry-run"}
                                   << QStringList{"1.mp3 → 011.mp3", "2.mp3 → 022.mp3"};
  }
  void dry_run_touches_nothing() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, lines);
    Folder f(2);
    const QStringList before = snapshot(f.path());
    args.insert(1, f.path());
    const CliRun r = run_cli(args);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.lines(), lines);
    QCOMPARE(snapshot(f.path()), before);
    args << "--json";
    QCOMPARE(run_cli(args).json().value("dry_run").toBool(), true);
    QCOMPARE(snapshot(f.path()), before);
  }

  // A dry run is the run without its effects: its JSON is the run's but for
  // dry_run and the table read again after a rename; the same status, the
  // same refusals, and nothing touched.
  void dry_run_is_the_run_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("titles");  // of 1.mp3, 2.mp3, ...; empty: as made
    QTest::addColumn<int>("status");
    const QStringList as_made;
    QTest::newRow("album") << QStringList{"write", "--album", "新盤"} << as_made << 0;
    // Named before any file is tried.
    QTest::newRow("album, folder can't be written") << QStringList{"write", "--album", "新盤"} << as_made << 1;
    QTest::newRow("names, folder can't be written") << QStringList{"rename", "--titles"} << as_made << 1;
    QTest::newRow("album, a title repaired but not written")
        << QStringList{"write", "--album", "新盤"} << QStringList{mojibake("ポップス")} << 0;
    QTest::newRow("titles from names") << QStringList{"write", "--titles-from-names-with-order"} << as_made << 0;
    QTest::newRow("track numbers") << QStringList{"write", "--track-numbers"} << as_made << 0;
    QTest::newRow("other fields") << QStringList{"write", "--set", "year=1998", "--set", "genre=J-Pop"} << as_made << 0;
    QTest::newRow("other fields, one chosen")
        << QStringList{"write", "--set", "composer=作曲者", "--set", "comment=メモ", "--fields", "comment"} << as_made << 0;
    QTest::newRow("texts with blanks at their ends")
        << QStringList{"write", "--album", "新盤 ", "--set", "comment=メモ  "} << as_made << 0;
    QTest::newRow("names") << QStringList{"rename", "--order-and-titles"} << as_made << 0;
    QTest::newRow("two rows, one name") << QStringList{"rename", "--titles"} << QStringList{"Same", "Same"} << 1;
    QTest::newRow("a slash") << QStringList{"rename", "--titles"} << QStringList{"a", "b/c"} << 1;
  }
  void dry_run_is_the_run() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, titles);
    QFETCH(int, status);
    Folder dry(3), real(3);
    for (int i = 0; i < titles.size(); ++i)
      for (const Folder* f : {&dry, &real})
        make_mp3(f->path(), QStringLiteral("%1.mp3").arg(i + 1), tagged(titles[i], "歌手", "盤"));
    // Root writes every folder whatever its mode: the program then sees the
    // folder through a read-only mount of its own.
    const bool read_only = QByteArray(QTest::currentDataTag()).contains("can't be written");
    auto set_mode = [&](mode_t mode) {
      for (const Folder* f : {&dry, &real}) ::chmod(QFile::encodeName(f->path()).constData(), mode);
    };
    const auto writable_again = qScopeGuard([&] { set_mode(0700); });
    if (read_only && ::geteuid() != 0) set_mode(0555);
    const QStringList before = snapshot(dry.path());
    auto run = [&](const Folder& f, bool dry_run) {
      QStringList a = args;
      a.insert(1, f.path());
      a << "--json";
      if (dry_run) a << "--dry-run";
      const QByteArray where = QFile::encodeName(f.path());
      if (read_only && ::geteuid() == 0)
        return run_cli(a, [where] {
          if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
              ::mount(where.constData(), where.constData(), nullptr, MS_BIND, nullptr) != 0 ||
              ::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            ::_exit(77);
        });
      return run_cli(a);
    };
    const CliRun d = run(dry, true), r = run(real, false);
    if (d.status == 77) QSKIP("no mount of our own can be made here");
    QCOMPARE(snapshot(dry.path()), before);
    QCOMPARE(d.status, status);
    QCOMPARE(r.status, status);
    QJsonObject dj = d.json(), rj = r.json();
    QCOMPARE(dj.value("dry_run"), QJsonValue(true));
    for (QJsonObject* j : {&dj, &rj}) {
      j->remove("dry_run");
      j->remove("folder");
    }
    if (args[0] == "rename") rj.remove("rows");
    // Texts that name the folder name each its own.
    auto text = [](const QJsonObject& j, const Folder& f) {
      return QString::fromUtf8(QJsonDocument(j).toJson()).replace(f.path() + '/', "FOLDER/");
    };
    QCOMPARE(text(dj, dry), text(rj, real));
    const QString real_err = QString(r.err).replace(real.path() + '/', "FOLDER/");
    for (const QString& line : QString(d.err).replace(dry.path() + '/', "FOLDER/").split('\n', Qt::SkipEmptyParts))
      QVERIFY2(real_err.contains(line), qPrintable(line));
    // What a write says it stored, its files hold.
    QStringList stored;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
      if (args[i] == "--album") stored << "album";
      if (args[i] == "--set") stored << args[i + 1].section('=', 0, 0);
    }
    const QJsonArray listed = run_cli({"list", real.path(), "--json", "--fields", "all"}).json()["rows"].toArray();
    const QJsonArray reported = rj["rows"].toArray();
    for (qsizetype i = 0; i < reported.size() && !stored.isEmpty(); ++i)
      for (const QString& key : stored)
        if (reported[i]["written"].toBool()) QCOMPARE(reported[i][key], listed[i][key]);
  }

  // rename stops at the first refused row with the windows' row message:
  // the rows before it are renamed, the rest keep their names.
  void rename_stops_at_refused_row_data() {
    QTest::addColumn<bool>("dry_run");
    QTest::newRow("run") << false;
    QTest::newRow("dry run") << true;
  }
  void rename_stops_at_refused_row() {
    QFETCH(bool, dry_run);
    Folder f(1);
    make_mp3(f.path(), "2.mp3", tagged("a/b", "歌手", "盤"));
    make_mp3(f.path(), "3.mp3", tagged("曲3", "歌手", "盤"));
    QStringList args{"rename", f.path(), "--titles"};
    if (dry_run) args << "--dry-run";
    const CliRun r = run_cli(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("2" + msg::rename_failed_tail), qPrintable(r.err));
    const QStringList expected = dry_run ? QStringList{"1.mp3", "2.mp3", "3.mp3"}
                                         : QStringList{"2.mp3", "3.mp3", "曲1.mp3"};
    QCOMPARE(QDir(f.path()).entryList(QDir::Files, QDir::Name), expected);
    if (dry_run) QCOMPARE(r.lines(), QStringList{"1.mp3 → 曲1.mp3"});
  }

  void rename_all() {
    Folder f(2);
    const CliRun r = run_cli({"rename", f.path(), "--order-and-titles", "--json"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, msg::rename_done + '\n');
    QCOMPARE(QDir(f.path()).entryList(QDir::Files, QDir::Name), (QStringList{"01曲1.mp3", "02曲2.mp3"}));
    QCOMPARE(column(r.json(), "file"), (QStringList{"01曲1.mp3", "02曲2.mp3"}));
    QCOMPARE(column(r.json(), "title"), (QStringList{"曲1", "曲2"}));
  }

  // A file that can't be written, or read, fails its row (exit 1, the
  // windows' text on stderr); the other rows are written.
  void write_fails_a_row_data() {
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("field");   // written, absent from the failed row
    QTest::addColumn<QString>("written"); // in row 1
    const QStringList album{"--album", "新盤"};
    QTest::newRow("can't be written") << false << "2.mp3" + msg::tag_write_failed_tail << album << "album" << "新盤";
    QTest::newRow("can't be read") << true << read_error_text(24, "2.mp3", msg::open_failed_tail) << album << "album"
                                   << "新盤";
    // A run of its own for each column: the failed row refused in both.
    QTest::newRow("two columns, each alone") << false << "2.mp3" + msg::tag_write_failed_tail
                                             << QStringList{"--title", "曲", "--album", "新盤"} << "title" << "曲";
    QTest::newRow("track numbers can't be written")
        << false << "2.mp3" + msg::tag_write_failed_tail << QStringList{"--track-numbers"} << "track" << "1/2";
  }
  void write_fails_a_row() {
    QFETCH(bool, unreadable);
    QFETCH(QString, message);
    QFETCH(QStringList, args);
    QFETCH(QString, field);
    QFETCH(QString, written);
    Folder f(1);
    Mp3Spec big;  // no tag: the write must rewrite it, which the limit stops
    big.audio_frames = 200;
    if (unreadable)
      write_file(f.file("2.mp3"), broken_bytes(Broken::random_bytes));
    else
      make_mp3(f.path(), "2.mp3", big);
    const CliRun r = run_cli(QStringList{"write", f.path()} + args + QStringList{"--json"}, [] {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit lim{40000, 40000};
      ::setrlimit(RLIMIT_FSIZE, &lim);
    });
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.json().value("not_written").toArray(), unreadable ? QJsonArray{} : QJsonArray{2});
    // Each row as its file is now: the failed one without the new album.
    const QJsonArray rows = r.json().value("rows").toArray();
    QCOMPARE(rows[0].toObject().value("written").toBool(), true);
    QCOMPARE(rows[0].toObject().value(field).toString(), written);
    const QJsonObject failed = rows[1].toObject();
    QCOMPARE(failed.value("written").toBool(), false);
    QCOMPARE(failed.value(field).toString(), QString());
    QVERIFY(failed.value("error").toObject().value("message").toString().contains(message));
    if (field != "track") QCOMPARE(column(f.list().json(), field), (QStringList{written, ""}));
  }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
