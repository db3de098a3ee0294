#pragma once
// What the program takes from the desktop: a folder named on the command line
// or dropped on a window, the folders confirmed before, Qt's own texts in
// Japanese.

#include <QString>
#include <QStringList>

class QLocale;
class QMimeData;
class QSettings;

namespace tn {

// The folder a path stands for: itself when it is a readable folder, the
// folder holding it when it is a file (a dropped or opened MP3), else empty.
QString folder_for(const QString& path);

// The folder given on the command line (arguments without the program name):
// the last one that is not an option. Empty when none is given; bad is set
// to an argument that names no folder.
QString folder_argument(const QStringList& args, QString* bad = nullptr);

// The folder of the first local path among dropped data, or empty.
QString dropped_folder(const QMimeData* data);

// The folders confirmed recently, newest first, only those still there.
class RecentFolders {
 public:
  static constexpr int k_max = 10;
  // settings: where the list is kept; the program's own settings when null.
  explicit RecentFolders(QSettings* settings = nullptr) : settings_(settings) {}
  QStringList list() const;
  void remember(const QString& folder);

 private:
  QSettings* settings_;
};

// Installs Qt's own translations (buttons and labels of its dialogs): the
// Japanese ones, and over them those of the session's language when Qt has
// them. False when the Japanese ones are not installed.
bool load_qt_translations(const QLocale& session);

}  // namespace tn
