#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "app/fonts.h"
#include "app/form1.h"
#include "app/form2.h"
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

  std::unique_ptr<tn::TagLibrary> tags = tn::make_taglib_library();
  if (!tags) {
    std::fputs("tagnarabe: the tag library is not available\n", stderr);
    return 1;
  }
  tn::TrackState state;
  tn::QtDialogs dialogs;  // boxes over whichever window is active
  tn::Form1 form1(state, dialogs, *tags);
  tn::Form2 form2(form1, own_folder());
  form1.set_startup_form(&form2);
  form2.show();
  return app.exec();
}
