// The clean-up through the installed command line: repaired fields in list
// --json, write --even-widths and --track-numbers, rename --portable-names.

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
    QTest::addColumn<QString>("field");         // of row 1 in list --json afterwards
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("track");         // row 1's TRCK afterwards
    QTest::newRow("list: repaired") << "list" << QStringList{"--json"} << "a.mp3" << "ƒ|ƒbƒvƒX" << "title"
                                    << "ポップス" << "";
    QTest::newRow("even widths") << "write" << QStringList{"--even-widths"} << "a.mp3" << "ＬＯＶＥ　ﾊﾟﾜｰ" << "title"
                                 << "LOVE パワー" << "";
    QTest::newRow("track numbers") << "write" << QStringList{"--track-numbers"} << "a.mp3" << "曲" << "title"
                                   << "曲" << "1/2";
    QTest::newRow("portable names") << "rename" << QStringList{"--portable-names"} << "Why?.mp3" << "曲" << "file"
                                    << "Why？.mp3" << "";
  }

  void clean_up() {
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QFETCH(QString, track);
    QTemporaryDir dir;
    make_mp3(dir.path(), name, tagged(title, "歌手", "盤"));
    make_mp3(dir.path(), "z.mp3", tagged("二曲目", "歌手", "盤"));
    const QStringList before = snapshot(dir.path());
    const CliRun r = run_cli(QStringList{command, dir.path()} + args);
    QCOMPARE(r.status, 0);
    if (command == "list") QCOMPARE(snapshot(dir.path()), before);
    const CliRun list = run_cli({"list", dir.path(), "--json"});
    const QJsonObject row = list.json().value("rows").toArray().at(0).toObject();
    QCOMPARE(row.value(field).toString(), expected);
    // Repaired on reading only while the file still holds the mojibake.
    const bool repaired = title.startsWith(QStringLiteral("ƒ"));
    QCOMPARE(row.value("repaired").toArray(), repaired ? QJsonArray{"title"} : QJsonArray{});
    QVERIFY(list.json().value("rows").toArray().at(1).toObject().value("repaired").isUndefined());
    if (!track.isEmpty()) {
      QCOMPARE(dump_tags(dir.filePath(name)).v2_texts.value("TRCK"), QStringList{track});
      QCOMPARE(dump_tags(dir.filePath("z.mp3")).v2_texts.value("TRCK"), QStringList{"2/2"});
      QVERIFY2(r.err.contains(msg::track_numbers_done), qPrintable(r.err));
    }
  }
};

QTEST_GUILESS_MAIN(CliCleanUpTest)
#include "test_cli_clean_up.moc"
