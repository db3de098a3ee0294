// The installed command line refusing what it can't do: bad usage, folders
// that can't be confirmed and input the windows refuse end with status 2,
// a message on stderr and nothing changed; --help and --version.

#include "cli_runner.h"
#include "edit/messages.h"
#include "import/messages.h"
#include "readings/messages.h"
#include "shell/folder_confirm.h"
#include "zip_writer.h"

using namespace tn;
using namespace tn::test;

class CliUsageTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString folder() const { return dir_.filePath("music"); }

 private slots:
  void initTestCase() {
    QVERIFY2(QFile::exists(cli_program()), qPrintable(cli_program()));
    QVERIFY(QDir().mkpath(folder()));
    for (const char* name : {"1.mp3", "2.mp3"}) make_mp3(folder(), name, tagged("曲", "歌手", "盤"));
    QVERIFY(QDir().mkpath(dir_.filePath("empty")));
    QVERIFY(QDir().mkpath(dir_.filePath("many")));
    for (int i = 1; i <= 101; ++i) write_file(dir_.filePath(QStringLiteral("many/%1.mp3").arg(i)), {});
    write_file(dir_.filePath("sheet.csv"), "a\nb\n");
    QVERIFY(QFile::link(folder() + "/1.mp3", dir_.filePath("song.tsv")));
    write_file(dir_.filePath("error.xlsx"),
               zip_bytes(xlsx_parts({{"Sheet1", R"(<row r="1"><c r="A1" t="e"><v>#N/A</v></c></row>)"}})));
  }

  // One row per family of bad usage: status 2, the message on stderr with a
  // pointer to --help, nothing on stdout, the folder untouched.
  void bad_usage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString F = "FOLDER";
    QTest::newRow("no subcommand") << QStringList{} << "サブコマンドを指定してください";
    QTest::newRow("unknown subcommand") << QStringList{"frobnicate", F} << "不明なサブコマンドです: frobnicate";
    QTest::newRow("unknown option") << QStringList{"list", F, "--bogus"} << "不明なオプションです: --bogus";
    QTest::newRow("option of another subcommand") << QStringList{"list", F, "--album", "x"}
                                                  << "不明なオプションです: --album";
    QTest::newRow("missing value") << QStringList{"write", F, "--album"} << "オプションに値がありません: --album";
    QTest::newRow("flag with a value") << QStringList{"list", F, "--json=yes"}
                                       << "このオプションは値をとりません: --json=yes";
    QTest::newRow("option twice") << QStringList{"write", F, "--album", "a", "--album", "b"}
                                  << "オプションが二度指定されています: --album";
    QTest::newRow("no folder") << QStringList{"list"} << "フォルダを指定してください";
    QTest::newRow("extra argument") << QStringList{"list", F, "more"} << "余分な引数です: more";
    QTest::newRow("nothing to write") << QStringList{"write", F, "--dry-run"} << "書込む内容を指定してください";
    QTest::newRow("nothing to rename") << QStringList{"rename", F} << "ﾌｧｲﾙ名の作り方を指定してください";
    QTest::newRow("bad layout") << QStringList{"write", F, "--import", "x.csv", "--layout", "4"}
                                << "--layout は 1, 2, 3, header のいずれかです: 4";
    QTest::newRow("layout not a number") << QStringList{"write", F, "--import", "x.csv", "--layout", "2x"}
                                         << "--layout は 1, 2, 3, header のいずれかです: 2x";
    QTest::newRow("two compositions") << QStringList{"rename", F, "--titles", "--order"}
                                      << "--titles, --order-and-titles, --order は一つだけ指定してください";
    QTest::newRow("two title sources")
        << QStringList{"write", F, "--titles-from-names", "--titles-from-names-with-order", "--dry-run"}
        << "--titles-from-names と --titles-from-names-with-order は一つだけ指定してください";
    QTest::newRow("export to an unknown kind") << QStringList{"export", F, "list.txt"}
                                               << "書出し形式はﾌｧｲﾙ名の末尾（.xlsx .ods .csv）で指定して下さい: list.txt";
    QTest::newRow("set without a field") << QStringList{"write", F, "--set", "1998"}
                                         << "--set は 項目名=文字列 で指定します: 1998";
    QTest::newRow("set of an unknown field") << QStringList{"write", F, "--set", "rating=5"}
                                             << "不明な項目名です（--help に一覧があります）: rating";
    QTest::newRow("one field set twice") << QStringList{"write", F, "--set", "year=1", "--set", "year=2"}
                                         << "同じ項目が二度指定されています: year";
    QTest::newRow("set of 129 characters") << QStringList{"write", F, "--set", "comment=" + QString(129, QChar(0x3042))}
                                           << "--set の文字列は 128 文字までです: comment";
    QTest::newRow("unknown field to write") << QStringList{"write", F, "--fields", "title,albums"}
                                            << "不明な項目名です（--help に一覧があります）: albums";
    QTest::newRow("unknown field to list") << QStringList{"list", F, "--fields", "Year"}
                                           << "不明な項目名です（--help に一覧があります）: Year";
    QTest::newRow("unknown field to export") << QStringList{"export", F, "list.csv", "--fields", "Year"}
                                           << "不明な項目名です（--help に一覧があります）: Year";
    QTest::newRow("sheet without import") << QStringList{"write", F, "--sheet", "S"}
                                          << "--layout と --sheet は --import と共に指定します";
    QTest::newRow("kana without readings") << QStringList{"write", F, "--kana", "katakana", "--dry-run"}
                                           << "--kana は --readings と共に指定します";
    QTest::newRow("readings, bad value") << QStringList{"write", F, "--readings=again", "--dry-run"}
                                         << "--readings の値は replace だけです: again";
  }
  void bad_usage() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    args.replaceInStrings(QRegularExpression("^FOLDER$"), folder());
    const QStringList before = snapshot(folder());
    const CliRun r = run_cli(args);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith("tagnarabe-cli: " + message), qPrintable(r.err));
    QVERIFY(r.err.contains("--help"));
    QCOMPARE(snapshot(folder()), before);
  }

  // A folder that can't be confirmed, and input the windows refuse: their
  // own message, status 2, nothing written.
  void bad_input_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no folder there") << QStringList{"list", "DIR/gone"} << "tagnarabe-cli: フォルダを開けません: DIR/gone";
    QTest::newRow("a file, not a folder") << QStringList{"list", "DIR/sheet.csv"}
                                          << "tagnarabe-cli: フォルダを開けません: DIR/sheet.csv";
    QTest::newRow("no MP3") << QStringList{"list", "DIR/empty"} << msg::no_files;
    QTest::newRow("more than 100") << QStringList{"write", "DIR/many", "--album", "x"} << msg::too_many_files;
    QTest::newRow("text over 30 characters") << QStringList{"write", "FOLDER", "--album", QString(31, QChar(u'長'))}
                                             << msg::too_long;
    QTest::newRow("title over 30 characters")
        << QStringList{"write", "FOLDER", "--title", QString(31, 'x'), "--album", "ok"} << msg::too_long;
    QTest::newRow("sheet not there") << QStringList{"write", "FOLDER", "--import", "DIR/gone.xlsx"}
                                     << import_msg::open_failed;
    QTest::newRow("no such sheet") << QStringList{"write", "FOLDER", "--import", "XLSX", "--sheet", "無い"}
                                   << import_msg::no_sheet;
    QTest::newRow("blank sheet name") << QStringList{"write", "FOLDER", "--import", "XLSX", "--sheet", ""}
                                      << import_msg::blank_name;
    QTest::newRow("an error value in the sheet") << QStringList{"write", "FOLDER", "--import", "DIR/error.xlsx"}
                                                 << import_msg::read_failed;
    QTest::newRow("readings exported over a song")
        << QStringList{"readings", "--export", "DIR/music/1.mp3"}
        << "tagnarabe-cli: " + msg::readings_export_tsv_only + "DIR/music/1.mp3";
    QTest::newRow("readings exported through a link to a song")
        << QStringList{"readings", "--export", "DIR/song.tsv"}
        << "tagnarabe-cli: " + msg::readings_export_tsv_only + "DIR/song.tsv";
  }
  void bad_input() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString xlsx = QFINDTESTDATA("../import/data/track_list.xlsx");
    args.replaceInStrings(QRegularExpression("^FOLDER$"), folder());
    args.replaceInStrings(QRegularExpression("^XLSX$"), xlsx);
    args.replaceInStrings(QRegularExpression("^DIR/"), dir_.path() + '/');
    message.replace("DIR/", dir_.path() + '/');
    const QStringList before = snapshot(folder());
    const CliRun r = run_cli(args);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err, message + '\n');
    QCOMPARE(snapshot(folder()), before);
  }

  void help_and_version_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("shows");
    QTest::newRow("--version") << QStringList{"--version"} << "tagnarabe-cli " TAGNARABE_TEST_VERSION "\n";
    QTest::newRow("--help") << QStringList{"--help"} << "  rename";
    QTest::newRow("-h") << QStringList{"-h"} << "  write";
    QTest::newRow("write --help") << QStringList{"write", "--help"} << "--titles-from-names-with-order";
    QTest::newRow("field names in write --help") << QStringList{"write", "--help"} << "album_artist_sort";
    QTest::newRow("rename -h") << QStringList{"rename", "FOLDER", "-h"} << "--order-and-titles";
    QTest::newRow("export --help") << QStringList{"export", "--help"} << "--fields LIST";
  }
  void help_and_version() {
    QFETCH(QStringList, args);
    QFETCH(QString, shows);
    const CliRun r = run_cli(args);
    QCOMPARE(r.status, 0);
    QVERIFY2(QString::fromUtf8(r.out).contains(shows), r.out.constData());
    QCOMPARE(r.err, QString());
  }
};

QTEST_GUILESS_MAIN(CliUsageTest)
#include "test_cli_usage.moc"
