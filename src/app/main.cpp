#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>

#include "app/desktop.h"
#include "app/fonts.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/messages.h"
#include "app/program_icon.h"
#include "app/qt_dialogs.h"
#include "table/track_state.h"
#include "tags/tag_library.h"

namespace {
// The folder the program was started in, or home when that can't be read.
QString own_folder() {
  const QString cwd = QDir::currentPath();
  const QFileInfo fi(cwd);
  return fi.isDir() && fi.isReadable() ? cwd : QDir::homePath();
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tagnarabe"));
  QApplication::setWindowIcon(tn::program_icon());
  QApplication::setFont(tn::gothic_font(9));
  tn::load_qt_translations(QLocale::system());

  // tagnarabe [FOLDER]: the start-up form opens on FOLDER.
  QString bad;
  QString start = tn::folder_argument(QApplication::arguments().mid(1), &bad);
  if (!bad.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(tn::msg::bad_folder_argument + bad));
  if (start.isEmpty()) start = own_folder();

  std::unique_ptr<tn::TagLibrary> tags = tn::make_taglib_library();
  if (!tags) {
    std::fputs("tagnarabe: the tag library is not available\n", stderr);
    return 1;
  }
  tn::TrackState state;
  tn::QtDialogs dialogs;  // boxes over whichever window is active
  tn::Form1 form1(state, dialogs, *tags);
  tn::Form2 form2(form1, start);
  form1.set_startup_form(&form2);
  form2.show();
  return app.exec();
}
