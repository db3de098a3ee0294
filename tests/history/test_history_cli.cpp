// The write history through the installed command line, each step its own
// process: an album written, names from the track order, artists written,
// then the history listed and the three runs undone.

#include "../cli/cli_runner.h"
#include "history/messages.h"

using namespace tn;
using namespace tn::test;

class HistoryCli : public QObject {
  Q_OBJECT

 private slots:
  void undo_of_three_runs_data() {
    QTest::addColumn<bool>("touch");    // file 2 changed by another program before the undo
    QTest::addColumn<bool>("dry_run");  // --dry-run first: nothing touched
    QTest::newRow("all put back") << false << true;
    QTest::newRow("a file changed since") << true << false;
  }
  void undo_of_three_runs() {
    QFETCH(bool, touch);
    QFETCH(bool, dry_run);
    QTemporaryDir dir;
    const QString folder = dir.path();
    for (int i = 1; i <= 3; ++i)
      make_mp3(folder, QStringLiteral("%1.mp3").arg(i), tagged(QStringLiteral("曲%1").arg(i), "歌手", "アルバム"));
    const QStringList original = snapshot(folder);
    QCOMPARE(run_cli({"write", folder, "--album", "新しいアルバム"}).status, 0);
    QCOMPARE(run_cli({"rename", folder, "--order-and-titles"}).status, 0);
    QCOMPARE(run_cli({"write", folder, "--artist", "新しい歌手"}).status, 0);
    QCOMPARE(QDir(folder).entryList({"*.mp3"}), (QStringList{"01曲1.mp3", "02曲2.mp3", "03曲3.mp3"}));
    QString touched;
    if (touch) {
      touched = folder + "/02曲2.mp3";
      QByteArray b = read_file(touched);
      b[b.size() - 200] = 'X';
      write_file(touched, b);
    }

    const CliRun history = run_cli({"history", folder, "--json"});
    QCOMPARE(history.status, 0);
    const QJsonArray runs = history.json()["runs"].toArray();
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs[0]["command"].toString(), msg::run_write_artist);
    QCOMPARE(runs[1]["command"].toString(), msg::run_rename);
    QCOMPARE(runs[2]["command"].toString(), msg::run_write_album);
    QCOMPARE(runs[2]["files"].toInt(), 3);
    const QString oldest = QString::number(runs[2]["id"].toInteger());
    const QStringList text = run_cli({"history", folder}).lines();
    QCOMPARE(text.size(), 3);
    QVERIFY(text[2].startsWith(oldest + '\t') && text[2].endsWith(QStringLiteral(" ｱﾙﾊﾞﾑ名のみ書込 3ﾌｧｲﾙ")));

    if (dry_run) {
      const QStringList before = snapshot(folder);
      const CliRun plan = run_cli({"undo", folder, "--run", oldest, "--dry-run"});
      QCOMPARE(plan.status, 0);
      QCOMPARE(plan.lines(), (QStringList{"1.mp3", "2.mp3", "3.mp3"}));
      QCOMPARE(snapshot(folder), before);
    }
    const CliRun undo = run_cli({"undo", folder, "--run", oldest});
    QStringList expected = original;
    if (touch) {
      QCOMPARE(undo.status, 1);
      QVERIFY2(undo.err.contains(QStringLiteral("02曲2.mp3") + msg::undo_refused_tail), qPrintable(undo.err));
      expected.removeAt(1);
    } else {
      QCOMPARE(undo.status, 0);
      QVERIFY2(undo.err.contains(msg::undo_done), qPrintable(undo.err));
    }
    // Name, inode, size and bytes as before the runs (the modification
    // time is the undo's).
    QStringList now = snapshot(folder).filter(QRegularExpression("\\.mp3 "));
    if (touch) now.removeAt(0);  // "02曲2.mp3", changed since: left as it was
    auto drop_time = [](QStringList l) {
      for (QString& s : l) s = s.section(' ', 0, 2) + ' ' + s.section(' ', 4);
      return l;
    };
    QCOMPARE(drop_time(now), drop_time(expected));
  }
};

QTEST_GUILESS_MAIN(HistoryCli)
#include "test_history_cli.moc"
