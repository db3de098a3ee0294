#pragma once
// The installed tagnarabe-cli run as a user runs it, and what a test needs
// around it: folders of real MP3 files, and a look at every byte, inode and
// name of a folder before and after.

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <sys/stat.h>

#include "mp3_fixture.h"

namespace tn::test {

struct CliRun {
  int status = -1;
  QByteArray out;
  QString err;
  QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
  QStringList lines() const { return QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts); }
};

// The program as installed by the test's set-up (TAGNARABE_CLI).
inline QString cli_program() { return qEnvironmentVariable("TAGNARABE_CLI"); }

// Runs the program with args; child_setup runs in the child before it starts.
inline CliRun run_cli(const QStringList& args, std::function<void()> child_setup = {}) {
  QProcess p;
  if (child_setup) p.setChildProcessModifier(child_setup);
  p.start(cli_program(), args);
  CliRun r;
  if (!p.waitForStarted() || !p.waitForFinished(60000)) return r;
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// A file as tagged by the tests: UTF-16 text frames with room to grow.
inline Mp3Spec tagged(const QString& title, const QString& artist, const QString& album) {
  Mp3Spec s;
  s.v2 = text_tag(3, Enc::utf16, title, artist, album, 1024);
  return s;
}

// Every entry of a folder (hidden ones too): name, inode, size, change
// time and bytes, one line each.
inline QStringList snapshot(const QString& dir) {
  QStringList out;
  for (const QString& name : QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                                 QDir::Name)) {
    const QString path = dir + QLatin1Char('/') + name;
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    out << QStringLiteral("%1 %2 %3 %4.%5 %6")
               .arg(name)
               .arg(st.st_ino)
               .arg(st.st_size)
               .arg(st.st_mtim.tv_sec)
               .arg(st.st_mtim.tv_nsec)
               .arg(QString::fromLatin1(
                   QCryptographicHash::hash(read_file(path), QCryptographicHash::Sha256).toHex()));
  }
  return out;
}

// The column `field` of every row of a list --json document.
inline QStringList column(const QJsonObject& doc, const QString& field) {
  QStringList out;
  for (const QJsonValue& row : doc.value("rows").toArray()) out << row.toObject().value(field).toString();
  return out;
}

}  // namespace tn::test
