// The clean-up through the installed command line: repaired and legacy
// fields in list --json, write --even-widths, --track-numbers and --repairs,
// rename --portable-names.

#include "cli_runner.h"
#include "clean_up/messages.h"

using namespace tn;
using namespace tn::test;

class CliCleanUpTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY2(QFile::exists(cli_program()), qPrintable(cli_program())); }

  void clean_up_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args");      // after the folder
    QTest::addColumn<QString>("name");          // of row 1's file before
    QTest::addColumn<QString>("title");         // row 1's title before
    QTest::addColumn<bool>("sjis_album");       // row 1's album in Shift-JIS in a Latin-1 frame
    QTest::addColumn<QString>("field");         // of row 1 in list --json afterwards
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("track");         // row 1's TRCK afterwards
    QTest::addColumn<QStringList>("marked");    // row 1's "repaired" and "legacy" afterwards
    const QString moji = QStringLiteral("ƒ|ƒbƒvƒX");
    QTest::newRow("list: repaired") << "list" << QStringList{"--json"} << "a.mp3" << moji << false << "title"
                                    << "ポップス" << "" << QStringList{"repaired: title"};
    QTest::newRow("list: legacy") << "list" << QStringList{"--json"} << "a.mp3" << "曲" << true << "album"
                                  << "東京" << "" << QStringList{"legacy: album"};
    QTest::newRow("even widths") << "write" << QStringList{"--even-widths"} << "a.mp3" << "ＬＯＶＥ　ﾊﾟﾜｰ" << false
                                 << "title" << "LOVE パワー" << "" << QStringList{};
    QTest::newRow("track numbers") << "write" << QStringList{"--track-numbers"} << "a.mp3" << "曲" << true << "title"
                                   << "曲" << "1/2" << QStringList{"legacy: album"};
    QTest::newRow("repairs") << "write" << QStringList{"--repairs"} << "a.mp3" << moji << true << "album"
                             << "東京" << "" << QStringList{};
    QTest::newRow("repairs, dry run") << "write" << QStringList{"--repairs", "--dry-run"} << "a.mp3" << moji << true
                                      << "title" << "ポップス" << "" << QStringList{"repaired: title", "legacy: album"};
    QTest::newRow("repairs, nothing to repair") << "write" << QStringList{"--repairs"} << "a.mp3" << "曲" << false
                                                << "title" << "曲" << "" << QStringList{};
    QTest::newRow("portable names") << "rename" << QStringList{"--portable-names"} << "Why?.mp3" << "曲" << false
                                    << "file" << "Why？.mp3" << "" << QStringList{};
  }

  void clean_up() {
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(bool, sjis_album);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QFETCH(QString, track);
    QFETCH(QStringList, marked);
    QTemporaryDir dir;
    Mp3Spec first = tagged(title, "歌手", sjis_album ? "" : "盤");
    if (sjis_album) first.v2->frames.push_back({"TALB", raw_text_body(sjis("東京"))});
    make_mp3(dir.path(), name, first);
    make_mp3(dir.path(), "z.mp3", tagged("二曲目", "歌手", "盤"));
    // A file a write of the whole title column would give an ID3v2 tag.
    Mp3Spec v1_only;
    v1_only.v1 = Id3v1{"Plain", "Artist", "Album", "", ""};
    const bool repairs = args.contains("--repairs");
    if (repairs) make_mp3(dir.path(), "zz.mp3", v1_only);
    const QStringList before = snapshot(dir.path());
    const CliRun r = run_cli(QStringList{command, dir.path()} + args);
    QCOMPARE(r.status, 0);
    if (command == "list" || args.contains("--dry-run")) QCOMPARE(snapshot(dir.path()), before);
    const CliRun list = run_cli({"list", dir.path(), "--json"});
    const QJsonObject row = list.json().value("rows").toArray().at(0).toObject();
    QCOMPARE(row.value(field).toString(), expected);
    // Marked on reading only while the file still holds the mojibake or the
    // legacy bytes; the other row never.
    QStringList marks;
    for (const char* kind : {"repaired", "legacy"})
      for (const QJsonValue f : row.value(kind).toArray()) marks << QString(kind) + ": " + f.toString();
    QCOMPARE(marks, marked);
    const QJsonObject second = list.json().value("rows").toArray().at(1).toObject();
    QVERIFY(second.value("repaired").isUndefined() && second.value("legacy").isUndefined());
    // Only the marked cells were stored: the other files are as they were.
    const auto others = [](const QStringList& entries) { return entries.filter(QRegularExpression("^z")); };
    if (repairs) QCOMPARE(others(snapshot(dir.path())), others(before));
    if (!track.isEmpty()) {
      QCOMPARE(dump_tags(dir.filePath(name)).v2_texts.value("TRCK"), QStringList{track});
      QCOMPARE(dump_tags(dir.filePath("z.mp3")).v2_texts.value("TRCK"), QStringList{"2/2"});
      QVERIFY2(r.err.contains(msg::track_numbers_done), qPrintable(r.err));
    }
  }
};

QTEST_GUILESS_MAIN(CliCleanUpTest)
#include "test_cli_clean_up.moc"
