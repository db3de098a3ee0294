// The main window: layout, menu bar, routing of every button and menu item,
// and the shell's own commands (re-select, exit, close).

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QAccessible>
#include <QMimeData>
#include <QProcess>
#include <QToolTip>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QHeaderView>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QThread>
#include <QtTest>
#include <memory>

#include "app/form1.h"
#include "app/form2.h"
#include "app/form4.h"
#include "app/messages.h"
#include "app/qt_progress.h"
#include "app_fixture.h"
#include "edit/edit_commands.h"
#include "edit/messages.h"
#include "rename/messages.h"
#include "table/cell_marks.h"
#include "table/messages.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/tag_writers.h"
#include "tags/messages.h"

using namespace tn;
using namespace tn::test;

namespace {

// A main window over a confirmed folder of n real MP3 files.
constexpr QSize k_design{916, 530};

struct Rig : ConfirmedWindows {
  explicit Rig(int n = 3, bool fake = false) : ConfirmedWindows(n, fake) {
    form1.set_end_program([this] { ++ended; });
    form2.set_end_program([this] { ++ended; });
    confirm();
  }
  int ended = 0;

  QScrollArea* scroll() const { return form1.findChild<QScrollArea*>(); }
  QWidget* client() const { return scroll()->widget(); }
  // Shown with a client area of the given size.
  void show_at(const QSize& client_size) {
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.resize(client_size.width(), client_size.height() + form1.menuBar()->height());
    QTRY_COMPARE(scroll()->size(), client_size);
  }
  // Every control, and every column of the table, can be scrolled into the
  // window's view.
  bool all_reachable() {
    QWidget* view = scroll()->viewport();
    QList<std::pair<QWidget*, QRect>> targets;
    for (QWidget* w : client()->findChildren<QWidget*>())
      if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) targets.append({w, w->rect()});
    QTableWidget* t = form1.ss1();
    for (int c = 0; c < 5; ++c) {
      QHeaderView* h = t->horizontalHeader();
      targets.append({h, QRect(h->sectionViewportPosition(c), 0, h->sectionSize(c), h->height())});
    }
    for (auto [w, r] : targets) {
      const QRect in_client(w->mapTo(client(), r.topLeft()), r.size());
      scroll()->ensureVisible(in_client.center().x(), in_client.center().y(), r.width() / 2 + 1,
                              r.height() / 2 + 1);
      const QRect in_view(w->mapTo(view, r.topLeft()), r.size());
      if (!view->rect().contains(in_view)) {
        qWarning() << "out of reach:" << w->objectName() << in_view << view->rect();
        return false;
      }
      const QRect in_window(view->mapTo(&form1, in_view.topLeft()), r.size());
      if (!form1.rect().contains(in_window)) return false;
    }
    return true;
  }

  // Everything a command could change: cells, colours, file list, window.
  QStringList snapshot() const {
    QStringList out;
    const Grid& g = const_cast<Form1&>(form1).grid();
    out << QString::number(g.row_count());
    for (int r = 1; r <= g.row_count(); ++r)
      for (int c = 1; c <= 5; ++c)
        out << g.cell_text(c, r) + QLatin1Char('#') + QString::number(g.cell_colour(c, r));
    for (int i = 0; i < k_max_files; ++i) out << state.file(i);
    out << state.edit_folder << QString::number(state.file_count) << form1.windowTitle()
        << QString::number(form1.isVisible()) << QString::number(form2.isVisible());
    return out;
  }
};

// The design layout, as drawn: the window grown or shrunk moves none of it.
// Tab follows it: the table, then group by group from the left, each top to
// bottom, a text box right before its own button.
struct ControlRow {
  const char* name;
  const char* container;  // "client": the window's client area
  const char* caption;    // nullptr: none
  QRect geometry;
  int tab;
};

const ControlRow k_layout[] = {
    {"SS1", "client", nullptr, {8, 160, 903, 345}, 0},
    {"grp_file_name", "client", "ファイル名変更メニュー", {30, 7, 166, 148}, 1},
    {"cmd_kyokuname", "grp_file_name", "「曲名」を入力", {16, 16, 129, 22}, 2},
    {"cmd_kyokuzyunname", "grp_file_name", "「曲順」を入力", {16, 42, 129, 22}, 3},
    {"cmd_w_name", "grp_file_name", "「曲順」+「曲名」を入力", {16, 67, 129, 22}, 4},
    {"cmd_modosu", "grp_file_name", "元に戻す", {17, 93, 129, 22}, 5},
    {"cmd_re_name", "grp_file_name", "ﾌｧｲﾙ名変更", {16, 118, 129, 22}, 6},
    {"grp_tag_input", "client", "TAG情報入力メニュー", {216, 6, 362, 149}, 7},
    {"grp_title", "grp_tag_input", "曲名入力", {8, 14, 171, 65}, 8},
    {"cmd_fname", "grp_title", "「ﾌｧｲﾙ名」を入力", {8, 15, 140, 20}, 9},
    {"cmd_zyun_fname", "grp_title", "「曲順」+「ﾌｧｲﾙ名」を入力", {9, 39, 140, 20}, 10},
    {"grp_album", "grp_tag_input", "アルバム名入力", {7, 80, 171, 65}, 11},
    {"txt_all_al", "grp_album", nullptr, {11, 14, 150, 20}, 12},
    {"cmd_all_al", "grp_album", "ｱﾙﾊﾞﾑ名全入力", {32, 39, 107, 19}, 13},
    {"grp_artist", "grp_tag_input", "アーティスト名入力", {181, 80, 171, 65}, 14},
    {"txt_all_art", "grp_artist", nullptr, {9, 15, 150, 20}, 15},
    {"cmd_all_art", "grp_artist", "ｱｰﾃｨｽﾄ名全入力", {32, 40, 107, 19}, 16},
    {"cmd_excel", "grp_tag_input", "EXCELﾌｧｲﾙより読込", {208, 24, 126, 22}, 17},
    {"cmd_modosu2", "grp_tag_input", "元に戻す", {208, 49, 126, 22}, 18},
    {"grp_tag_write", "client", "TAG情報書込メニュー", {599, 6, 154, 150}, 19},
    {"cmd_write_all", "grp_tag_write", "全て書込", {13, 19, 124, 29}, 20},
    {"grp_single", "grp_tag_write", "個別書込", {8, 54, 137, 92}, 21},
    {"cmd_write_kyokumei", "grp_single", "曲名のみ書込", {5, 20, 124, 18}, 22},
    {"cmd_write_alubum", "grp_single", "ｱﾙﾊﾞﾑ名のみ書込", {5, 43, 124, 18}, 23},
    {"cmd_write_artname", "grp_single", "ｱｰﾃｨｽﾄ名のみ書込", {5, 65, 124, 18}, 24},
    {"cmd_dir", "client", "編集ﾌｫﾙﾀﾞ再設定", {762, 16, 140, 24}, 25},
    {"cmd_cls", "client", "全ﾌｧｲﾙ再読込", {762, 48, 141, 24}, 26},
    {"cmd_allwrite", "client", "ﾌｧｲﾙ名変更+TAG書込", {762, 82, 141, 24}, 27},
    {"cmd_end", "client", "終了", {762, 118, 142, 24}, 28},
};

bool is_group(const ControlRow& r) { return qstrncmp(r.name, "grp_", 4) == 0; }

// Types text into a cell of the track table as a user does: the cell's
// editor, the keys, Enter.
void type_into(QTableWidget* t, int col, int row, const QString& text) {
  const QModelIndex at = t->model()->index(row - 1, col - 1);
  t->setCurrentIndex(at);
  t->edit(at);
  auto* editor = t->viewport()->findChild<QLineEdit*>();
  QVERIFY(editor);
  editor->selectAll();
  editor->insert(text);  // as an input method commits it
  QTest::keyClick(editor, Qt::Key_Return);
  QTRY_COMPARE(t->item(row - 1, col - 1)->text(), text);  // committed once the editor closes
}

// The focusable controls in the order Tab visits them, from SS1 on.
QStringList focus_chain(QWidget* start) {
  QStringList names;
  QWidget* w = start;
  do {
    if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty() &&
        !names.contains(w->objectName()))
      names << w->objectName();
    w = w->nextInFocusChain();
  } while (w != start);
  return names;
}

// The menu bar as indented lines; "-" is a separator.
void flatten(const QList<QAction*>& actions, const QString& indent, QStringList& out) {
  for (QAction* a : actions) {
    if (a->isSeparator()) {
      out << indent + QLatin1Char('-');
      continue;
    }
    out << indent + a->text();
    if (a->menu()) flatten(a->menu()->actions(), indent + QStringLiteral("  "), out);
  }
}

QList<QAction*> command_actions(QMenuBar* bar) {
  QList<QAction*> out;
  for (QAction* a : bar->findChildren<QAction*>())
    if (!a->isSeparator() && !a->menu() && !a->objectName().isEmpty() && !a->isCheckable()) out << a;
  return out;
}

}  // namespace

class TestForm1 : public QObject {
  Q_OBJECT

 private slots:
  // Each test starts with the columns of a first session.
  void init() { QSettings(QStringLiteral("tagnarabe"), QStringLiteral("tagnarabe")).remove(QStringLiteral("shown_fields")); }

  void layout_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(k_layout)); ++i) QTest::newRow(k_layout[i].name) << i;
  }
  void layout() {
    QFETCH(int, row);
    const ControlRow& c = k_layout[row];
    Rig rig;
    rig.show_at(k_design);
    auto* w = rig.form1.findChild<QWidget*>(QLatin1String(c.name));
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), QLatin1String(c.container));
    QCOMPARE(w->geometry(), c.geometry);
    QVERIFY(w->isVisible());
    QVERIFY(w->isEnabled());
    if (auto* g = qobject_cast<QGroupBox*>(w)) QCOMPARE(g->title(), QString::fromUtf8(c.caption));
    if (auto* b = qobject_cast<QPushButton*>(w)) {
      QCOMPARE(b->text(), QString::fromUtf8(c.caption));
      QVERIFY2(b->sizeHint().width() <= b->width(), "the caption is cut");
    }
    if (auto* t = qobject_cast<QLineEdit*>(w)) QCOMPARE(t->text(), QString());

    // The control's place among the focusable controls follows its tab number.
    QStringList expected;
    QList<const ControlRow*> focusable;
    for (const ControlRow& r : k_layout)
      if (!is_group(r)) focusable << &r;
    std::sort(focusable.begin(), focusable.end(),
              [](auto* a, auto* b) { return a->tab < b->tab; });
    for (auto* r : focusable) expected << QLatin1String(r->name);
    QStringList chain = focus_chain(rig.form1.ss1());
    chain.erase(std::remove_if(chain.begin(), chain.end(),
                               [&](const QString& n) { return !expected.contains(n); }),
                chain.end());
    QCOMPARE(chain, expected);
    if (is_group(c)) QCOMPARE(w->focusPolicy(), Qt::NoFocus);
  }

  // Beyond the design size the table takes the room; nothing else moves.
  void window_grows_with_the_table() {
    Rig rig;
    rig.show_at(QSize(1300, 820));
    QWidget* client = rig.client();
    QTRY_COMPARE(client->size(), QSize(1300, 820));
    QCOMPARE(rig.form1.ss1()->geometry(), QRect(8, 160, 1300 - 13, 820 - 185));
    QCOMPARE(rig.form1.findChild<QWidget*>("cmd_end")->geometry(), QRect(762, 118, 142, 24));
    QCOMPARE(rig.form1.findChild<QWidget*>("grp_tag_write")->geometry(), QRect(599, 6, 154, 150));
    const QRect produced = rig.form1.findChild<QWidget*>("lbl_produced")->geometry();
    QCOMPARE(produced.bottomRight(), QPoint(1300 - 14, 820 - 3));
    // The columns share the new width in their proportions.
    QTableWidget* t = rig.form1.ss1();
    int total = 0;
    for (int c = 0; c < 5; ++c) total += t->columnWidth(c);
    QVERIFY(total <= t->viewport()->width() && total >= t->viewport()->width() - 10);
    QVERIFY(qAbs(t->columnWidth(2) - t->columnWidth(1) * 28.87 / 26.25) <= 1.5);
    QVERIFY(!rig.scroll()->verticalScrollBar()->isVisible());
    QVERIFY(!rig.form1.windowIcon().isNull());
  }

  // Below the design size the table shrinks first; then the client area
  // scrolls, and every control can still be brought into view.
  void window_smaller_than_design_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("table_height");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("shorter") << QSize(916, 400) << 400 - 185 << false;
    QTest::newRow("shortest whole") << QSize(916, 305) << 120 << false;
    QTest::newRow("too short") << QSize(916, 250) << 120 << true;
    // -1: the table takes the height left beside the horizontal scroll bar.
    QTest::newRow("too narrow") << QSize(700, 530) << -1 << true;
  }
  void window_smaller_than_design() {
    QFETCH(QSize, client);
    QFETCH(int, table_height);
    QFETCH(bool, scrolls);
    Rig rig;
    rig.show_at(client);
    if (table_height < 0) table_height = rig.scroll()->viewport()->height() - 185;
    QTRY_COMPARE(rig.form1.ss1()->height(), table_height);
    QCOMPARE(rig.client()->width(), 916);
    const QScrollBar* bar = client.width() < 916 ? rig.scroll()->horizontalScrollBar()
                                                 : rig.scroll()->verticalScrollBar();
    QCOMPARE(bar->isVisible(), scrolls);
    QVERIFY(rig.all_reachable());
  }

  // Scale 2 on a 1600 x 1000 screen: 800 x 500 for the window. Run in a
  // process of its own, since the scale is fixed at start.
  void every_control_reachable_at_scale_2() {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") != QLatin1String("2")) {
      QTemporaryDir tmp;
      QFile config(tmp.filePath(QStringLiteral("screen.json")));
      QVERIFY(config.open(QIODevice::WriteOnly));
      config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1600,
                       "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
      config.close();
      QProcess child;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
      env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                 QStringLiteral("offscreen:configfile=") + config.fileName());
      child.setProcessEnvironment(env);
      child.setProcessChannelMode(QProcess::MergedChannels);
      child.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("every_control_reachable_at_scale_2")});
      QVERIFY(child.waitForFinished(60000));
      const QByteArray out = child.readAll();
      QVERIFY2(child.exitCode() == 0 && out.contains("PASS   : TestForm1::every_control_reachable_at_scale_2"),
               out.constData());
      return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->geometry().size(), QSize(800, 500));
    QCOMPARE(screen->devicePixelRatio(), 2.0);
    Rig rig;
    rig.form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form1));
    QVERIFY(screen->availableGeometry().contains(rig.form1.frameGeometry()));
    QVERIFY(rig.all_reachable());
    for (QPushButton* b : rig.form1.findChildren<QPushButton*>())
      QVERIFY2(b->sizeHint().width() <= b->width(), qPrintable(b->text()));
    rig.form2.show();
    QVERIFY(screen->availableGeometry().contains(rig.form2.frameGeometry()));
  }

  void track_table_design() {
    TrackState state;
    ScriptedDialogs dialogs;
    FakeTagLibrary fake;
    Form1 form1(state, dialogs, fake);
    form1.show();
    QTableWidget* t = form1.ss1();
    QCOMPARE(t->rowCount(), 100);
    QCOMPARE(t->columnCount(), 16);
    // The other fields' columns, hidden until the 表示 menu shows them.
    for (int c = 5; c < 16; ++c) {
      QCOMPARE(t->horizontalHeaderItem(c)->text(), header::fields[static_cast<std::size_t>(c - 2)]);
      QVERIFY(t->isColumnHidden(c));
    }
    const QStringList headers{QStringLiteral("曲順"), QStringLiteral("ファイル名"),
                              QStringLiteral("曲名(TAG情報)"), QStringLiteral("アルバム名(TAG情報)"),
                              QStringLiteral("アーティスト名(TAG情報)")};
    int total = 0;
    for (int c = 0; c < 5; ++c) {
      QCOMPARE(t->horizontalHeaderItem(c)->text(), headers[c]);
      total += t->columnWidth(c);
    }
    // The columns fill the table beside the row numbers, in their proportions.
    QVERIFY2(total <= t->viewport()->width(), qPrintable(QString::number(total)));
    QVERIFY(total >= t->viewport()->width() - 10);
    const double per_unit = t->columnWidth(1) / 26.25;
    QVERIFY(qAbs(t->columnWidth(2) - 28.87 * per_unit) <= 1.5);
    QVERIFY(qAbs(t->columnWidth(0) - 5.12 * per_unit) <= 1.5);
    QCOMPARE(t->columnWidth(3), t->columnWidth(1));
    const QString family = t->font().family();
    QVERIFY2(family == QStringLiteral("ＭＳ Ｐゴシック") || family == QStringLiteral("IPAPGothic"),
             qPrintable(family));
  }

  // Typed text is an edit: marked, and told, like a filled one.
  void cells_can_be_edited() {
    Rig rig;
    rig.form1.show();
    type_into(rig.form1.ss1(), 4, 2, QStringLiteral("冬"));
    QCOMPARE(rig.form1.grid().cell_text(4, 2), QStringLiteral("冬"));
    QCOMPARE(rig.form1.grid().cell_colour(4, 2), k_edited);
    QCOMPARE(rig.form1.ss1()->item(1, 3)->data(Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("まだファイルに書き込んでいない変更です。"));
  }

  void menu_tree() {
    TrackState state;
    ScriptedDialogs dialogs;
    FakeTagLibrary fake;
    Form1 form1(state, dialogs, fake);
    QStringList lines;
    flatten(form1.menuBar()->actions(), QString(), lines);
    const QStringList expected = {
        "アプリケーション(&A)",
        "  MP3フォルダ指定(&F)",
        "  編集フォルダ再設定(&P)",
        "  -",
        "  全ファイル再読込(&R)",
        "  -",
        "  TAG情報書込 + ﾌｧｲﾙ名変更(&E)",
        "  書込・ﾌｧｲﾙ名変更の取消(&U)",
        "  -",
        "  アプリケーションの終了(&X)",
        "ファイル名変更メニュー（&F)",
        "  「ファイル名」に「曲名」を入力(&Z)",
        "  「ファイル名」に「曲順」を入力(&X)",
        "  「ファイル名」に「曲順」+「曲名」を入力(&U)",
        "  ﾌｧｲﾙ名に使えない文字を置換(&P)",
        "  -",
        "  元に戻す(&S)",
        "  -",
        "  ファイル名変更実行(&H)",
        "TAG入力メニュー(&T)",
        "  曲名入力(&K)",
        "    「曲名」に「ファイル名」を入力(&N)",
        "    「曲名」に「曲順」+「ファイル名」を入力(&Y)",
        "  -",
        "  アルバム名全入力(&A)",
        "  -",
        "  アーティスト名全入力(&T)",
        "  -",
        "  EXCELファイルより読込(&E)",
        "  表計算ﾌｧｲﾙに書出し(&X)",
        "  -",
        "  文字幅をそろえる(&W)",
        "  よみがなを付ける(&R)",
        "    ひらがなで付ける(&H)",
        "    カタカナで付ける(&K)",
        "    -",
        "    ひらがなで付け直す（入力済みも置換）(&R)",
        "    カタカナで付け直す（入力済みも置換）(&T)",
        "  -",
        "  元に戻す(&D)",
        "TAG書込メニュー(&M)",
        "  全て書込(&C)",
        "  -",
        "  「曲名」のみ書込(&L)",
        "  「アルバム名」のみ書込(&O)",
        "  「アーティスト名」のみ書込(&G)",
        "  -",
        "  曲順をTAGに書込(&N)",
        "表示(&V)",
        "  トラック番号",
        "  ディスク番号",
        "  年",
        "  ジャンル",
        "  アルバムアーティスト",
        "  作曲者",
        "  コメント",
        "  曲名よみがな",
        "  アルバム名よみがな",
        "  アーティスト名よみがな",
        "  アルバムアーティストよみがな",
        "ヘルプ(&H)",
        "  バージョン情報(&V)",
    };
    QCOMPARE(lines, expected);
    // One access key per item of a menu, so that each key reaches its item.
    for (QMenu* m : form1.menuBar()->findChildren<QMenu*>()) {
      QSet<QChar> keys;
      for (QAction* a : m->actions()) {
        const qsizetype k = a->text().indexOf(QLatin1Char('&'));
        if (k < 0) continue;
        const QChar key = a->text()[k + 1].toUpper();
        QVERIFY2(!keys.contains(key), qPrintable(a->text()));
        keys.insert(key);
      }
    }
    // Two keys as spreadsheets have them: Ctrl+S writes, F5 reads again.
    const QHash<QString, QKeySequence> keys{{"mnu_write_all", QKeySequence(QStringLiteral("Ctrl+S"))},
                                            {"mnu_cls", QKeySequence(Qt::Key_F5)}};
    for (QAction* a : form1.menuBar()->findChildren<QAction*>()) {
      QCOMPARE(a->shortcut(), keys.value(a->objectName()));
      QCOMPARE(a->isCheckable(), a->objectName().startsWith(QStringLiteral("mnu_col_")));
      QVERIFY(a->isEnabled());
      QVERIFY(a->isVisible());
    }
  }

  // Each button and each menu item runs exactly one command, and every one
  // is in the routing table.
  void every_control_runs_one_command() {
    Rig rig;
    rig.form1.show();
    QStringList routed_buttons, routed_items;
    for (const Form1::Route& r : Form1::routes()) {
      if (r.button) routed_buttons << QLatin1String(r.button);
      for (const char* i : r.items)
        if (i) routed_items << QLatin1String(i);
    }
    const auto buttons = rig.form1.centralWidget()->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 19);
    for (QPushButton* b : buttons) QCOMPARE(routed_buttons.count(b->objectName()), 1);
    const auto actions = command_actions(rig.form1.menuBar());
    QCOMPARE(actions.size(), 30);
    for (QAction* a : actions) QCOMPARE(routed_items.count(a->objectName()), 1);
    QCOMPARE(routed_items.size(), actions.size());
  }

  // A column of the 表示 menu shows when checked, and again in the next
  // session; a command that fills a hidden column (an import) shows it.
  void view_menu_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("by_menu");
    QTest::newRow("year by the menu") << "year" << true;
    QTest::newRow("sort reading by the menu") << "album_artist_sort" << true;
    QTest::newRow("genre filled by an import") << "genre" << false;
  }
  void view_menu() {
    QFETCH(QString, field);
    QFETCH(bool, by_menu);
    const Field f = *field_from_key(field);
    const int c = col::of(f) - 1;
    {
      Rig rig;
      QAction* item = rig.form1.menuBar()->findChild<QAction*>("mnu_col_" + field);
      QVERIFY(item && !item->isChecked());
      QVERIFY(rig.form1.ss1()->isColumnHidden(c));
      if (by_menu) {
        item->trigger();
      } else {
        rig.state.shown_fields[f] = true;
        rig.form1.grid().mark(c + 1, 1, CellMark::edited);
      }
      QVERIFY(!rig.form1.ss1()->isColumnHidden(c));
      QVERIFY(item->isChecked());
      QVERIFY(rig.form1.ss1()->columnWidth(c) > 0);
    }
    Rig next;
    QVERIFY(!next.form1.ss1()->isColumnHidden(c));
    QVERIFY(next.state.shown_fields[f]);
    next.form1.menuBar()->findChild<QAction*>("mnu_col_" + field)->trigger();
    QVERIFY(next.form1.ss1()->isColumnHidden(c));
    QVERIFY(!Rig().state.shown_fields[f]);
  }

  // 全て書込 writes a shown column that holds an edit, in its frame; an edit
  // in a hidden column stays in the table; an emptied field loses its frame.
  void write_all_writes_shown_columns_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("held");  // by another program first: the window says why it waits
    QTest::newRow("year (TYER, as TagLib shows it)") << "year" << "TDRC" << "1998" << true << false;
    QTest::newRow("album artist") << "album_artist" << "TPE2" << "山田花子" << true << false;
    QTest::newRow("sort reading") << "artist_sort" << "TSOP" << "やまだはなこ" << true << false;
    QTest::newRow("hidden: not written") << "composer" << "TCOM" << "作曲者" << false << false;
    QTest::newRow("folder held by a command line") << "genre" << "TCON" << "J-Pop" << true << true;
  }
  void write_all_writes_shown_columns() {
    QFETCH(QString, field);
    QFETCH(QString, frame);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    QFETCH(bool, held);
    const Field f = *field_from_key(field);
    Rig rig(2);
    rig.state.shown_fields[f] = shown;
    auto put = [&](const QString& t) {
      QtGrid& g = rig.form1.grid();
      g.set_col(col::of(f));
      g.set_row(1);
      g.set_text(t);
      mark_typed(rig.form1.context(), col::of(f), 1);
    };
    put(text);
    rig.dialogs.reset().yes();
    QProcess holder;
    QString waiting;
    if (held) {
      holder.start("flock", {rig.dir.path(), "sleep", "1.5"});
      QVERIFY(holder.waitForStarted());
      QThread::msleep(300);
      QTimer::singleShot(900, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* label = w->findChild<QLabel*>(); label && w->isVisible() && dynamic_cast<ProgressWindow*>(w))
            waiting = label->text();
      });
    }
    cmd_write_all(rig.form1.context());
    if (held) {
      QVERIFY2(waiting.startsWith(msg::folder_in_use), qPrintable(waiting));
      holder.waitForFinished();
      QCOMPARE(holder.exitCode(), 0);
    }
    const QString path = rig.state.path_of(0);
    QCOMPARE(dump_tags(path).v2_texts.value(frame).value(0), shown ? text : QString());
    QCOMPARE(rig.form1.grid().cell_mark(col::of(f), 1), shown ? CellMark::plain : CellMark::edited);
    QCOMPARE(dump_tags(rig.state.path_of(1)).v2_ids.contains(frame), false);
    if (!shown) return;
    put(QString());
    rig.dialogs.reset().yes();
    cmd_write_all(rig.form1.context());
    QVERIFY(!dump_tags(path).v2_ids.contains(frame));
  }

  void routing_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("first_box");
    const auto row = [](const char* cmd, const char* button, QStringList items,
                        const QString& first) {
      QTest::newRow(cmd) << QString::fromLatin1(button) << items << first;
    };
    const QString ask = QStringLiteral("ask: ");
    row("cmd_kyokuname", "cmd_kyokuname", {"mnu_kyokuname"}, ask + msg::name_from_title);
    row("cmd_kyokuzyunname", "cmd_kyokuzyunname", {"mnu_kyokuzyunname"},
        ask + msg::order_before_name);
    row("cmd_w_name", "cmd_w_name", {"mnu_w_name"}, ask + msg::name_from_order_title);
    row("cmd_modosu", "cmd_modosu", {"mnu_modosu"}, ask + msg::undo_names);
    row("cmd_re_name", "cmd_re_name", {"mnu_re_name"}, ask + msg::rename_start);
    row("cmd_fname", "cmd_fname", {"mnu_fname"}, ask + msg::title_from_name);
    row("cmd_zyun_fname", "cmd_zyun_fname", {"mnu_zyun_fname"}, ask + msg::title_from_order_name);
    // Enter in the album (artist) box runs its button too.
    row("cmd_all_al", "cmd_all_al", {"mnu_all_al", "txt_all_al"}, ask + msg::album_empty);
    row("cmd_all_art", "cmd_all_art", {"mnu_all_art", "txt_all_art"}, ask + msg::artist_empty);
    row("cmd_excel", "cmd_excel", {"mnu_excel"}, QStringLiteral("open: "));  // + edit folder
    row("cmd_modosu2", "cmd_modosu2", {"mnu_modosu2"}, ask + msg::undo_tags);
    row("cmd_write_all", "cmd_write_all", {"mnu_write_all", "Ctrl+S"}, ask + msg::write_all_question);
    row("cmd_write_kyokumei", "cmd_write_kyokumei", {"mnu_write_kyokumei"},
        ask + msg::write_title_question);
    row("cmd_write_alubum", "cmd_write_alubum", {"mnu_write_alubum"},
        ask + msg::write_album_question);
    row("cmd_write_artname", "cmd_write_artname", {"mnu_write_artname"},
        ask + msg::write_artist_question);
    row("cmd_cls", "cmd_cls", {"mnu_cls", "F5"}, ask + msg::clear_reload);
    row("cmd_allwrite", "cmd_allwrite", {"mnu_allwrite"}, ask + msg::write_all_question);
    row("cmd_dir", "cmd_dir", {"mnu_dir", "mnu_folder"}, ask + msg::confirm_reselect);
    row("cmd_end", "cmd_end", {"mnu_end"}, ask + msg::confirm_end);
  }
  // The button, its menu items and its key run the same command: same boxes in the
  // same order, and with every question answered No nothing changes.
  void routing() {
    QFETCH(QString, button);
    QFETCH(QStringList, items);
    QFETCH(QString, first_box);
    const QString command = QString::fromLatin1(QTest::currentDataTag());
    Rig rig;
    rig.form1.show();
    rig.form1.activateWindow();  // for the keys
    QVERIFY(QTest::qWaitForWindowActive(&rig.form1));
    if (first_box == QLatin1String("open: ")) first_box += rig.state.edit_folder;
    const QStringList before = rig.snapshot();
    QSignalSpy spy(&rig.form1, &Form1::command_started);
    const auto script = [&] {
      ScriptedDialogs& d = rig.dialogs.reset();
      if (command == QLatin1String("cmd_excel"))
        d.cancel();
      else
        d.no().no().no().no();
    };

    script();
    auto* b = rig.form1.findChild<QPushButton*>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    const QStringList by_button = rig.dialogs.script().log;
    QVERIFY(!by_button.isEmpty());
    QCOMPARE(by_button.first(), first_box);
    for (const QString& item : items) {
      script();
      if (auto* box = rig.form1.findChild<QLineEdit*>(item)) {
        QTest::keyClick(box, Qt::Key_Return);
      } else if (!item.contains(QLatin1Char('_'))) {  // a key, pressed in the table
        QTest::keySequence(rig.form1.ss1(), QKeySequence(item));
      } else {
        auto* a = rig.form1.menuBar()->findChild<QAction*>(item);
        QVERIFY2(a, qPrintable(item));
        a->trigger();
      }
      QCOMPARE(rig.dialogs.script().log, by_button);
    }
    QCOMPARE(spy.size(), 1 + items.size());
    for (const auto& args : spy) QCOMPARE(args.at(0).toString(), command);
    QCOMPARE(rig.snapshot(), before);
    QCOMPARE(rig.ended, 0);
  }

  void cmd_end_no_leaves_everything() {
    Rig rig(5);
    rig.form1.show();
    rig.form1.grid().set_col(3);
    rig.form1.grid().set_row(2);
    rig.form1.grid().set_text(QStringLiteral("未保存の曲名"));
    const QStringList before = rig.snapshot();
    rig.dialogs.reset().no();
    QTest::mouseClick(rig.form1.findChild<QPushButton*>("cmd_end"), Qt::LeftButton);
    QCOMPARE(rig.dialogs.script().log, QStringList{QStringLiteral("ask: ") + msg::confirm_end});
    QCOMPARE(rig.snapshot(), before);
    QCOMPARE(rig.ended, 0);
  }

  void cmd_end_yes_ends_without_closing_steps() {
    Rig rig(2, true);
    rig.form1.show();
    const int calls = rig.lib.fake.calls.size();
    rig.dialogs.reset().yes();
    rig.form1.findChild<QAction*>("mnu_end")->trigger();
    QCOMPARE(rig.ended, 1);
    QCOMPARE(rig.lib.fake.calls.size(), calls);  // no vbmp3_close
    QCOMPARE(rig.dialogs.script().log.size(), 1);
  }

  void cmd_dir_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << "cmd_dir";
    QTest::newRow("mnu_dir") << "mnu_dir";
    QTest::newRow("mnu_folder") << "mnu_folder";
  }
  void cmd_dir() {
    QFETCH(QString, how);
    Rig rig(4);
    rig.form1.show();
    const auto run = [&] {
      if (auto* b = rig.form1.findChild<QPushButton*>(how))
        QTest::mouseClick(b, Qt::LeftButton);
      else
        rig.form1.findChild<QAction*>(how)->trigger();
    };
    const QStringList before = rig.snapshot();
    rig.dialogs.reset().no();
    run();
    QCOMPARE(rig.snapshot(), before);
    QVERIFY(!rig.form2.isVisible());

    rig.dialogs.reset().yes();
    run();
    QCOMPARE(rig.dialogs.script().log,
             QStringList{QStringLiteral("ask: ") + msg::confirm_reselect});
    QVERIFY(rig.form2.isVisible());
    QVERIFY(rig.form1.isVisible());
    QVERIFY(!rig.form2.isModal());
    // The table is kept until a folder is confirmed.
    QCOMPARE(rig.form1.grid().cell_text(3, 4), track(4).title);
    QCOMPARE(rig.form1.grid().row_count(), 4);
  }

  void second_confirmation_reloads_same_window() {
    Rig rig(3);
    rig.form1.show();
    QTemporaryDir other;
    rig.lib.write_tracks(other.path(), 7);
    rig.dialogs.reset().yes();
    rig.form1.cmd_dir();
    QVERIFY(rig.form2.set_folder(other.path()));
    rig.dialogs.reset().yes();
    QTest::mouseClick(rig.form2.findChild<QPushButton*>("cmd_set"), Qt::LeftButton);
    QVERIFY(!rig.form2.isVisible());
    QVERIFY(rig.form1.isVisible());
    const QString folder = QFileInfo(other.path()).canonicalFilePath() + QLatin1Char('/');
    QCOMPARE(rig.form1.windowTitle(), main_caption(folder));
    QCOMPARE(rig.form1.grid().row_count(), 7);
    QCOMPARE(rig.form1.grid().cell_text(1, 7), QStringLiteral("07"));
    QCOMPARE(rig.form1.grid().cell_text(2, 7), track(7).name);
    QCOMPARE(rig.form1.grid().cell_text(3, 7), track(7).title);
    QCOMPARE(rig.state.file_count, 7);
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget* w) { return qobject_cast<Form1*>(w) != nullptr; }),
             1);
  }

  // Tab leaves the table for the next control, Shift+Tab for the one before;
  // the arrows move between cells.
  void tab_leaves_the_table() {
    Rig rig;
    rig.show_at(k_design);
    rig.form1.activateWindow();
    QTableWidget* t = rig.form1.ss1();
    t->setFocus();
    t->setCurrentCell(0, 0);
    QTRY_VERIFY(t->hasFocus());
    QTest::keyClick(t, Qt::Key_Right);
    QCOMPARE(t->currentColumn(), 1);
    QTest::keyClick(t, Qt::Key_Down);
    QCOMPARE(t->currentRow(), 1);
    QTest::keyClick(t, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmd_kyokuname"));
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmd_end"));
  }

  // What a screen reader announces for each control: its name and, where
  // names alike, a description telling them apart.
  void controls_named_for_screen_readers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    const auto row = [](const char* control, const char* name, const char* description) {
      QTest::newRow(control) << QString::fromUtf8(name) << QString::fromUtf8(description);
    };
    row("SS1", "曲の一覧表", "");
    row("txt_all_al", "アルバム名", "すべての行に入れるアルバム名を入力します。");
    row("grp_title", "曲名入力", "");
    row("grp_album", "アルバム名入力", "");
    row("grp_artist", "アーティスト名入力", "");
    row("cmd_modosu", "元に戻す", "ファイル名の変更を取り消して、フォルダにある名前に戻します。");
    row("cmd_modosu2", "元に戻す", "タグの変更を取り消して、ファイルのタグを読み直します。");
  }
  void controls_named_for_screen_readers() {
    QFETCH(QString, name);
    QFETCH(QString, description);
    Rig rig;
    rig.form1.show();
    auto* w = rig.form1.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
    if (!description.isEmpty()) QCOMPARE(a->text(QAccessible::Description), description);
  }

  // Every control has a name of its own or one told apart by a description,
  // and every button a one-sentence tooltip.
  void every_control_named_and_buttons_explained_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("controls");
    QTest::newRow("main window") << "Form1" << 29;
    QTest::newRow("start-up form") << "Form2" << 7;
    QTest::newRow("import dialog") << "Form3" << 9;
    QTest::newRow("About box") << "Form4" << 1;
  }
  void every_control_named_and_buttons_explained() {
    QFETCH(QString, window);
    QFETCH(int, controls);
    Rig rig;
    rig.form1.show();
    rig.form1.show_about();
    rig.dialogs.reset().pick(rig.dir.path() + QStringLiteral("/曲目.xls"));
    rig.form1.cmd_excel();
    QWidget* top = window == QLatin1String("Form1")   ? rig.client()
                   : window == QLatin1String("Form2") ? static_cast<QWidget*>(&rig.form2)
                   : window == QLatin1String("Form3") ? static_cast<QWidget*>(rig.form1.import_windows().form3())
                                                      : rig.form1.about_box();
    QVERIFY(top);
    QHash<QString, QStringList> described;  // name -> descriptions
    int seen = 0;
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (!(qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QGroupBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
            qobject_cast<QComboBox*>(w)) ||
          w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
        continue;  // the table's own parts speak for themselves
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      const QString name = a->text(QAccessible::Name);
      QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
      QVERIFY2(!described[name].contains(a->text(QAccessible::Description)),
               qPrintable(w->objectName() + QStringLiteral(" is like another: ") + name));
      described[name] << a->text(QAccessible::Description);
      ++seen;
      if (qobject_cast<QPushButton*>(w)) {
        QVERIFY2(w->toolTip().endsWith(QStringLiteral("。")), qPrintable(w->objectName()));
        QVERIFY(w->toolTip().size() <= 40);
      }
    }
    QCOMPARE(seen, controls);
  }

  // A cell's state is told by its description and its tooltip, not only its
  // colour; a text cut off by the column shows whole in the tooltip.
  void cell_state_beyond_colour_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Colour>("colour");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("tooltip");
    const QString edited = QStringLiteral("まだファイルに書き込んでいない変更です。");
    const QString failed = QStringLiteral("ファイルまたはタグを読み込めませんでした。");
    const QString lengthy = QStringLiteral("とても長いアルバムの名前は列の幅に収まらず途中で切れてしまう");
    QTest::newRow("short, white") << QStringLiteral("夏") << k_white << QString() << QString();
    QTest::newRow("short, edited") << QStringLiteral("夏") << k_edited << edited << edited;
    QTest::newRow("failed") << QStringLiteral("夏") << k_error << failed << failed;
    QTest::newRow("cut off, white") << lengthy << k_white << QString() << lengthy;
    QTest::newRow("cut off, edited") << lengthy << k_edited << edited << lengthy + QLatin1Char('\n') + edited;
  }
  void cell_state_beyond_colour() {
    QFETCH(QString, text);
    QFETCH(Colour, colour);
    QFETCH(QString, description);
    QFETCH(QString, tooltip);
    Rig rig;
    rig.show_at(k_design);
    Grid& g = rig.form1.grid();
    g.set_col(4);
    g.set_row(2);
    g.set_text(text);
    g.set_back_colour(colour);
    QTableWidget* t = rig.form1.ss1();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(t);
    QAccessibleInterface* cell = table->tableInterface()->cellAt(1, 3);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Description), description);

    const QPoint at = t->visualRect(t->model()->index(1, 3)).center();
    QHelpEvent help(QEvent::ToolTip, at, t->viewport()->mapToGlobal(at));
    QApplication::sendEvent(t->viewport(), &help);
    if (tooltip.isEmpty()) {
      QVERIFY(!QToolTip::isVisible());
    } else {
      QTRY_VERIFY(QToolTip::isVisible());
      QCOMPARE(QToolTip::text(), tooltip);
    }
    QToolTip::hideText();
  }

  // Throwing away cells in the edited colour is asked first, No the
  // default; with none the usual steps run unchanged.
  void unwritten_edits_asked_before_loss_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("went_on");
    const QString ask = QStringLiteral("ask: ");
    const QString on_close = ask + QStringLiteral("まだファイルに書き込んでいない変更があります。変更を捨てて閉じますか？");
    const QString on_end = ask + QStringLiteral("まだファイルに書き込んでいない変更があります。変更を捨てて終了しますか？");
    const QString on_dir = ask + QStringLiteral(
        "まだファイルに書き込んでいない変更があります。変更を捨てて別のフォルダを選びますか？");
    const QString end = ask + QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了します。　よろしいですか？");
    const QString dir = ask + QStringLiteral("現在入力中のデータは失われますがよろしいですか？");
    QTest::newRow("close, nothing edited") << "close" << "none" << true << QStringList() << true;
    QTest::newRow("close, kept") << "close" << "painted" << false << QStringList{on_close} << false;
    QTest::newRow("close, thrown away") << "close" << "painted" << true << QStringList{on_close} << true;
    QTest::newRow("end, nothing edited") << "cmd_end" << "none" << true << QStringList{end} << true;
    QTest::newRow("end, kept") << "cmd_end" << "painted" << false << QStringList{on_end} << false;
    QTest::newRow("end, thrown away") << "cmd_end" << "painted" << true << QStringList{on_end} << true;
    QTest::newRow("re-select, nothing edited") << "cmd_dir" << "none" << true << QStringList{dir} << true;
    QTest::newRow("re-select, kept") << "cmd_dir" << "painted" << false << QStringList{on_dir} << false;
    QTest::newRow("re-select, thrown away") << "cmd_dir" << "painted" << true << QStringList{on_dir} << true;
    QTest::newRow("drop, nothing edited") << "drop" << "none" << true << QStringList{dir} << true;
    QTest::newRow("drop, kept") << "drop" << "painted" << false << QStringList{on_dir} << false;
    // The start-up form's 終了, shown again over the main window.
    QTest::newRow("start-up end, nothing edited") << "form2_end" << "none" << true << QStringList() << true;
    QTest::newRow("start-up end, kept") << "form2_end" << "painted" << false << QStringList{on_end} << false;
    QTest::newRow("start-up end, thrown away") << "form2_end" << "painted" << true << QStringList{on_end} << true;
    // Typed into a tag cell: an edit like any other, until typed back.
    QTest::newRow("close, typed") << "close" << "typed" << false << QStringList{on_close} << false;
    QTest::newRow("end, typed") << "cmd_end" << "typed" << false << QStringList{on_end} << false;
    QTest::newRow("re-select, typed") << "cmd_dir" << "typed" << false << QStringList{on_dir} << false;
    QTest::newRow("end, typed back") << "cmd_end" << "typed back" << true << QStringList{end} << true;
    // Names composed and not yet applied by a rename.
    QTest::newRow("end, composed") << "cmd_end" << "composed" << false << QStringList{on_end} << false;
    QTest::newRow("close, composed") << "close" << "composed" << false << QStringList{on_close} << false;
    // All written but the row whose file failed to read: nothing a write
    // could still store.
    QTest::newRow("close, written, one unreadable") << "close" << "written" << true << QStringList() << true;
    QTest::newRow("end, written, one unreadable") << "cmd_end" << "written" << true << QStringList{end} << true;
    QTest::newRow("re-select, written, one unreadable") << "cmd_dir" << "written" << true << QStringList{dir} << true;
  }
  void unwritten_edits_asked_before_loss() {
    QFETCH(QString, how);
    QFETCH(QString, edit);
    QFETCH(bool, answer);
    QFETCH(QStringList, boxes);
    QFETCH(bool, went_on);
    Rig rig(3, true);
    rig.form1.show();
    QTemporaryDir other;
    Grid& g = rig.form1.grid();
    const QString album = QStringLiteral("書いていないアルバム");
    if (edit == QLatin1String("typed") || edit == QLatin1String("typed back")) {
      type_into(rig.form1.ss1(), 4, 3, album);
      if (edit == QLatin1String("typed back")) type_into(rig.form1.ss1(), 4, 3, track(3).album);
    } else if (edit == QLatin1String("written")) {
      rig.lib.fake.files[rig.state.path_of(1).toUtf8()].read_error = tag_error::read_failed;
      rig.dialogs.reset().yes();
      cmd_cls(rig.form1.context());  // the second file now fails to read
      // Its row still names it, in the error colour.
      QCOMPARE(g.cell_text(2, 2), track(2).name);
      QCOMPARE(g.cell_colour(2, 2), k_error);
      rig.form1.findChild<QLineEdit*>("txt_all_al")->setText(album);
      rig.dialogs.reset().yes();
      QTest::mouseClick(rig.form1.findChild<QPushButton*>("cmd_all_al"), Qt::LeftButton);
      rig.dialogs.reset().yes();
      QTest::mouseClick(rig.form1.findChild<QPushButton*>("cmd_write_all"), Qt::LeftButton);
      QCOMPARE(rig.dialogs.script().notices().constLast(), QStringLiteral("全てMP3TAG情報の書込が正常終了しました"));
      QCOMPARE(g.cell_colour(4, 2), k_edited);  // the unreadable row keeps its colour
    } else if (edit == QLatin1String("composed")) {
      rig.dialogs.reset().yes();
      QTest::mouseClick(rig.form1.findChild<QPushButton*>("cmd_kyokuname"), Qt::LeftButton);
      QCOMPARE(g.cell_colour(2, 1), k_edited);
    } else {
      g.set_col(4);
      g.set_row(3);
      g.set_text(album);
      if (edit == QLatin1String("painted")) g.set_back_colour(k_edited);
    }
    const QStringList before = rig.snapshot();
    ScriptedDialogs& d = rig.dialogs.reset();
    if (!boxes.isEmpty()) answer ? d.yes() : d.no();

    bool closed = false;
    if (how == QLatin1String("close")) {
      closed = rig.form1.close();
    } else if (how == QLatin1String("drop")) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(other.path())});
      QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&rig.form1, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&rig.form1, &drop);
      QTRY_COMPARE(rig.dialogs.script().log.size(), boxes.size());
    } else if (how == QLatin1String("form2_end")) {
      rig.form2.show();
      QTest::mouseClick(rig.form2.findChild<QPushButton*>("cmd_end"), Qt::LeftButton);
    } else {
      QTest::mouseClick(rig.form1.findChild<QPushButton*>(how), Qt::LeftButton);
    }
    QCOMPARE(rig.dialogs.script().log, boxes);
    if (how == QLatin1String("close")) {
      QCOMPARE(closed, went_on);
      QCOMPARE(rig.form1.isVisible(), !went_on);
    } else if (how.endsWith(QLatin1String("_end"))) {
      QCOMPARE(rig.ended, went_on ? 1 : 0);
    } else {
      QCOMPARE(rig.form2.isVisible(), went_on);
      if (how == QLatin1String("drop") && went_on)
        QCOMPARE(rig.form2.folder(), QFileInfo(other.path()).canonicalFilePath());
    }
    if (!went_on && how != QLatin1String("form2_end")) QCOMPARE(rig.snapshot(), before);
  }

  // A folder dropped on the start-up form points it there, as choosing it.
  void folder_dropped_on_startup_form() {
    Rig rig(2);
    QTemporaryDir other;
    rig.lib.write_tracks(other.path(), 5);
    rig.form2.show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(other.filePath(QStringLiteral("Track3.mp3")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rig.form2, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rig.form2, &drop);
    QCOMPARE(rig.form2.folder(), QFileInfo(other.path()).canonicalFilePath());
    QCOMPARE(rig.form2.files().size(), 5);
    QCOMPARE(rig.dialogs.script().log, QStringList());  // confirming is still the user's

    QMimeData text;
    text.setText(QStringLiteral("not a folder"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rig.form2, &refused);
    QVERIFY(!refused.isAccepted());
  }

  // The window's close control ends the program: the event loop returns.
  void closing_the_window_ends_the_program() {
    Rig rig(2);
    rig.form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form1));
    QTimer::singleShot(0, &rig.form1, [&] { rig.form1.close(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang the suite
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!rig.form1.isVisible());
  }

  void close_asks_nothing_and_closes_library() {
    Rig rig(3, true);
    rig.form1.show();
    rig.form1.findChild<QAction*>("mnu_about")->trigger();
    rig.dialogs.reset().pick(rig.dir.path() + QStringLiteral("/曲目.xls"));
    rig.form1.cmd_excel();
    QVERIFY(rig.form1.import_windows().form3());
    QVERIFY(rig.form1.import_windows().form3()->isVisible());
    rig.dialogs.reset().yes();
    rig.form1.cmd_dir();  // start-up form shown again beside the window
    QVERIFY(rig.form2.isVisible());
    rig.form1.grid().set_col(4);
    rig.form1.grid().set_row(1);
    rig.form1.grid().set_text(QStringLiteral("書いていない"));
    rig.lib.fake.calls.clear();
    rig.dialogs.reset();  // any question would fail the test

    QVERIFY(rig.form1.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rig.dialogs.script().log, QStringList());
    QCOMPARE(rig.lib.fake.calls, QStringList{QStringLiteral("close")});
    QVERIFY(!rig.form1.isVisible());
    QVERIFY(!rig.form2.isVisible());
    QVERIFY(!rig.form1.about_box());
    Form3* import_dialog = rig.form1.import_windows().form3();
    QVERIFY(!import_dialog || !import_dialog->isVisible());
    QCOMPARE(rig.ended, 0);
  }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
