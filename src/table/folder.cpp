#include "table/folder.h"

#include "table/messages.h"
#include "table/text.h"

#include <QCollator>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tn {

namespace {

void append_utf8(QByteArray& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void sort_natural(QStringList& names) {
  // The C locale ignores numeric mode; the collation of our users does not.
  QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
    const int c = collator.compare(a, b);
    return c != 0 ? c < 0 : a < b;  // a fixed order for names equal but for case
  });
}

}  // namespace

QString decode_file_name(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  for (qsizetype i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const int len = utf8_sequence(p + i, bytes.size() - i, cp);
    if (len == 0) {
      out += QChar(static_cast<char16_t>(0xDC00 + p[i]));
      ++i;
    } else if (cp >= 0x10000) {
      out += QChar(QChar::highSurrogate(cp));
      out += QChar(QChar::lowSurrogate(cp));
      i += len;
    } else {
      out += QChar(static_cast<char16_t>(cp));
      i += len;
    }
  }
  return out;
}

QByteArray encode_file_name(const QString& name) {
  QByteArray out;
  out.reserve(name.size() * 3);
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
      append_utf8(out, QChar::surrogateToUcs4(c, name[++i].unicode()));
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      out += static_cast<char>(c - 0xDC00);  // a byte kept from the disk
    } else if (QChar::isSurrogate(c)) {
      append_utf8(out, 0xFFFD);
    } else {
      append_utf8(out, c);
    }
  }
  return out;
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
