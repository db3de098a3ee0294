#include "mutagen.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace tn::test {

QStringList mutagen_lines(const QString& script, const QString& path) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return {QStringLiteral("mutagen failed")};
  return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList id3_frames(const QString& path) {
  return mutagen_lines(QStringLiteral("import sys\nfrom mutagen.id3 import ID3\n"
                                      "t = ID3(sys.argv[1], translate=False)\nprint('v2.%d' % t.version[1])\n"
                                      "for f in t.values():\n"
                                      "  print(f.HashKey + '=' + '/'.join(str(x) for x in getattr(f, 'text', [])))\n"),
                       path);
}

}  // namespace tn::test
