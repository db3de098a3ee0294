// よみがな on the command line: the user's dictionary of readings moved to
// and from a TSV file.

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "cli/cli.h"
#include "readings/messages.h"
#include "readings/readings.h"

namespace tn::cli {

namespace {

const QString k_export = QStringLiteral("--export");
const QString k_import = QStringLiteral("--import");

QString check_readings(const Args& args) {
  return args.has(k_export) == args.has(k_import) ? msg::readings_one_of : QString();
}

int fail(const QString& message) {
  print_err(QStringLiteral("tagnarabe-cli: ") + message + QLatin1Char('\n'));
  return k_bad_usage;
}

// Whether path, and the file a link there names, are called .tsv: the save
// replaces that file whole, so a name typed wrong or a link to a song would
// lose the song.
bool names_a_tsv(const QString& path) {
  const QFileInfo fi(path);
  const QString written = fi.isSymLink() && fi.exists() ? fi.canonicalFilePath() : path;
  return path.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive) &&
         written.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive);
}

int export_readings(const readings::Readings& r, const QString& path) {
  if (!names_a_tsv(path)) return fail(msg::readings_export_tsv_only + path);
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(r.user().to_tsv().toUtf8()) < 0 || !f.commit())
    return fail(msg::readings_cannot_open + path);
  print_err(msg::readings_exported + path + QLatin1Char('\n'));
  return k_ok;
}

int import_readings(readings::Readings& r, const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return fail(msg::readings_cannot_open + path);
  QString error;
  const int added = r.import_tsv(QString::fromUtf8(f.readAll()), &error);
  if (added < 0) return fail(error);
  print_err(msg::readings_imported + QString::number(added) + QLatin1Char('\n'));
  return k_ok;
}

int run_readings(const Args& args) {
  readings::Readings r;
  return args.has(k_export) ? export_readings(r, args.value(k_export)) : import_readings(r, args.value(k_import));
}

[[maybe_unused]] const bool readings_registered = add_subcommand({
    QStringLiteral("readings"),
    QStringLiteral("--export FILE | --import FILE"),
    QStringLiteral("よみがなの辞書（ご自分で直した読み）をTSVﾌｧｲﾙに書出し、またはそこから読込みます"),
    90,
    0,
    {{k_export, QStringLiteral("FILE"), QStringLiteral("よみがなの辞書をFILEに書出します")},
     {k_import, QStringLiteral("FILE"), QStringLiteral("FILEの読みをよみがなの辞書に加えます")}},
    check_readings,
    run_readings,
});

}  // namespace

}  // namespace tn::cli
