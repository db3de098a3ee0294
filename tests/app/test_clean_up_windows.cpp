// The clean-up through the main window, offscreen: a folder confirmed on the
// start-up form, the repaired title and the legacy album told in their
// tooltips, the three menu items, then the usual write and rename.

#include <QAccessible>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>
#include <QtTest>

#include "app/form1.h"
#include "app/form2.h"
#include "app/messages.h"
#include "app_fixture.h"
#include "clean_up/messages.h"
#include "rename/messages.h"
#include "table/track_state.h"
#include "tags/messages.h"

using namespace tn;
using namespace tn::test;

class CleanUpWindows : public QObject {
  Q_OBJECT

 private slots:
  void through_the_windows() {
    QTemporaryDir dir;
    Mp3Spec moji, wide;
    moji.v2 = text_tag(3, Enc::utf16, QStringLiteral("ƒ|ƒbƒvƒX"), "歌手", "", 256);
    moji.v2->frames.push_back({"TALB", raw_text_body(sjis("盤"))});
    wide.v2 = text_tag(3, Enc::utf16, QStringLiteral("ＬＯＶＥ　ﾊﾟﾜｰ"), "歌手", "盤", 256);
    make_mp3(dir.path(), "1 pops.mp3", moji);
    make_mp3(dir.path(), "2 Why?.mp3", wide);
    Mp3Spec tag_alone;
    tag_alone.v2 = text_tag(3, Enc::utf16, QStringLiteral("曲"), "歌手", "盤", 256);
    tag_alone.audio_frames = 0;
    make_mp3(dir.path(), "3 tag alone.mp3", tag_alone);
    std::unique_ptr<TagLibrary> tags = make_taglib_library();
    SwitchDialogs dialogs;
    TrackState state;
    Form1 form1{state, dialogs, *tags};
    Form2 form2{form1, dir.path()};
    form1.set_startup_form(&form2);
    form1.set_end_program([] {});
    form2.set_end_program([] {});
    form2.set_folder(dir.path());
    dialogs.reset().yes();
    form2.cmd_set_click();
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));

    // Repaired on reading: the edited colour, told in the tooltip.
    QtGrid& g = form1.grid();
    QCOMPARE(g.cell_text(3, 1), QStringLiteral("ポップス"));
    QCOMPARE(g.cell_colour(3, 1), k_edited);
    QTableWidget* t = form1.ss1();
    const auto tooltip_is = [&](int col, const QString& expected) {
      const QPoint at = t->visualRect(t->model()->index(0, col - 1)).center();
      QHelpEvent help(QEvent::ToolTip, at, t->viewport()->mapToGlobal(at));
      QApplication::sendEvent(t->viewport(), &help);
      QTRY_VERIFY(QToolTip::isVisible());
      QCOMPARE(QToolTip::text(), expected);
      QToolTip::hideText();
    };
    tooltip_is(3, cell_state::repaired);
    // Held in Shift-JIS: shown as it is, marked until written.
    QCOMPARE(g.cell_text(4, 1), QStringLiteral("盤"));
    QCOMPARE(g.cell_colour(4, 1), k_edited);
    tooltip_is(4, cell_state::legacy);
    // A tag with no audio after it reads; its name tells so.
    QCOMPARE(g.cell_text(3, 3), QStringLiteral("曲"));
    QCOMPARE(g.cell_colour(2, 3), k_white);
    QCOMPARE(t->item(2, 1)->data(Qt::AccessibleDescriptionRole).toString(), cell_state::no_audio);

    const auto trigger = [&](const char* item) {
      QAction* a = form1.menuBar()->findChild<QAction*>(item);
      QVERIFY2(a, item);
      a->trigger();
    };
    dialogs.reset();
    trigger("mnu_even_widths");
    QCOMPARE(g.cell_text(3, 2), QStringLiteral("LOVE パワー"));
    QCOMPARE(g.cell_colour(3, 2), k_edited);
    trigger("mnu_portable_names");
    QCOMPARE(g.cell_text(2, 2), QStringLiteral("2 Why？.mp3"));
    QCOMPARE(g.cell_colour(2, 2), k_edited);
    QVERIFY(dialogs.script().log.isEmpty());  // table edits ask nothing

    dialogs.reset().yes();
    trigger("mnu_track_numbers");
    QCOMPARE(dialogs.script().notices(), QStringList{msg::track_numbers_done});
    QCOMPARE(dump_tags(dir.filePath("1 pops.mp3")).v2_texts.value("TRCK"), QStringList{"1/3"});

    dialogs.reset().yes();
    QTest::mouseClick(form1.findChild<QPushButton*>("cmd_write_all"), Qt::LeftButton);
    QCOMPARE(dialogs.script().notices(), QStringList{msg::write_all_done});
    QCOMPARE(g.cell_colour(3, 1), k_white);
    QCOMPARE(g.cell_colour(4, 1), k_white);
    QCOMPARE(t->item(0, 2)->data(Qt::AccessibleDescriptionRole).toString(), QString());
    dialogs.reset().yes();
    QTest::mouseClick(form1.findChild<QPushButton*>("cmd_re_name"), Qt::LeftButton);
    QCOMPARE(dialogs.script().notices(), QStringList{msg::rename_done});

    const TagDump one = dump_tags(dir.filePath("1 pops.mp3"));
    const TagDump two = dump_tags(dir.filePath("2 Why？.mp3"));
    QCOMPARE(one.title, QStringLiteral("ポップス"));
    QCOMPARE(two.title, QStringLiteral("LOVE パワー"));
    QCOMPARE(two.v2_texts.value("TRCK"), QStringList{"2/3"});
    // Read again after the rename: what the files hold, nothing marked.
    QCOMPARE(g.cell_text(3, 1), QStringLiteral("ポップス"));
    QCOMPARE(g.cell_colour(3, 1), k_white);
    QCOMPARE(g.cell_colour(2, 2), k_white);
  }
};

QTEST_MAIN(CleanUpWindows)
#include "test_clean_up_windows.moc"
