// The import dialog as real widgets: layout, the format choice and its
// lifetime, and the read driven through its button with scripted answers.

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "app/form3.h"
#include "fake_tag_library.h"
#include "import/messages.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "xls_writer.h"

using namespace tn;
using namespace tn::test;
namespace msg = tn::import_msg;

namespace {

// Scripted answers, plus a look at the windows whenever a notice shows.
class ProbeDialogs final : public Dialogs {
 public:
  ScriptedDialogs script;
  std::function<void()> on_notify;
  bool ask(const QString& t) override { return script.ask(t); }
  void notify(const QString& t) override {
    if (on_notify) on_notify();
    script.notify(t);
  }
  QString input(const QString& p) override { return script.input(p); }
  std::optional<QString> open_file(const QString& d, const QStringList& f, int s) override {
    return script.open_file(d, f, s);
  }
};

struct Fixture {
  Fixture() : ss1(5, 3) {
    state.edit_folder = QStringLiteral("/music/");
    state.file_count = 3;
    for (int i = 0; i < 3; ++i) state.set_file(i, QStringLiteral("f%1.mp3").arg(i + 1));
  }
  TrackState state;
  MemoryGrid ss1;
  ProbeDialogs dialogs;
  FakeTagLibrary tags;
  Context cx{state, ss1, dialogs, tags};
  QWidget main_window;
  ImportWindows windows{cx, &main_window};

  Form3* pick(const QString& path) {
    dialogs.script.pick(path);
    windows.cmd_excel();
    return windows.form3();
  }
  template <typename W>
  W* child(const char* name) {
    return windows.form3() ? windows.form3()->findChild<W*>(QLatin1String(name)) : nullptr;
  }
};

}  // namespace

class TestForm3 : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  QString book_path_;

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    XlsBook book;
    book.add(QStringLiteral("Sheet1"))
        .text(QStringLiteral("A1"), QStringLiteral("曲名"))
        .text(QStringLiteral("B1"), QStringLiteral("ｱﾙﾊﾞﾑ"))
        .text(QStringLiteral("C1"), QStringLiteral("ｱｰﾃｨｽﾄ"))
        .error(QStringLiteral("D1"));
    book.add(QStringLiteral("Other")).text(QStringLiteral("A1"), QStringLiteral("他"));
    book_path_ = tmp_.filePath(QStringLiteral("list.xls"));
    book.save(book_path_);
    QFile text(tmp_.filePath(QStringLiteral("text.xls")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("not a workbook\0\x01", 16));  // plain text would read as CSV
  }

  void layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Frame1") << "Frame1" << "EXCEL読込形式選択" << QRect(15, 10, 313, 167);
    QTest::newRow("Opt_1") << "Opt_1" << "曲名のみ" << QRect(19, 23, 140, 15);
    QTest::newRow("Opt_2") << "Opt_2" << "「曲名」「ｱﾙﾊﾞﾑ名」「ｱｰﾃｨｽﾄ名」" << QRect(19, 42, 250, 16);
    QTest::newRow("Opt_3") << "Opt_3" << "「曲順」「曲名」「ｱﾙﾊﾞﾑ名」「ｱｰﾃｨｽﾄ名」" << QRect(19, 61, 255, 21);
    QTest::newRow("Opt_4") << "Opt_4" << "見出しの列名で読込" << QRect(19, 83, 255, 17);
    QTest::newRow("Label1") << "Label1" << "EXCEL入力例：" << QRect(6, 106, 112, 18);
    QTest::newRow("SS2") << "SS2" << "" << QRect(9, 124, 295, 32);
    QTest::newRow("cmd_excel_read") << "cmd_excel_read" << "読込開始" << QRect(69, 184, 78, 35);
    QTest::newRow("cmd_cancel") << "cmd_cancel" << "戻る" << QRect(178, 184, 78, 35);
  }
  void layout() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    Fixture f;
    Form3* form = f.pick(book_path_);
    QVERIFY(form && form->isVisible());
    QVERIFY(!form->isModal());
    QCOMPARE(form->windowTitle(), QStringLiteral("EXCELﾌｧｲﾙ読込形式設定"));
    QCOMPARE(form->size(), QSize(341, 237));
    auto* w = form->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), geometry);
    const bool in_frame = name.startsWith("Opt_") || name == "Label1" || name == "SS2";
    QCOMPARE(w->parentWidget()->objectName(), in_frame ? QStringLiteral("Frame1") : QStringLiteral("Form3"));
    QString shown;
    if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    else if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    QCOMPARE(shown, text);
  }

  void format_choice_and_lifetime() {
    Fixture f;
    Form3* first = f.pick(book_path_);
    QVERIFY(f.child<QRadioButton>("Opt_1")->isChecked());
    QCOMPARE(f.windows.state().format, qint16(1));
    QCOMPARE(first->ss2().col_count(), 1);
    QCOMPARE(first->ss2().cell_text(1, 1), QStringLiteral("曲名"));

    f.child<QRadioButton>("Opt_3")->click();
    QVERIFY(!f.child<QRadioButton>("Opt_1")->isChecked());
    QCOMPARE(f.windows.state().format, qint16(3));
    auto* ss2 = f.child<QTableWidget>("SS2");
    QCOMPARE(ss2->columnCount(), 4);
    QCOMPARE(ss2->item(0, 0)->text(), QStringLiteral("曲順"));
    QCOMPARE(ss2->item(0, 3)->text(), QStringLiteral("ｱｰﾃｨｽﾄ名"));
    QCOMPARE(ss2->horizontalHeaderItem(3)->text(), QStringLiteral("D"));

    // Another file picked while open: the same window, the same format.
    QCOMPARE(f.pick(tmp_.filePath(QStringLiteral("other.xls"))), first);
    QVERIFY(f.child<QRadioButton>("Opt_3")->isChecked());
    QCOMPARE(f.windows.state().format, qint16(3));

    // 戻る destroys it; the next one starts again with format 1.
    f.child<QPushButton>("cmd_cancel")->click();
    QVERIFY(!first->isVisible());
    QTRY_VERIFY(!f.windows.form3());
    Form3* second = f.pick(book_path_);
    QVERIFY(second);
    QVERIFY(f.child<QRadioButton>("Opt_1")->isChecked());
    QCOMPARE(f.windows.state().format, qint16(1));
    QCOMPARE(second->ss2().col_count(), 1);

    // So does closing the window.
    second->close();
    QTRY_VERIFY(!f.windows.form3());
    f.dialogs.script.cancel();
    f.windows.cmd_excel();  // Cancel: no dialog
    QVERIFY(!f.windows.form3());
    QCOMPARE(f.windows.state().file_name, book_path_);
  }

  // By header names the dialog shows the rows first and asks; No leaves the
  // table as it was and the dialog open with its preview.
  void header_layout_preview() {
    Fixture f;
    for (int r = 1; r <= 3; ++r) {
      f.ss1.set_col(col::name);
      f.ss1.set_row(r);
      f.ss1.set_text(QStringLiteral("f%1.mp3").arg(r));
    }
    const QString sheet = tmp_.filePath(QStringLiteral("header.csv"));
    QFile file(sheet);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("ファイル名,曲名,Rating\nf1.mp3,t1,1\nfX.mp3,,2\n") > 0);
    file.close();
    Form3* form = f.pick(sheet);
    f.child<QRadioButton>("Opt_4")->click();
    auto* preview = f.child<QTableWidget>("preview");
    QVERIFY(!preview->isVisible());
    f.dialogs.script.no();
    f.child<QPushButton>("cmd_excel_read")->click();
    QCOMPARE(f.dialogs.script.log.last(), "ask: " + msg::fewer_rows.arg(2).arg(3) + msg::preview_question);
    QVERIFY(form->isVisible() && preview->isVisible());
    QCOMPARE(preview->rowCount(), 3);
    QCOMPARE(preview->horizontalHeaderItem(1)->text(), QStringLiteral("曲名"));
    QCOMPARE(preview->item(0, 1)->background().color(), QColor(150, 150, 255));  // t1 changes the title
    QCOMPARE(preview->item(1, 1)->background().style(), Qt::NoBrush);       // empty stays empty
    QCOMPARE(preview->item(1, 0)->background().color(), QColor(255, 0, 0));  // not the row's file
    QVERIFY(f.child<QLabel>("lbl_skipped")->text().endsWith(QStringLiteral("Rating")));
    QCOMPARE(f.ss1.cell_text(col::title, 1), QString());
    // Another layout hides it; reading again shows it again.
    f.child<QRadioButton>("Opt_1")->click();
    QVERIFY(!preview->isVisible());
    QCOMPARE(form->size(), QSize(341, 237));
    f.child<QRadioButton>("Opt_4")->click();

    f.dialogs.script.yes();
    f.child<QPushButton>("cmd_excel_read")->click();
    QCOMPARE(f.dialogs.script.notices(), QStringList{msg::done});
    QTRY_VERIFY(!f.windows.form3());
    QCOMPARE(f.ss1.cell_text(col::title, 1), QStringLiteral("t1"));
    QCOMPARE(f.ss1.cell_text(col::name, 2), QStringLiteral("f2.mp3"));
  }

  void successful_read_closes_before_the_notice() {
    Fixture f;
    Form3* form = f.pick(book_path_);
    f.child<QRadioButton>("Opt_2")->click();
    bool open_at_notice = true;
    f.dialogs.on_notify = [&] { open_at_notice = f.windows.form3() && f.windows.form3()->isVisible(); };
    f.dialogs.script.yes();
    // Enter reads: the read button is the dialog's default.
    QVERIFY(f.child<QPushButton>("cmd_excel_read")->isDefault());
    QTest::keyClick(form, Qt::Key_Return);
    QCOMPARE(f.dialogs.script.notices(), QStringList{msg::done});
    QVERIFY(!open_at_notice);
    QVERIFY(!form->isVisible());
    QTRY_VERIFY(!f.windows.form3());
    QCOMPARE(f.ss1.cell_text(col::album, 1), QStringLiteral("ｱﾙﾊﾞﾑ"));
    QCOMPARE(f.ss1.cell_colour(col::artist, 3), k_edited);
    QCOMPARE(f.ss1.cell_colour(col::order, 1), k_white);
  }

  void failures_leave_the_dialog_open_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("notice");
    QTest::newRow("stage 1: not a workbook") << "text.xls" << 2 << QStringList{} << msg::open_failed;
    QTest::newRow("stage 1: empty name") << "list.xls" << 2 << QStringList{"no", ""} << msg::blank_name;
    QTest::newRow("stage 2: typed sheet missing") << "list.xls" << 3 << QStringList{"no", "Sheet9"} << msg::no_sheet;
    QTest::newRow("stage 3: error value in D1") << "list.xls" << 3 << QStringList{"yes"} << msg::read_failed;
  }
  void failures_leave_the_dialog_open() {
    QFETCH(QString, file);
    QFETCH(int, option);
    QFETCH(QStringList, answers);
    QFETCH(QString, notice);
    Fixture f;
    Form3* form = f.pick(tmp_.filePath(file));
    f.child<QRadioButton>(option == 2 ? "Opt_2" : "Opt_3")->click();
    for (const QString& a : answers) {
      if (a == "yes") f.dialogs.script.yes();
      else if (a == "no") f.dialogs.script.no();
      else f.dialogs.script.type(a);
    }
    f.child<QPushButton>("cmd_excel_read")->click();
    QCOMPARE(f.dialogs.script.notices(), QStringList{notice});
    QCoreApplication::processEvents();
    QCOMPARE(f.windows.form3(), form);
    QVERIFY(form->isVisible());
    QCOMPARE(f.windows.state().format, qint16(option));
    QVERIFY(f.child<QRadioButton>(option == 2 ? "Opt_2" : "Opt_3")->isChecked());
    // Only a read that failed part-way changed cells, and it marks them.
    QCOMPARE(f.ss1.cell_colour(col::title, 1), notice == msg::read_failed ? k_edited : k_white);
  }
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
