// The start-up form: its lists follow the chosen drive and folder, and
// confirming a folder of real MP3 files fills the main window.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QtTest>

#include "app/form1.h"
#include "app/form2.h"
#include "app_fixture.h"
#include "table/folder.h"
#include "shell/folder_confirm.h"
#include "table/track_state.h"

using namespace tn;
using namespace tn::test;

namespace {

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

struct Rig {
  explicit Rig(int n) {
    lib.write_tracks(dir.path(), n);
    form2 = std::make_unique<Form2>(form1, dir.path());
    form1.set_startup_form(form2.get());
    form2->set_end_program([this] { ++ended; });
    form1.set_end_program([this] { ++ended; });
  }
  QTemporaryDir dir;
  Library lib;
  SwitchDialogs dialogs;
  TrackState state;
  Form1 form1{state, dialogs, lib.get()};
  std::unique_ptr<Form2> form2;
  int ended = 0;

  QStringList file1() const {
    QStringList out;
    auto* list = form2->findChild<QListWidget*>("File1");
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  void click(const char* name) {
    QTest::mouseClick(form2->findChild<QPushButton*>(name), Qt::LeftButton);
  }
};

}  // namespace

class TestForm2 : public QObject {
  Q_OBJECT

 private slots:
  void load_points_at_start_folder() {
    Rig rig(12);
    rig.form2->show();
    QCOMPARE(rig.form2->windowTitle(), QStringLiteral("MP3フォルダ指定画面"));
    QCOMPARE(rig.form2->folder(), canonical(rig.dir.path()));
    QCOMPARE(rig.form2->findChild<QLineEdit*>("txt_folder")->text(), rig.form2->folder());
    auto* dir1 = rig.form2->findChild<QTreeWidget*>("Dir1");
    QCOMPARE(dir1->currentItem()->text(0), QFileInfo(rig.form2->folder()).fileName());
    // Natural order: Track2 before Track10.
    QStringList expected;
    for (int i = 1; i <= 12; ++i) expected << track(i).name;
    QCOMPARE(rig.file1(), expected);
    auto* drive1 = rig.form2->findChild<QComboBox*>("Drive1");
    QCOMPARE(drive1->itemData(0).toString(), QStringLiteral("/"));
    auto* name = rig.form2->findChild<QLabel*>("lbl_name");
    QCOMPARE(name->text(), QStringLiteral("タグならべ"));
    QVERIFY(name->font().family().contains(QStringLiteral("Mincho")) ||
            name->font().family().contains(QStringLiteral("明朝")));
    QVERIFY(!rig.form1.isVisible());
  }

  void typed_path_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("moves");
    QTest::newRow("sub folder") << "sub" << true;
    QTest::newRow("hidden folder") << ".hidden" << true;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("a file") << "Track1.mp3" << false;
  }
  void typed_path() {
    QFETCH(QString, typed);
    QFETCH(bool, moves);
    Rig rig(2);
    QDir(rig.dir.path()).mkdir(QStringLiteral("sub"));
    QDir(rig.dir.path()).mkdir(QStringLiteral(".hidden"));
    rig.lib.write_tracks(rig.dir.path() + QStringLiteral("/sub"), 1);
    rig.lib.write_tracks(rig.dir.path() + QStringLiteral("/.hidden"), 3);
    const QString start = rig.form2->folder();
    auto* edit = rig.form2->findChild<QLineEdit*>("txt_folder");
    edit->setText(rig.dir.path() + QLatin1Char('/') + typed);
    emit edit->editingFinished();
    const QString now = moves ? canonical(rig.dir.path() + QLatin1Char('/') + typed) : start;
    QCOMPARE(rig.form2->folder(), now);
    QCOMPARE(edit->text(), now);
    QCOMPARE(rig.file1(), list_mp3_files(now));
  }

  void drive_change_shows_its_root() {
    Rig rig(1);
    QVERIFY(rig.form2->set_drive(QStringLiteral("/")));
    QCOMPARE(rig.form2->folder(), QStringLiteral("/"));
    QCOMPARE(rig.file1(), list_mp3_files(QStringLiteral("/")));
  }

  void confirming_fills_the_main_window() {
    Rig rig(4);
    rig.form2->show();
    rig.dialogs.reset().yes();
    rig.click("cmd_set");
    const QString folder = canonical(rig.dir.path());
    QCOMPARE(rig.dialogs.script().log.value(0),
             QStringLiteral("ask: ") + QFileInfo(folder).fileName() + msg::confirm_folder_tail);
    QCOMPARE(rig.dialogs.script().notices(), QStringList());
    QVERIFY(!rig.form2->isVisible());
    QVERIFY(rig.form1.isVisible());
    QCOMPARE(rig.form1.windowTitle(), main_caption(folder + QLatin1Char('/')));
    QCOMPARE(rig.state.edit_folder, folder + QLatin1Char('/'));
    Grid& g = rig.form1.grid();
    QCOMPARE(g.row_count(), 4);
    for (int r = 1; r <= 4; ++r) {
      const Track t = track(r);
      QCOMPARE(g.cell_text(1, r), QStringLiteral("0") + QString::number(r));
      QCOMPARE(g.cell_text(2, r), t.name);
      QCOMPARE(g.cell_text(3, r), t.title);
      QCOMPARE(g.cell_text(4, r), t.album);
      QCOMPARE(g.cell_text(5, r), t.artist);
      for (int c = 1; c <= 5; ++c) QCOMPARE(g.cell_colour(c, r), k_white);
    }
  }

  void files_added_after_choosing_are_counted() {
    Rig rig(2);
    rig.lib.write_tracks(rig.dir.path(), 3);  // Track3 appears after the listing
    rig.dialogs.reset().yes();
    rig.click("cmd_set");
    QCOMPARE(rig.state.file_count, 3);
  }

  void answering_no_keeps_the_form() {
    Rig rig(3);
    rig.form2->show();
    rig.dialogs.reset().no();
    rig.click("cmd_set");
    QVERIFY(rig.form2->isVisible());
    QVERIFY(!rig.form1.isVisible());
    QCOMPARE(rig.state.file_count, 0);
    QCOMPARE(rig.form1.grid().row_count(), 100);
  }

  void empty_folder_is_refused() {
    Rig rig(0);
    rig.form2->show();
    rig.dialogs.reset().yes();
    rig.click("cmd_set");
    QCOMPARE(rig.dialogs.script().notices(), QStringList{msg::no_files});
    QVERIFY(rig.form2->isVisible());
    QVERIFY(!rig.form1.isVisible());
  }

  // Confirmed folders are offered next time, newest first; the form still
  // starts at its start folder, and picking one points the lists there.
  void recent_folders_offered() {
    QTemporaryDir keep;
    QSettings settings(keep.filePath(QStringLiteral("recent.conf")), QSettings::IniFormat);
    Rig rig(2);
    QTemporaryDir other;
    rig.lib.write_tracks(other.path(), 3);
    rig.form2->set_recent_folders(RecentFolders(&settings));
    QCOMPARE(rig.form2->offered_folders(), QStringList());
    rig.dialogs.reset().yes();
    rig.click("cmd_set");
    rig.form2->set_folder(other.path());
    rig.dialogs.reset().no();  // asked, not confirmed: not remembered
    rig.click("cmd_set");
    QCOMPARE(rig.form2->offered_folders(), QStringList{canonical(rig.dir.path())});
    rig.dialogs.reset().yes();
    rig.click("cmd_set");
    QCOMPARE(rig.form2->offered_folders(),
             (QStringList{canonical(other.path()), canonical(rig.dir.path())}));

    Form2 next(rig.form1, rig.dir.path());
    next.set_recent_folders(RecentFolders(&settings));
    QCOMPARE(next.folder(), canonical(rig.dir.path()));
    auto* recent = next.findChild<QComboBox*>("cmb_recent");
    QCOMPARE(recent->count(), 2);
    QCOMPARE(recent->currentIndex(), -1);
    emit recent->activated(0);
    QCOMPARE(next.folder(), canonical(other.path()));
    QCOMPARE(next.files().size(), 3);
  }

  void end_button_ends_without_question() {
    Rig rig(1);
    rig.form2->show();
    rig.dialogs.reset();
    rig.click("cmd_end");
    QCOMPARE(rig.ended, 1);
    QCOMPARE(rig.dialogs.script().log, QStringList());
  }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
