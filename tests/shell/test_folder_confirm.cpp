// Confirming a folder, headless: the question, the count limits, what
// changes and what does not, and the main window's caption.

#include <QtTest>

#include "fake_tag_library.h"
#include "table/folder.h"
#include "shell/folder_confirm.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"

using namespace tn;
using namespace tn::test;

namespace {

struct RecordingShell final : Shell {
  QStringList calls;
  void hide_startup() override { calls << QStringLiteral("hide"); }
  void show_main() override { calls << QStringLiteral("show"); }
  void set_main_caption(const QString& c) override { calls << QStringLiteral("caption ") + c; }
};

struct Rig {
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  FakeTagLibrary tags;
  RecordingShell shell;
  Context cx{state, grid, dialogs, tags};

  // k names, each known to the fake library under folder.
  QStringList listing(const QString& folder, int k) {
    QStringList names;
    for (int i = 1; i <= k; ++i) {
      names << QStringLiteral("曲%1.mp3").arg(i);
      FakeTagLibrary::Entry e;
      e.tag.title = QStringLiteral("題%1").arg(i);
      tags.files.insert((with_trailing_slash(folder) + names.last()).toUtf8(), e);
    }
    return names;
  }
};

}  // namespace

class TestFolderConfirm : public QObject {
  Q_OBJECT

 private slots:
  void file_count_data() {
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("notice");  // empty: accepted
    QTest::addColumn<bool>("asked");      // false: open_folder, as the command line opens
    QTest::newRow("none") << 0 << msg::no_files << true;
    QTest::newRow("one") << 1 << QString() << true;
    QTest::newRow("100") << 100 << QString() << true;
    QTest::newRow("101") << 101 << msg::too_many_files << true;
    QTest::newRow("no question, none") << 0 << msg::no_files << false;
    QTest::newRow("no question, 100") << 100 << QString() << false;
    QTest::newRow("no question, 101") << 101 << msg::too_many_files << false;
  }
  void file_count() {
    QFETCH(int, k);
    QFETCH(QString, notice);
    QFETCH(bool, asked);
    Rig rig;
    if (asked) rig.dialogs.yes();  // unasked, a question would find no answer queued
    const QString folder = QStringLiteral("/music/Best");
    const QStringList listing = rig.listing(folder, k);
    const bool ok = asked ? confirm_folder(rig.cx, rig.shell, folder, QStringLiteral("/"), listing)
                          : open_folder(rig.cx, rig.shell, folder, listing);
    QCOMPARE(rig.dialogs.log.filter(QStringLiteral("ask: ")).size(), asked ? 1 : 0);
    QCOMPARE(ok, notice.isEmpty());
    if (!ok) {
      QCOMPARE(rig.dialogs.notices(), QStringList{notice});
      QCOMPARE(rig.shell.calls, QStringList());
      QCOMPARE(rig.state.file_count, 0);
      QCOMPARE(rig.grid.row_count(), 100);
      return;
    }
    QCOMPARE(rig.dialogs.notices(), QStringList());
    QCOMPARE(rig.state.file_count, k);
    QCOMPARE(rig.grid.row_count(), k);
    QCOMPARE(rig.grid.cell_text(1, k), k < 10 ? QStringLiteral("0%1").arg(k) : QString::number(k));
    QCOMPARE(rig.grid.cell_text(2, k), QStringLiteral("曲%1.mp3").arg(k));
    QCOMPARE(rig.grid.cell_text(3, k), QStringLiteral("題%1").arg(k));
  }

  void folder_naming_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("edit_folder");
    QTest::newRow("sub folder") << "/music/Best" << "/" << "Best" << "/music/Best/";
    QTest::newRow("root") << "/" << "/" << "/" << "/";
    QTest::newRow("named drive root") << "/" << "/  [system]" << "/  [system]" << "/";
    QTest::newRow("japanese") << "/home/ユーザー/夏の歌" << "/" << "夏の歌" << "/home/ユーザー/夏の歌/";
  }
  void folder_naming() {
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QFETCH(QString, name);
    QFETCH(QString, edit_folder);
    Rig rig;
    rig.dialogs.yes();
    QVERIFY(confirm_folder(rig.cx, rig.shell, path, drive, rig.listing(path, 2)));
    QCOMPARE(rig.dialogs.log.value(0),
             QStringLiteral("ask: ") + name + QStringLiteral("　　ﾌｫﾙﾀﾞ内のMP3を編集しますか？"));
    QCOMPARE(rig.state.edit_folder, edit_folder);
    QCOMPARE(rig.shell.calls,
             (QStringList{QStringLiteral("hide"), QStringLiteral("show"),
                          QStringLiteral("caption ") + main_caption(edit_folder)}));
  }

  void caption_text() {
    QCOMPARE(main_caption(QStringLiteral("/music/Best/")),
             QStringLiteral("MP3　エディタ　画面              -現在 /music/Best/ を編集中-"));
  }

  // No changes nothing, also when a table from an earlier folder is shown.
  void answering_no_keeps_earlier_folder() {
    Rig rig;
    rig.dialogs.yes().no();
    QVERIFY(confirm_folder(rig.cx, rig.shell, QStringLiteral("/a"), QStringLiteral("/"),
                           rig.listing(QStringLiteral("/a"), 3)));
    rig.grid.set_col(4);
    rig.grid.set_row(2);
    rig.grid.set_text(QStringLiteral("編集中"));
    rig.shell.calls.clear();
    QVERIFY(!confirm_folder(rig.cx, rig.shell, QStringLiteral("/b"), QStringLiteral("/"),
                            rig.listing(QStringLiteral("/b"), 5)));
    QCOMPARE(rig.state.edit_folder, QStringLiteral("/a/"));
    QCOMPARE(rig.state.file_count, 3);
    QCOMPARE(rig.state.file(2), QStringLiteral("曲3.mp3"));
    QCOMPARE(rig.grid.row_count(), 3);
    QCOMPARE(rig.grid.cell_text(4, 2), QStringLiteral("編集中"));
    QCOMPARE(rig.shell.calls, QStringList());
  }
};

QTEST_MAIN(TestFolderConfirm)
#include "test_folder_confirm.moc"
