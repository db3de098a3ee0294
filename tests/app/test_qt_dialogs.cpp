// The real message boxes, driven by keys as a user answers them.

#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "app/qt_dialogs.h"

using namespace tn;

namespace {
// Runs look_and_answer on the box once it is up; the box blocks until then.
void when_shown(std::function<void(QMessageBox*)> look_and_answer) {
  QTimer::singleShot(0, [look_and_answer] {
    QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
    look_and_answer(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
  });
}
}  // namespace

class TestQtDialogs : public QObject {
  Q_OBJECT
 private slots:
  void questions_data() {
    QTest::addColumn<bool>("yes_default");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("answer");
    QTest::newRow("ask, Enter") << true << int(Qt::Key_Return) << true;
    QTest::newRow("ask, Escape") << true << int(Qt::Key_Escape) << false;
    // A button's letter answers it, as on a Japanese desktop.
    QTest::newRow("ask, N") << true << int(Qt::Key_N) << false;
    QTest::newRow("ask, Y") << true << int(Qt::Key_Y) << true;
    QTest::newRow("before a loss, Enter") << false << int(Qt::Key_Return) << false;
    QTest::newRow("before a loss, Escape") << false << int(Qt::Key_Escape) << false;
    QTest::newRow("before a loss, Y") << false << int(Qt::Key_Y) << true;
  }
  void questions() {
    QFETCH(bool, yes_default);
    QFETCH(int, key);
    QFETCH(bool, answer);
    QtDialogs dialogs;
    QString caption, text, default_button;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::Warning;
    when_shown([&](QMessageBox* box) {
      caption = box->windowTitle();
      text = box->text();
      icon = box->icon();
      default_button = box->defaultButton() ? box->defaultButton()->text() : QString();
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      QTest::keyClick(box, Qt::Key(key));
      // A key that answers nothing must fail the test, not hang it.
      QTimer::singleShot(3000, box, [box] { box->done(-1); });
    });
    const QString q = QStringLiteral("よろしいですか？");
    QCOMPARE(yes_default ? dialogs.ask(q) : dialogs.ask_default_no(q), answer);
    QCOMPARE(caption, QStringLiteral("ぽむぽむ工房"));
    QCOMPARE(text, q);
    QCOMPARE(icon, QMessageBox::NoIcon);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
    QCOMPARE(default_button, yes_default ? QStringLiteral("はい(&Y)") : QStringLiteral("いいえ(&N)"));
  }

  void notice_has_one_ok() {
    QtDialogs dialogs;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QString caption;
    when_shown([&](QMessageBox* box) {
      caption = box->windowTitle();
      icon = box->icon();
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      QTest::keyClick(box, Qt::Key_Return);
    });
    dialogs.notify(QStringLiteral("正常終了しました"));
    QCOMPARE(caption, QStringLiteral("ぽむぽむ工房"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
  }

  // Each filter of the open-file dialog shows once, as named: Qt adds no
  // second copy of the patterns the name already holds.
  void file_filters_shown_once() {
    QtDialogs dialogs;
    QStringList shown;
    QTimer::singleShot(0, [&shown] {
      QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
      auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      const auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      for (int i = 0; combo && i < combo->count(); ++i) shown << combo->itemText(i);
      dlg->reject();
    });
    const QStringList filters{QStringLiteral("表計算ﾌｧｲﾙ(*.xls;*.xlsx;*.ods;*.csv;*.tsv) (*.xls *.xlsx *.ods *.csv *.tsv)"),
                              QStringLiteral("すべてのファイル(*.*) (*)")};
    QVERIFY(!dialogs.open_file(QDir::tempPath(), filters, 0));
    QCOMPARE(shown, (QStringList{QStringLiteral("表計算ﾌｧｲﾙ(*.xls;*.xlsx;*.ods;*.csv;*.tsv)"),
                                 QStringLiteral("すべてのファイル(*.*)")}));
  }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qt_dialogs.moc"
