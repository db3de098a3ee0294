// The About box: one window however often it is asked for, gone after
// "戻る", made afresh with the same contents.

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "app/form1.h"
#include "app/form4.h"
#include "fake_tag_library.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"

using namespace tn;

namespace {

struct Rig {
  TrackState state;
  ScriptedDialogs dialogs;  // the About box asks nothing: no answers
  test::FakeTagLibrary fake;
  Form1 form1{state, dialogs, fake};
  void choose() { form1.menuBar()->findChild<QAction*>("mnu_about")->trigger(); }
  QList<Form4*> boxes() const { return form1.findChildren<Form4*>(); }
};

void drop_closed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// What the box shows, for comparing two showings.
QStringList contents(Form4* box) {
  QStringList out{box->windowTitle(), QString::number(box->width()),
                  QString::number(box->height())};
  for (QLabel* l : box->findChildren<QLabel*>()) {
    QRect g = l->geometry();
    out << l->objectName() << l->text() << l->font().toString()
        << QString::asprintf("%d,%d,%d,%d", g.x(), g.y(), g.width(), g.height())
        << l->palette().color(QPalette::WindowText).name();
  }
  return out;
}

}  // namespace

class TestForm4 : public QObject {
  Q_OBJECT

 private slots:
  void layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Label2") << "Label2" << "タグならべ" << QRect(315, 180, 5535, 480);
    QTest::newRow("Label3") << "Label3" << "ＶＥＲ1.06" << QRect(690, 765, 1815, 330);
    QTest::newRow("Label4") << "Label4" << "support@pompom-kobo.example"
                            << QRect(3345, 795, 2175, 270);
    QTest::newRow("Picture1") << "Picture1" << "" << QRect(5085, 1170, 630, 570);
    QTest::newRow("cmd_modoru3") << "cmd_modoru3" << "戻る" << QRect(1980, 1635, 1530, 360);
  }
  void layout() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    Rig rig;
    rig.form1.show();
    rig.choose();
    Form4* box = rig.form1.about_box();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(box->size(), QSize(380, 136));
    auto* w = box->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                                  twips.height() / 15));
    if (auto* l = qobject_cast<QLabel*>(w)) {
      QCOMPARE(l->text(), text);
      // The whole text shows.
      QVERIFY(l->fontMetrics().horizontalAdvance(text) <= l->width());
      QVERIFY(l->fontMetrics().height() <= l->height());
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) QCOMPARE(b->text(), text);
  }

  void fonts_colour_and_icon() {
    Rig rig;
    rig.choose();
    Form4* box = rig.form1.about_box();
    auto* name = box->findChild<QLabel*>("Label2");
    QCOMPARE(name->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(name->font().pointSizeF(), 15.75);
    QCOMPARE(name->font().weight(), QFont::Normal);
    QVERIFY(!name->font().italic());
    auto* version = box->findChild<QLabel*>("Label3");
    QCOMPARE(version->font().pointSizeF(), 14.25);
    const QString mincho = version->font().family();
    QVERIFY2(mincho.contains(QStringLiteral("明朝")) || mincho.contains(QStringLiteral("Mincho")),
             qPrintable(mincho));
    auto* picture = box->findChild<QLabel*>("Picture1");
    QCOMPARE(picture->pixmap().size(), QSize(32, 32));
    QVERIFY(!box->windowIcon().isNull());
  }

  void one_window_however_often_chosen() {
    Rig rig;
    rig.form1.show();
    rig.choose();
    Form4* first = rig.form1.about_box();
    rig.choose();
    QCOMPARE(rig.boxes().size(), 1);
    QCOMPARE(rig.form1.about_box(), first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->isModal());
    QVERIFY(rig.form1.isEnabled());
  }

  void closing_data() {
    QTest::addColumn<bool>("by_button");
    QTest::newRow("戻る") << true;
    QTest::newRow("close control") << false;
  }
  void closing() {
    QFETCH(bool, by_button);
    Rig rig;
    rig.form1.show();
    rig.choose();
    Form4* box = rig.form1.about_box();
    const QStringList shown = contents(box);
    if (by_button)
      QTest::mouseClick(box->findChild<QPushButton*>("cmd_modoru3"), Qt::LeftButton);
    else
      box->close();
    drop_closed();
    QVERIFY(!rig.form1.about_box());
    QCOMPARE(rig.boxes().size(), 0);

    rig.choose();
    QVERIFY(rig.form1.about_box());
    QCOMPARE(rig.boxes().size(), 1);
    QCOMPARE(contents(rig.form1.about_box()), shown);
  }
};

QTEST_MAIN(TestForm4)
#include "test_form4.moc"
