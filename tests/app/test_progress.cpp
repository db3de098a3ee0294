// The progress window of long runs: shown late, and modal, so that no other
// command can start while a run lasts.

#include <QApplication>
#include <QtTest>

#include "app/qt_progress.h"

using namespace tn;

class ProgressTest : public QObject {
  Q_OBJECT
 private slots:
  void a_short_run_shows_nothing() {
    QWidget main;
    QtProgress p(&main, 60'000);
    p.begin(100);
    for (int i = 0; i < 100; ++i) p.step(i);
    QVERIFY(!p.window());
    p.end();
  }

  void a_long_run_is_modal() {
    QWidget main;
    main.show();
    QtProgress p(&main, 0);
    p.begin(3);
    p.step(0);
    QVERIFY(p.window() && p.window()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), p.window());
    p.step(2);
    QVERIFY(!p.window()->close());  // only the end of the run closes it
    p.end();
    QVERIFY(!p.window());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }
};

QTEST_MAIN(ProgressTest)
#include "test_progress.moc"
