#include "table/folder.h"

#include <QCollator>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace tn {

QStringList list_mp3_files(const QString& folder) {
  // Read with readdir: QDir would hand back names with invalid bytes replaced.
  QStringList names;
  const QByteArray dir_bytes = encode_file_name(with_trailing_slash(folder));
  DIR* dir = ::opendir(dir_bytes.constData());
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray raw(e->d_name);
    if (raw == "." || raw == ".." || raw.size() < 4 || raw.right(4).toLower() != ".mp3") continue;
    // Regular files and links to them; broken links are not files.
    struct stat st;
    if (::stat((dir_bytes + raw).constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names << decode_file_name(raw);
  }
  ::closedir(dir);
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
