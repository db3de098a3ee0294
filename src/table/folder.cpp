#include "table/folder.h"

#include <QCollator>
#include <QDir>
#include <algorithm>

namespace tn {

QStringList list_mp3_files(const QString& folder) {
  QDir dir(folder);
  // Hidden: dot-names are MP3 files too. No System: broken links are not files.
  QStringList names =
      dir.entryList({QStringLiteral("*.mp3")}, QDir::Files | QDir::Hidden, QDir::NoSort);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const QString& n) {
                               return !n.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
                             }),
              names.end());
  // The C locale ignores numeric mode; the collation of our users does not.
  QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
    const int c = collator.compare(a, b);
    return c != 0 ? c < 0 : a < b;  // a fixed order for names equal but for case
  });
  return names;
}

QString with_trailing_slash(const QString& path) {
  return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString folder_display_name(const QString& path, const QString& drive_text) {
  if (path.endsWith(QLatin1Char('/'))) return drive_text;
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace tn
