// What the program takes from the desktop: a folder on the command line or
// dropped, the folders confirmed before, Qt's own texts in Japanese, and the
// fonts that show every title.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRawFont>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/desktop.h"

using namespace tn;

class TestDesktop : public QObject {
  Q_OBJECT

  QTemporaryDir tmp_;
  QString folder_, file_;

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    folder_ = tmp_.filePath(QStringLiteral("夏 の ベスト"));
    QVERIFY(QDir().mkpath(folder_));
    file_ = folder_ + QStringLiteral("/01 海.mp3");
    QFile f(file_);
    QVERIFY(f.open(QIODevice::WriteOnly));
  }

  void folder_argument_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("folder");  // "F": the test folder
    QTest::addColumn<bool>("bad");
    QTest::newRow("none") << QStringList() << "" << false;
    QTest::newRow("folder") << QStringList{"F"} << "F" << false;
    QTest::newRow("folder with a slash") << QStringList{"F/"} << "F" << false;
    QTest::newRow("an MP3 in it") << QStringList{"F/01 海.mp3"} << "F" << false;
    QTest::newRow("file URL") << QStringList{"file://F"} << "F" << false;
    QTest::newRow("options skipped") << QStringList{"--verbose", "F"} << "F" << false;
    QTest::newRow("after --") << QStringList{"--", "F"} << "F" << false;
    QTest::newRow("missing") << QStringList{"F/nothing"} << "" << true;
  }
  void folder_argument() {
    QFETCH(QStringList, args);
    QFETCH(QString, folder);
    QFETCH(bool, bad);
    for (QString& a : args) a.replace(QLatin1Char('F'), folder_);
    folder.replace(QLatin1Char('F'), folder_);
    QString rejected;
    QCOMPARE(tn::folder_argument(args, &rejected), folder);
    QCOMPARE(!rejected.isEmpty(), bad);
  }

  void dropped() {
    QMimeData data;
    QCOMPARE(dropped_folder(&data), QString());
    data.setUrls({QUrl(QStringLiteral("https://example.org/a.mp3")), QUrl::fromLocalFile(file_)});
    QCOMPARE(dropped_folder(&data), folder_);
    data.setUrls({QUrl::fromLocalFile(folder_)});
    QCOMPARE(dropped_folder(&data), folder_);
    data.setUrls({QUrl::fromLocalFile(folder_ + QStringLiteral("/gone"))});
    QCOMPARE(dropped_folder(&data), QString());
  }

  // Newest first, each once, at most ten, and only folders still there.
  void recent_folders() {
    QSettings settings(tmp_.filePath(QStringLiteral("recent.conf")), QSettings::IniFormat);
    RecentFolders recent(&settings);
    QCOMPARE(recent.list(), QStringList());
    QStringList made;
    for (int i = 0; i < 12; ++i) {
      made << tmp_.filePath(QStringLiteral("f%1").arg(i));
      QVERIFY(QDir().mkpath(made.last()));
      recent.remember(made.last());
    }
    recent.remember(made[3]);
    QDir(made[10]).removeRecursively();
    const QStringList expected{made[3], made[11], made[9], made[8], made[7],
                               made[6], made[5], made[4], made[2], made[1]};
    QCOMPARE(recent.list(), expected);
    // Kept across runs of the program.
    settings.sync();
    QSettings again(settings.fileName(), QSettings::IniFormat);
    QCOMPARE(RecentFolders(&again).list(), expected);
  }

  // Qt's own dialogs speak Japanese, whatever the session's language.
  void qt_texts_in_japanese() {
    QVERIFY(load_qt_translations(QLocale::c()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    QVERIFY2(labels.contains(QStringLiteral("ファイル名(&N):")) ||
                 labels.contains(QStringLiteral("ファイル名:")),
             qPrintable(labels.join(QLatin1Char('|'))));
  }

  // Titles with emoji show glyphs, not empty boxes.
  void emoji_font_installed() {
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji")));
    const QRawFont emoji = QRawFont::fromFont(QFont(QStringLiteral("Noto Color Emoji")));
    QVERIFY(emoji.supportsCharacter(char32_t(0x1F3B5)));  // musical note
  }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
