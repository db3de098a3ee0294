#include "clean_up/clean_text.h"

namespace tn {

namespace {

constexpr char16_t k_voiced = 0xFF9E, k_semi_voiced = 0xFF9F;

bool is_full_width_alnum(char16_t c) {
  return (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) ||
         (c >= 0xFF41 && c <= 0xFF5A);
}

// A mark after base: joined into one character where Unicode has one
// (カ + ﾞ -> ガ), else the full-width mark after it (゛ ゜). A null base: the
// mark starts the text.
QString with_mark(QChar base, char16_t mark) {
  const QChar alone(mark == k_voiced ? 0x309B : 0x309C);
  if (base.isNull()) return QString(alone);
  const QChar combining(mark == k_voiced ? 0x3099 : 0x309A);
  const QString joined = (QString(base) + combining).normalized(QString::NormalizationForm_C);
  return joined.size() == 1 ? joined : QString(base) + alone;
}

// What Windows drops from the end of a name, and FAT refuses there.
bool is_dot_or_blank(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(' '); }

}  // namespace

QString even_widths(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (is_full_width_alnum(c)) {
      out += QChar(c - 0xFEE0);
    } else if (c == 0x3000) {
      out += QLatin1Char(' ');
    } else if (c == k_voiced || c == k_semi_voiced) {
      const QChar base = out.isEmpty() ? QChar() : out.back();
      if (!out.isEmpty()) out.chop(1);
      out += with_mark(base, c);
    } else if (c >= 0xFF61 && c <= 0xFF9D) {
      // Their compatibility forms are the full-width ones (｡ -> 。, ｶ -> カ).
      out += QString(ch).normalized(QString::NormalizationForm_KC);
    } else {
      out += ch;
    }
  }
  return out;
}

QString portable_name(const QString& name) {
  static const QString refused = QStringLiteral("\\/:*?\"<>|");
  static const QString full_width = QStringLiteral("＼／：＊？＂＜＞｜");
  QString out = name;
  for (QChar& c : out) {
    const qsizetype k = refused.indexOf(c);
    if (k >= 0) c = full_width[k];
  }
  const QString ext = QStringLiteral(".mp3");
  const bool has_ext = out.endsWith(ext, Qt::CaseInsensitive);
  QString stem = has_ext ? out.chopped(ext.size()) : out;
  qsizetype end = stem.size();
  while (end > 0 && is_dot_or_blank(stem[end - 1])) --end;
  if (end == 0) return out;
  stem.truncate(end);
  return has_ext ? stem + out.right(ext.size()) : stem;
}

}  // namespace tn
