// The main window: layout, menu bar, routing of every button and menu item,
// and the shell's own commands (re-select, exit, close).

#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <memory>

#include "app/form1.h"
#include "app/form2.h"
#include "app/form4.h"
#include "app/messages.h"
#include "app_fixture.h"
#include "edit/messages.h"
#include "rename/messages.h"
#include "table/track_state.h"
#include "tags/messages.h"

using namespace tn;
using namespace tn::test;

namespace {

// A main window over a confirmed folder of n real MP3 files.
struct Rig {
  explicit Rig(int n = 3, bool fake = false) : lib(fake) {
    lib.write_tracks(dir.path(), n);
    form1.set_startup_form(&form2);
    form1.set_end_program([this] { ++ended; });
    form2.set_end_program([this] { ++ended; });
    form2.set_folder(dir.path());
    dialogs.reset().yes();
    form2.cmd_set_click();
    dialogs.reset();
  }
  QTemporaryDir dir;
  Library lib;
  SwitchDialogs dialogs;
  TrackState state;
  Form1 form1{state, dialogs, lib.get()};
  Form2 form2{form1, dir.path()};
  int ended = 0;

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

struct ControlRow {
  const char* name;
  const char* container;  // "client": the window's client area
  const QString* caption;
  QRect geometry;
  int tab;
};

const ControlRow k_layout[] = {
    {"SS1", "client", nullptr, {8, 160, 903, 345}, 0},
    {"grp_file_name", "client", &caption::grp_file_name, {30, 7, 166, 148}, 1},
    {"cmd_kyokuname", "grp_file_name", &caption::cmd_kyokuname, {16, 16, 129, 22}, 5},
    {"cmd_kyokuzyunname", "grp_file_name", &caption::cmd_kyokuzyunname, {16, 42, 129, 22}, 6},
    {"cmd_w_name", "grp_file_name", &caption::cmd_w_name, {16, 67, 129, 22}, 4},
    {"cmd_modosu", "grp_file_name", &caption::cmd_modosu, {17, 93, 129, 22}, 2},
    {"cmd_re_name", "grp_file_name", &caption::cmd_re_name, {16, 118, 129, 22}, 3},
    {"grp_tag_input", "client", &caption::grp_tag_input, {216, 6, 362, 149}, 8},
    {"grp_title", "grp_tag_input", &caption::grp_title, {8, 14, 171, 65}, 10},
    {"cmd_fname", "grp_title", &caption::cmd_fname, {8, 15, 140, 20}, 12},
    {"cmd_zyun_fname", "grp_title", &caption::cmd_zyun_fname, {9, 39, 140, 20}, 11},
    {"grp_album", "grp_tag_input", &caption::grp_album, {7, 80, 171, 65}, 13},
    {"txt_all_al", "grp_album", nullptr, {11, 14, 150, 20}, 14},
    {"cmd_all_al", "grp_album", &caption::cmd_all_al, {32, 39, 107, 19}, 24},
    {"grp_artist", "grp_tag_input", &caption::grp_artist, {181, 80, 171, 65}, 15},
    {"txt_all_art", "grp_artist", nullptr, {9, 15, 150, 20}, 16},
    {"cmd_all_art", "grp_artist", &caption::cmd_all_art, {32, 40, 107, 19}, 17},
    {"cmd_excel", "grp_tag_input", &caption::cmd_excel, {208, 24, 126, 22}, 25},
    {"cmd_modosu2", "grp_tag_input", &caption::cmd_modosu2, {208, 49, 126, 22}, 9},
    {"grp_tag_write", "client", &caption::grp_tag_write, {599, 6, 154, 150}, 18},
    {"cmd_write_all", "grp_tag_write", &caption::cmd_write_all, {13, 19, 124, 29}, 19},
    {"grp_single", "grp_tag_write", &caption::grp_single, {8, 54, 137, 92}, 20},
    {"cmd_write_kyokumei", "grp_single", &caption::cmd_write_kyokumei, {5, 20, 124, 18}, 23},
    {"cmd_write_alubum", "grp_single", &caption::cmd_write_alubum, {5, 43, 124, 18}, 22},
    {"cmd_write_artname", "grp_single", &caption::cmd_write_artname, {5, 65, 124, 18}, 21},
    {"cmd_dir", "client", &caption::cmd_dir, {762, 16, 140, 24}, 26},
    {"cmd_cls", "client", &caption::cmd_cls, {762, 48, 141, 24}, 7},
    {"cmd_allwrite", "client", &caption::cmd_allwrite, {762, 82, 141, 24}, 29},
    {"cmd_end", "client", &caption::cmd_end, {762, 118, 142, 24}, 27},
};

bool is_group(const ControlRow& r) { return qstrncmp(r.name, "grp_", 4) == 0; }

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
    if (!a->isSeparator() && !a->menu() && !a->objectName().isEmpty()) out << a;
  return out;
}

}  // namespace

class TestForm1 : public QObject {
  Q_OBJECT

 private slots:
  void layout_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(k_layout)); ++i) QTest::newRow(k_layout[i].name) << i;
  }
  void layout() {
    QFETCH(int, row);
    const ControlRow& c = k_layout[row];
    Rig rig;
    rig.form1.show();
    auto* w = rig.form1.findChild<QWidget*>(QLatin1String(c.name));
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), QLatin1String(c.container));
    QCOMPARE(w->geometry(), c.geometry);
    QVERIFY(w->isVisible());
    QVERIFY(w->isEnabled());
    if (auto* g = qobject_cast<QGroupBox*>(w)) QCOMPARE(g->title(), *c.caption);
    if (auto* b = qobject_cast<QPushButton*>(w)) QCOMPARE(b->text(), *c.caption);
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

  void window_is_fixed_with_client_area() {
    Rig rig;
    rig.form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.form1));
    QWidget* client = rig.form1.centralWidget();
    QCOMPARE(client->size(), QSize(916, 530));
    QCOMPARE(client->y(), rig.form1.menuBar()->height());
    QCOMPARE(rig.form1.minimumSize(), rig.form1.maximumSize());
    QCOMPARE(rig.form1.height(), 530 + rig.form1.menuBar()->height());
    QVERIFY(!rig.form1.windowIcon().isNull());
  }

  void track_table_design() {
    TrackState state;
    ScriptedDialogs dialogs;
    FakeTagLibrary fake;
    Form1 form1(state, dialogs, fake);
    form1.show();
    QTableWidget* t = form1.ss1();
    QCOMPARE(t->rowCount(), 100);
    QCOMPARE(t->columnCount(), 5);
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

  void cells_can_be_edited() {
    Rig rig;
    rig.form1.show();
    QTableWidget* t = rig.form1.ss1();
    t->setFocus();
    t->setCurrentCell(1, 3);
    t->editItem(t->item(1, 3));
    auto* editor = t->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    editor->insert(QStringLiteral("冬"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(rig.form1.grid().cell_text(4, 2), QStringLiteral("冬"));
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
        "  -",
        "  アプリケーションの終了(&E)",
        "ファイル名変更メニュー（&F)",
        "  「ファイル名」に「曲名」を入力(&Z)",
        "  「ファイル名」に「曲順」を入力(&X)",
        "  「ファイル名」に「曲順」+「曲名」を入力(&U)",
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
        "  -",
        "  元に戻す(&D)",
        "TAG書込メニュー(&M)",
        "  全て書込(&C)",
        "  -",
        "  「曲名」のみ書込(&L)",
        "  「アルバム名」のみ書込(&O)",
        "  「アーティスト名」のみ書込(&G)",
        "ヘルプ(&H)",
        "  バージョン情報(&V)",
    };
    QCOMPARE(lines, expected);
    for (QAction* a : form1.menuBar()->findChildren<QAction*>()) {
      QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
      QVERIFY(!a->isCheckable());
      QVERIFY(a->isEnabled());
      QVERIFY(a->isVisible());
    }
  }

  // Each button and each menu item runs exactly one command, and every one
  // is in the routing table.
  void every_control_runs_one_command() {
    Rig rig;
    rig.form1.show();
    QSignalSpy spy(&rig.form1, &Form1::command_started);
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
    QCOMPARE(actions.size(), 21);
    for (QAction* a : actions) QCOMPARE(routed_items.count(a->objectName()), 1);
    QCOMPARE(routed_items.size(), actions.size());
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
    row("cmd_all_al", "cmd_all_al", {"mnu_all_al"}, ask + msg::album_empty);
    row("cmd_all_art", "cmd_all_art", {"mnu_all_art"}, ask + msg::artist_empty);
    row("cmd_excel", "cmd_excel", {"mnu_excel"}, QStringLiteral("open: "));  // + edit folder
    row("cmd_modosu2", "cmd_modosu2", {"mnu_modosu2"}, ask + msg::undo_tags);
    row("cmd_write_all", "cmd_write_all", {"mnu_write_all"}, ask + msg::write_all_question);
    row("cmd_write_kyokumei", "cmd_write_kyokumei", {"mnu_write_kyokumei"},
        ask + msg::write_title_question);
    row("cmd_write_alubum", "cmd_write_alubum", {"mnu_write_alubum"},
        ask + msg::write_album_question);
    row("cmd_write_artname", "cmd_write_artname", {"mnu_write_artname"},
        ask + msg::write_artist_question);
    row("cmd_cls", "cmd_cls", {"mnu_cls"}, ask + msg::clear_reload);
    row("cmd_allwrite", "cmd_allwrite", {"mnu_allwrite"}, ask + msg::write_all_question);
    row("cmd_dir", "cmd_dir", {"mnu_dir", "mnu_folder"}, ask + msg::confirm_reselect);
    row("cmd_end", "cmd_end", {"mnu_end"}, ask + msg::confirm_end);
  }
  // The button and its menu items run the same command: same boxes in the
  // same order, and with every question answered No nothing changes.
  void routing() {
    QFETCH(QString, button);
    QFETCH(QStringList, items);
    QFETCH(QString, first_box);
    const QString command = QString::fromLatin1(QTest::currentDataTag());
    Rig rig;
    rig.form1.show();
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
      auto* a = rig.form1.menuBar()->findChild<QAction*>(item);
      QVERIFY2(a, qPrintable(item));
      a->trigger();
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
