#include "table/folder.h"

#include "table/messages.h"

#include <QCollator>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tn {

namespace {

void sort_natural(QStringList& names) {
  const QCollator collator = natural_collator();
  std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
    const int c = collator.compare(a, b);
    return c != 0 ? c < 0 : a < b;  // a fixed order for names equal but for case
  });
}

}  // namespace

QCollator natural_collator() {
  // The C locale ignores numeric mode; the collation of our users does not.
  QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

QStringList list_mp3_files(const QString& folder, QStringList* links) {
  // Read with readdir: QDir would hand back names with invalid bytes replaced.
  QStringList names, linked;
  const QByteArray dir_bytes = encode_file_name(with_trailing_slash(folder));
  DIR* dir = ::opendir(dir_bytes.constData());
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray raw(e->d_name);
    if (raw == "." || raw == ".." || raw.size() < 4 || raw.right(4).toLower() != ".mp3") continue;
    // A link's writes would land in a file of another folder, or fail as
    // one that changed since it was read: it is told apart, never a row.
    struct stat st;
    if (::lstat((dir_bytes + raw).constData(), &st) != 0) continue;
    if (S_ISREG(st.st_mode))
      names << decode_file_name(raw);
    else if (S_ISLNK(st.st_mode))
      linked << decode_file_name(raw);
  }
  ::closedir(dir);
  sort_natural(names);
  if (links) {
    sort_natural(linked);
    *links = linked;
  }
  return names;
}

QString links_skipped_text(const QStringList& links) {
  return links.isEmpty() ? QString() : msg::links_skipped_head + links.join(QStringLiteral("、"));
}

bool folder_writable(const QString& folder) {
  return ::access(encode_file_name(folder).constData(), W_OK | X_OK) == 0;
}

QString with_trailing_slash(const QString& path) {
  return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString folder_display_name(const QString& path, const QString& drive_text) {
  if (path.endsWith(QLatin1Char('/'))) return drive_text;
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace tn
