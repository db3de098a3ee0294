#include "text/file_name.h"

#include "text/text.h"

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

}  // namespace tn
