// The write history through the installed command line, each step its own
// process: an album written, names from the track order, artists written,
// then the history listed and the three runs undone; two writers at once.

#include "../cli/cli_runner.h"
#include "history/messages.h"

#include <QRandomGenerator>
#include <QThread>

using namespace tn;
using namespace tn::test;

namespace {

// Name, size and bytes of the MP3 files of a snapshot.
QStringList mp3_files(QStringList l) {
  for (QString& s : l) s = s.section(' ', 0, 0) + ' ' + s.section(' ', 2, 2) + ' ' + s.section(' ', 4);
  return l.filter(QRegularExpression("\\.mp3 "));
}

// Each row of a write's --json report by its file: written, or its error number.
QMap<QString, int> outcomes(const QByteArray& json) {
  QMap<QString, int> out;
  for (const QJsonValue& v : QJsonDocument::fromJson(json).object().value("rows").toArray()) {
    const QJsonObject row = v.toObject();
    out[row["file"].toString()] = row["written"].toBool() ? 0 : row["error"]["number"].toInt();
  }
  return out;
}

// Two writers of one folder at once, `rounds` times, their albums of other
// lengths: each file ends as one writer's version byte for byte (as that
// writer alone makes it), which that writer reported written; a row another
// writer changed under it is refused (31). Then the oldest run undoes to the
// originals.
void two_writers_at_once(const QString& folder, const QStringList& original, int rounds) {
  const QStringList names = QDir(folder).entryList({"*.mp3"}, QDir::Files);
  for (int k = 0; k < rounds; ++k) {
    const QStringList albums{QStringLiteral("甲%1の長い長いアルバム名").arg(k), QStringLiteral("乙%1").arg(k)};
    QTemporaryDir alone[2];
    QProcess writer[2];
    for (int w = 0; w < 2; ++w) {
      for (const QString& name : names) QVERIFY(QFile::copy(folder + '/' + name, alone[w].filePath(name)));
      QCOMPARE(run_cli({"write", alone[w].path(), "--album", albums[w]}).status, 0);
    }
    for (int w = 0; w < 2; ++w) writer[w].start(cli_program(), {"write", folder, "--album", albums[w], "--json"});
    QMap<QString, int> rows[2];
    for (int w = 0; w < 2; ++w) {
      QVERIFY(writer[w].waitForFinished(20000));
      rows[w] = outcomes(writer[w].readAllStandardOutput());
    }
    for (const QString& name : names) {
      const QByteArray now = read_file(folder + '/' + name);
      const int whose = now == read_file(alone[0].filePath(name)) ? 0 : now == read_file(alone[1].filePath(name)) ? 1 : -1;
      QVERIFY2(whose >= 0, qPrintable(QStringLiteral("round %1: %2 is neither writer's").arg(k).arg(name)));
      QCOMPARE(rows[whose].value(name, -1), 0);
      QVERIFY(rows[1 - whose].value(name, -1) == 0 || rows[1 - whose].value(name) == 31);
    }
  }
  const QJsonArray runs = run_cli({"history", folder, "--json"}).json()["runs"].toArray();
  QCOMPARE(run_cli({"undo", folder, "--run", QString::number(runs.last()["id"].toInteger())}).status, 0);
  QCOMPARE(mp3_files(snapshot(folder)), mp3_files(original));
}

}  // namespace

class HistoryCli : public QObject {
  Q_OBJECT

 private slots:
  void undo_of_three_runs_data() {
    QTest::addColumn<bool>("touch");    // file 2 changed by another program before the undo
    QTest::addColumn<bool>("dry_run");  // --dry-run first: nothing touched
    QTest::addColumn<int>("kills");     // undos killed at random moments before the one that ends
    QTest::addColumn<int>("rivals");    // rounds of two writers at once, instead of the three runs
    QTest::newRow("all put back") << false << true << 0 << 0;
    QTest::newRow("a file changed since") << true << true << 0 << 0;
    QTest::newRow("undos killed") << false << false << 5 << 0;
    QTest::newRow("two writers at once") << false << false << 0 << 5;
  }
  void undo_of_three_runs() {
    QFETCH(bool, touch);
    QFETCH(bool, dry_run);
    QFETCH(int, kills);
    QFETCH(int, rivals);
    QTemporaryDir dir;
    const QString folder = dir.path();
    for (int i = 1; i <= 3; ++i)
      make_mp3(folder, QStringLiteral("%1.mp3").arg(i), tagged(QStringLiteral("曲%1").arg(i), "歌手", "アルバム"));
    const QStringList original = snapshot(folder);
    if (rivals) return two_writers_at_once(folder, original, rivals);
    if (touch) {
      // Beside it, a folder whose history cannot be stored: nothing written, and why.
      QTemporaryDir blocked;
      make_mp3(blocked.path(), "1.mp3", tagged("曲1", "歌手", "アルバム"));
      write_file(blocked.path() + "/.tagnarabe-history", "x");
      const QStringList before = snapshot(blocked.path());
      const CliRun refused = run_cli({"write", blocked.path(), "--album", "新しいアルバム"});
      QCOMPARE(refused.status, 1);
      QVERIFY2(refused.err.contains(msg::history_unusable(msg::history_write, blocked.path() + "/.tagnarabe-history")),
               qPrintable(refused.err));
      QCOMPARE(snapshot(blocked.path()), before);
    }
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
    QCOMPARE(history.json()["folder"].toString(), QDir(folder).absolutePath());
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

    const CliRun unknown = run_cli({"undo", folder, "--run", "99"});
    QCOMPARE(unknown.status, 2);
    QCOMPARE(unknown.err.trimmed(), msg::run_unknown_head + "99" + msg::run_unknown_tail);
    if (dry_run) {
      const QStringList before = snapshot(folder);
      const CliRun plan = run_cli({"undo", folder, "--run", oldest, "--dry-run"});
      QCOMPARE(plan.status, touch ? 1 : 0);
      QStringList would;
      for (const QString name : {"1.mp3", "2.mp3", "3.mp3"})
        if (!touch || name != QStringLiteral("2.mp3")) would << name + msg::undo_would_restore_tail;
      QCOMPARE(plan.lines(), would);
      if (touch) QCOMPARE(plan.err.trimmed(), QStringLiteral("02曲2.mp3") + msg::undo_would_refuse_tail);
      QCOMPARE(snapshot(folder), before);
    }
    auto drop_time = [](QStringList l) {
      for (QString& s : l) s = s.section(' ', 0, 2) + ' ' + s.section(' ', 4);
      return l;
    };
    QRandomGenerator rng(26);
    for (int k = 0; k < kills; ++k) {
      // Killed at a random moment, then the next confirmation: the history
      // says what the files are, so undoing its oldest run gives back the
      // originals; undoing that undo makes the three runs' files again.
      QProcess undo;
      undo.start(cli_program(), {"undo", folder, "--run", oldest});
      QVERIFY(undo.waitForStarted());
      QThread::usleep(rng.bounded(60000));
      undo.kill();
      undo.waitForFinished();
      QCOMPARE(run_cli({"list", folder}).status, 0);
      const QJsonArray now = run_cli({"history", folder, "--json"}).json()["runs"].toArray();
      QCOMPARE(run_cli({"undo", folder, "--run", QString::number(now.last()["id"].toInteger())}).status, 0);
      QCOMPARE(mp3_files(snapshot(folder)), mp3_files(original));
      QVERIFY(snapshot(folder + "/.tagnarabe-history").filter(".new").isEmpty());
      QCOMPARE(run_cli({"undo", folder}).status, 0);
      QCOMPARE(QDir(folder).entryList({"*.mp3"}), (QStringList{"01曲1.mp3", "02曲2.mp3", "03曲3.mp3"}));
    }
    if (kills) return;
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
    QCOMPARE(drop_time(now), drop_time(expected));
  }
};

QTEST_GUILESS_MAIN(HistoryCli)
#include "test_history_cli.moc"
