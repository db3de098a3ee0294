// Writes the program's icon as PNG files for the desktop's icon theme:
// make_icons out_dir size... gives out_dir/<size>x<size>/apps/tagnarabe.png.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fputs("usage: make_icons out_dir size...\n", stderr);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    if (size <= 0 || !QDir().mkpath(dir) ||
        !tn::program_pixmap(size).save(dir + QStringLiteral("/tagnarabe.png"))) {
      std::fprintf(stderr, "make_icons: cannot write the %s icon\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
