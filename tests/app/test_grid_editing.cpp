// The track table edits like a spreadsheet, driven through the real widgets
// with the mouse and the keys: header sorting of the view, typing into a
// selection, the clipboard in blocks, Delete, Ctrl+Z and its redo, and the
// right-click menu.

#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QtTest>

#include "app/form1.h"
#include "app/form2.h"
#include "app/grid_editing.h"
#include "app_fixture.h"
#include "table/track_state.h"

using namespace tn;
using namespace tn::test;

namespace {

// The main window over three real files: titles 曲その01.., album
// 夏のアルバム, artists 歌手01..
struct Window : ConfirmedWindows {
  Window() {
    confirm();
    form1.show();
    form1.activateWindow();
  }
  QTableWidget* t() const { return form1.ss1(); }

  void click(const QString& where, Qt::KeyboardModifiers mods, Qt::MouseButton button = Qt::LeftButton) {
    const QStringList at = where.split(QLatin1Char(','));
    const QModelIndex i = t()->model()->index(at[1].toInt() - 1, at[0].toInt() - 1);
    const QPoint pos = t()->visualRect(i).center();
    QTest::mouseClick(t()->viewport(), button, mods, pos);
    // The menu event the window system sends after a right-click, which
    // QTest's click alone does not.
    QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, t()->viewport()->mapToGlobal(pos), mods);
    if (button == Qt::RightButton) QApplication::sendEvent(t()->viewport(), &menu);
  }
  static QMenu* popup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
  // Clicks the item of the open menu whose text begins with text.
  void pick(const QString& text) {
    QMenu* m = popup();
    QVERIFY(m);
    for (QAction* a : m->actions())
      if (!a->isSeparator() && a->text().startsWith(text))
        return QTest::mouseClick(m, Qt::LeftButton, Qt::NoModifier, m->actionGeometry(a).center());
    QFAIL(qPrintable("no item " + text));
  }
  void click_header(int col) {
    QHeaderView* h = t()->horizontalHeader();
    const QPoint at(h->sectionViewportPosition(col - 1) + h->sectionSize(col - 1) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  // Types into the current cell as a user does: a key opens its editor, the
  // text comes as an input method commits it; Enter unless left open.
  void type(const QString& text, bool enter) {
    QTest::keyClick(t(), Qt::Key_W);
    auto* editor = t()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    editor->insert(text);
    if (!enter) return;
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!t()->indexWidget(t()->currentIndex()));
  }
  void step(const QString& s) {
    const QString verb = s.section(QLatin1Char(' '), 0, 0);
    const QString arg = s.section(QLatin1Char(' '), 1);
    if (verb == QLatin1String("click")) click(arg, Qt::NoModifier);
    if (verb == QLatin1String("shift")) click(arg, Qt::ShiftModifier);
    if (verb == QLatin1String("right")) click(arg, Qt::NoModifier, Qt::RightButton);
    if (verb == QLatin1String("pick")) pick(arg);
    if (verb == QLatin1String("header")) click_header(arg.toInt());
    if (verb == QLatin1String("type")) type(arg, true);
    if (verb == QLatin1String("open")) type(arg, false);
    if (verb == QLatin1String("key")) QTest::keySequence(QApplication::focusWidget(), QKeySequence(arg));
    if (verb == QLatin1String("clip")) QGuiApplication::clipboard()->setText(arg);
    if (verb == QLatin1String("yes")) dialogs.reset().yes();
    if (verb == QLatin1String("hide")) t()->setColumnHidden(arg.toInt() - 1, true);
    if (verb == QLatin1String("item")) form1.menuBar()->findChild<QAction*>(arg)->trigger();
  }
  // What a check names: "col C" the texts of column C by row number, "marks
  // C" E for each cell marked edited, "view" the rows as they show,
  // "sorted" the column of the sort indicator, "clip" the clipboard, "menu"
  // the open menu's enabled items.
  QString seen(const QString& what) {
    QStringList out;
    const int c = what.section(QLatin1Char(' '), 1).toInt();
    for (int r = 1; r <= 3; ++r) {
      if (what.startsWith(QLatin1String("col"))) out << form1.grid().cell_text(c, r);
      if (what.startsWith(QLatin1String("marks")))
        out << (form1.grid().cell_mark(c, r) == CellMark::edited ? QStringLiteral("E") : QStringLiteral("."));
      if (what == QLatin1String("view")) out << QString::number(t()->verticalHeader()->logicalIndex(r - 1) + 1);
    }
    if (what == QLatin1String("sorted"))
      return QString::number(t()->horizontalHeader()->isSortIndicatorShown()
                                 ? t()->horizontalHeader()->sortIndicatorSection() + 1
                                 : 0);
    if (what == QLatin1String("clip")) return QGuiApplication::clipboard()->text();
    if (what == QLatin1String("menu") && popup())
      for (QAction* a : popup()->actions())
        if (a->isEnabled() && !a->isSeparator()) out << a->text().section(QLatin1Char('('), 0, 0);
    return out.join(what.startsWith(QLatin1String("marks")) ? QString() : QStringLiteral("|"));
  }
};

}  // namespace

class GridEditingTest : public QObject {
  Q_OBJECT

 private slots:
  void spreadsheet_keys_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("checks");  // "what=expected"
    const QStringList three_titles{"click 3,1", "type Track10", "click 3,2", "type track2",
                                   "click 3,3", "type いぬ"};
    QTest::newRow("typing fills the selection")
        << QStringList{"click 3,1", "shift 4,2", "type 冬"}
        << QStringList{"col 3=冬|冬|曲その03", "col 4=冬|冬|夏のアルバム", "marks 4=EE."};
    QTest::newRow("Delete clears the selection")
        << QStringList{"click 3,2", "shift 5,3", "key Del"}
        << QStringList{"col 3=曲その01||", "col 5=歌手01||", "marks 4=.EE"};
    QTest::newRow("Ctrl+Z takes a block back as one step")
        << QStringList{"click 4,1", "shift 4,3", "type 冬", "click 3,2", "type 春", "key Ctrl+Z"}
        << QStringList{"col 3=曲その01|曲その02|曲その03", "col 4=冬|冬|冬", "marks 3=..."};
    QTest::newRow("Ctrl+Z twice: as read")
        << QStringList{"click 4,1", "shift 4,3", "type 冬", "click 3,2", "type 春", "key Ctrl+Z", "key Ctrl+Z"}
        << QStringList{"col 4=夏のアルバム|夏のアルバム|夏のアルバム", "marks 4=..."};
    QTest::newRow("Ctrl+Y puts a block back")
        << QStringList{"click 4,1", "shift 4,3", "type 冬", "key Ctrl+Z", "key Ctrl+Y"}
        << QStringList{"col 4=冬|冬|冬", "marks 4=EEE"};
    QTest::newRow("Ctrl+Shift+Z after two undos: one step")
        << QStringList{"click 4,1", "shift 4,3", "type 冬", "click 3,2", "type 春", "key Ctrl+Z", "key Ctrl+Z",
                       "key Ctrl+Shift+Z", "key Ctrl+Y", "key Ctrl+Y"}
        << QStringList{"col 3=曲その01|春|曲その03", "col 4=冬|冬|冬", "marks 3=.E."};
    QTest::newRow("a new edit: nothing left to redo")
        << QStringList{"click 4,1", "type 冬", "key Ctrl+Z", "click 3,1", "type 春", "key Ctrl+Y", "key Ctrl+Z"}
        << QStringList{"col 3=曲その01|曲その02|曲その03", "col 4=夏のアルバム|夏のアルバム|夏のアルバム"};
    QTest::newRow("right-click: what applies")
        << QStringList{"clip x", "click 3,1", "right 3,1"} << QStringList{"menu=コピー|貼り付け|削除"};
    QTest::newRow("right-click after an undo, the clipboard empty")
        << QStringList{"clip ", "click 4,1", "type 冬", "key Ctrl+Z", "right 4,1"}
        << QStringList{"menu=コピー|削除|やり直し"};
    QTest::newRow("the menu's 削除 clears the selection it was opened on")
        << QStringList{"click 3,2", "shift 5,3", "right 4,3", "pick 削除"}
        << QStringList{"col 3=曲その01||", "col 5=歌手01||", "marks 4=.EE"};
    QTest::newRow("the menu's コピー, 貼り付け, 元に戻す and やり直し")
        << QStringList{"click 3,1", "shift 3,2", "right 3,1", "pick コピー", "click 5,2", "right 5,2",
                       "pick 貼り付け", "right 5,2", "pick 元に戻す", "right 5,2", "pick やり直し"}
        << QStringList{"col 5=歌手01|曲その01|曲その02", "marks 5=.EE"};
    // The よみがな submenu's script and replace choices (col 13: the titles'
    // readings; a reading the same as its title is not put).
    const auto titles = [](const QString& text) { return QStringList{"click 3,1", "shift 3,3", "type " + text}; };
    QTest::newRow("よみがな in katakana")
        << titles("よるしか") + QStringList{"item mnu_readings_katakana"}
        << QStringList{"col 13=ヨルシカ|ヨルシカ|ヨルシカ", "marks 13=EEE"};
    QTest::newRow("よみがな kept where there are some")
        << titles("ヨルシカ") + QStringList{"item mnu_readings"} + titles("よるしか") +
               QStringList{"item mnu_readings_katakana"}
        << QStringList{"col 13=よるしか|よるしか|よるしか"};
    QTest::newRow("よみがな replaced in katakana")
        << titles("ヨルシカ") + QStringList{"item mnu_readings"} + titles("よるしか") +
               QStringList{"item mnu_readings_katakana_replace"}
        << QStringList{"col 13=ヨルシカ|ヨルシカ|ヨルシカ"};
    QTest::newRow("よみがな replaced in hiragana")
        << titles("よるしか") + QStringList{"item mnu_readings_katakana"} + titles("ヨルシカ") +
               QStringList{"item mnu_readings_replace"}
        << QStringList{"col 13=よるしか|よるしか|よるしか"};
    QTest::newRow("Ctrl+C copies the block")
        << QStringList{"click 3,1", "shift 4,2", "key Ctrl+C"}
        << QStringList{"clip=曲その01\t夏のアルバム\n曲その02\t夏のアルバム"};
    QTest::newRow("Ctrl+V pastes at the current cell, rows past the end dropped")
        << QStringList{"clip 春\t秋\r\n冬\t夏\r\n余り\r\n", "click 4,2", "key Ctrl+V"}
        << QStringList{"col 4=夏のアルバム|春|冬", "col 5=歌手01|秋|夏", "marks 5=.EE"};
    QTest::newRow("one value pasted fills the selection")
        << QStringList{"clip 冬\n", "click 4,1", "shift 4,3", "key Ctrl+V"}
        << QStringList{"col 4=冬|冬|冬", "marks 4=EEE"};
    QTest::newRow("copy and paste, then undo")
        << QStringList{"click 3,1", "shift 3,3", "key Ctrl+C", "click 5,1", "key Ctrl+V", "key Ctrl+Z"}
        << QStringList{"col 5=歌手01|歌手02|歌手03", "marks 5=..."};
    QTest::newRow("a header click sorts the view only")
        << three_titles + QStringList{"header 3"}
        << QStringList{"view=2|1|3", "sorted=3", "col 1=01|02|03", "col 2=Track1.mp3|Track2.mp3|Track3.mp3"};
    QTest::newRow("a second click: the rows' own order")
        << three_titles + QStringList{"header 3", "header 3"} << QStringList{"view=1|2|3", "sorted=0"};
    QTest::newRow("曲順 sorts by number: the own order")
        << three_titles + QStringList{"header 3", "header 1"} << QStringList{"view=1|2|3", "sorted=1"};
    QTest::newRow("pasted down the sorted view")
        << three_titles + QStringList{"header 3", "clip x\ny\nz", "click 4,2", "key Ctrl+V"}
        << QStringList{"col 4=y|x|z"};
    QTest::newRow("pasted across the shown columns only")
        << QStringList{"hide 4", "clip a\tb", "click 3,1", "key Ctrl+V"}
        << QStringList{"col 3=a|曲その02|曲その03", "col 4=夏のアルバム|夏のアルバム|夏のアルバム",
                       "col 5=b|歌手02|歌手03"};
    QTest::newRow("sorted again once a command changed the column")
        << three_titles + QStringList{"header 3", "yes", "key F5"} << QStringList{"view=1|2|3", "sorted=3"};
    QTest::newRow("F5 reloads after its question; nothing left to undo")
        << QStringList{"click 4,1", "type 冬", "yes", "key F5", "key Ctrl+Z"}
        << QStringList{"col 4=夏のアルバム|夏のアルバム|夏のアルバム", "marks 4=..."};
    QTest::newRow("Ctrl+S writes what the open editor holds")
        << QStringList{"click 4,1", "open 冬", "yes", "key Ctrl+S"}
        << QStringList{"col 4=冬|夏のアルバム|夏のアルバム", "marks 4=..."};
  }
  void spreadsheet_keys() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, checks);
    Window w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form1));
    for (const QString& s : steps) {
      w.step(s);
      if (QTest::currentTestFailed()) return;
    }
    QCoreApplication::processEvents();  // what waits for a command's end
    for (const QString& c : checks) QCOMPARE(w.seen(c.section(QLatin1Char('='), 0, 0)), c.section(QLatin1Char('='), 1));
  }
};

QTEST_MAIN(GridEditingTest)
#include "test_grid_editing.moc"
