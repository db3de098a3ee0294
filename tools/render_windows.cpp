// Renders every window to PNG files, for looking at the layout without a
// display: render_windows [out_dir] (default: the current folder).
// The main window shows a folder of generated MP3 files with Japanese tags,
// at its design size (form1.png) and as it opens on the screen
// (form1_opened.png). QT_SCALE_FACTOR=2 renders at scale 2.

#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

#include "app/fonts.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/form4.h"
#include "app/program_icon.h"
#include "fake_tag_library.h"
#include "mp3_fixture.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"

using namespace tn;

namespace {
void save(QWidget* w, const QString& path) {
  w->grab().save(path);
  std::printf("%s\n", qPrintable(path));
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(gothic_font(9));
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  QDir().mkpath(out);

  QTemporaryDir tmp;
  const QString folder = tmp.path() + QStringLiteral("/夏のベスト");
  QDir().mkpath(folder);
  test::FakeTagLibrary fake;
  const QString titles[] = {QStringLiteral("海辺の午後"), QStringLiteral("きみの名前"),
                            QStringLiteral("星空ドライブ"), QStringLiteral("Café du Soleil"),
                            QStringLiteral("雨上がりのメロディー"), QStringLiteral("ラストダンス")};
  for (int i = 0; i < 12; ++i) {
    const QString title = titles[i % 6] + (i >= 6 ? QStringLiteral(" (Live)") : QString());
    test::Mp3Spec spec;
    spec.v2 = test::text_tag(3, test::Enc::utf16, title, QStringLiteral("ぽむぽむバンド"),
                             QStringLiteral("夏のベスト 2024"));
    spec.audio_frames = 4;
    const QString path = test::make_mp3(folder, QStringLiteral("%1 %2.mp3").arg(i + 1).arg(title),
                                        spec);
    test::FakeTagLibrary::Entry e;
    e.tag.title = title;
    e.tag.artist = QStringLiteral("ぽむぽむバンド");
    e.tag.album = QStringLiteral("夏のベスト 2024");
    fake.files.insert(path.toUtf8(), e);
  }
  std::unique_ptr<TagLibrary> real = make_taglib_library();
  TagLibrary& tags = real ? *real : fake;

  TrackState state;
  ScriptedDialogs dialogs;
  Form1 form1(state, dialogs, tags);
  Form2 form2(form1, folder);
  // The user's own recent folders stay as they are.
  QSettings settings(tmp.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
  form2.set_recent_folders(RecentFolders(&settings));
  form1.set_startup_form(&form2);
  form2.show();
  save(&form2, out + QStringLiteral("/form2.png"));

  dialogs.yes();
  form2.cmd_set_click();
  form1.show();
  save(&form1, out + QStringLiteral("/form1_opened.png"));
  const QSize opened = form1.size();
  form1.resize(k_client_design + QSize(0, form1.menuBar()->height()));
  QCoreApplication::processEvents();
  save(&form1, out + QStringLiteral("/form1.png"));
  int i = 0;
  for (QMenu* m : form1.menuBar()->findChildren<QMenu*>()) {
    m->adjustSize();
    save(m, out + QStringLiteral("/form1_menu%1.png").arg(++i));
  }

  dialogs.pick(folder + QStringLiteral("/曲目.xls"));
  form1.cmd_excel();
  if (QWidget* import_dialog = form1.import_windows().form3())
    save(import_dialog, out + QStringLiteral("/form3.png"));

  form1.resize(opened);
  form1.show_about();
  save(form1.about_box(), out + QStringLiteral("/form4.png"));
  program_pixmap(32).save(out + QStringLiteral("/icon32.png"));
  program_pixmap(128).save(out + QStringLiteral("/icon128.png"));
  return 0;
}
