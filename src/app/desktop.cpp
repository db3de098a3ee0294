#include "app/desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMimeData>
#include <QSettings>
#include <QTranslator>
#include <QUrl>
#include <memory>

namespace tn {

namespace {
const QString k_recent_key = QStringLiteral("recent_folders");

std::unique_ptr<QSettings> own_settings() {
  return std::make_unique<QSettings>(QStringLiteral("tagnarabe"), QStringLiteral("tagnarabe"));
}
}  // namespace

QString folder_for(const QString& path) {
  if (path.isEmpty()) return {};
  const QFileInfo fi(path);
  const QFileInfo folder = fi.isDir() ? fi : QFileInfo(fi.absolutePath());
  if (!fi.exists() || !folder.isDir() || !folder.isReadable()) return {};
  return QDir::cleanPath(folder.absoluteFilePath());
}

QString folder_argument(const QStringList& args, QString* bad) {
  QString given;
  bool options_over = false;
  for (const QString& a : args) {
    if (!options_over && a == QLatin1String("--")) {
      options_over = true;
      continue;
    }
    if (!options_over && a.startsWith(QLatin1Char('-'))) continue;
    given = a;
  }
  if (given.isEmpty()) return {};
  // A desktop entry may pass a URL.
  const QUrl url(given);
  if (url.isLocalFile()) given = url.toLocalFile();
  const QString folder = folder_for(given);
  if (folder.isEmpty() && bad) *bad = given;
  return folder;
}

QString dropped_folder(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return folder_for(url.toLocalFile());
  return {};
}

QStringList RecentFolders::list() const {
  std::unique_ptr<QSettings> own = settings_ ? nullptr : own_settings();
  const QSettings& s = settings_ ? *settings_ : *own;
  QStringList out;
  for (const QString& f : s.value(k_recent_key).toStringList())
    if (!out.contains(f) && QFileInfo(f).isDir()) out << f;
  return out.mid(0, k_max);
}

void RecentFolders::remember(const QString& folder) {
  std::unique_ptr<QSettings> own = settings_ ? nullptr : own_settings();
  QSettings& s = settings_ ? *settings_ : *own;
  QStringList kept = s.value(k_recent_key).toStringList();
  kept.removeAll(folder);
  kept.prepend(folder);
  // Folders that are gone (an unplugged stick) stay listed but unshown,
  // so they come back with the stick; the list itself stays short.
  s.setValue(k_recent_key, kept.mid(0, 2 * k_max));
}

bool load_qt_translations(const QLocale& session) {
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  const auto install = [&dir](const QLocale& locale) {
    auto* t = new QTranslator(QCoreApplication::instance());
    if (t->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), dir) &&
        QCoreApplication::installTranslator(t))
      return true;
    delete t;
    return false;
  };
  // The program speaks Japanese in any session, so Qt's dialogs do too unless
  // they can speak the session's own language.
  const bool japanese = install(QLocale(QLocale::Japanese, QLocale::Japan));
  if (session.language() != QLocale::Japanese && session.language() != QLocale::C) install(session);
  return japanese;
}

}  // namespace tn
