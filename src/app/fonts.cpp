#include "app/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace tn {

namespace {
// Installed by the set-up; Noto for machines that have it instead.
const QStringList k_japanese_fallbacks = {
    QStringLiteral("IPAPGothic"),  QStringLiteral("IPAexGothic"),
    QStringLiteral("IPAGothic"),   QStringLiteral("Noto Sans CJK JP"),
    QStringLiteral("IPAPMincho"),  QStringLiteral("IPAexMincho"),
    QStringLiteral("IPAMincho"),   QStringLiteral("Noto Serif CJK JP"),
};

bool installed(const QString& family) {
  static const QStringList families = QFontDatabase::families();
  return families.contains(family, Qt::CaseInsensitive);
}
}  // namespace

QFont pick_font(const QStringList& families, double point_size) {
  QString chosen;
  for (const QString& f : families + k_japanese_fallbacks) {
    if (installed(f)) {
      chosen = f;
      break;
    }
  }
  // Nothing Japanese at all: let fontconfig find glyphs for the first name.
  QFont font(chosen.isEmpty() ? families.value(0) : chosen);
  font.setPointSizeF(point_size);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::AnyStyle, QFont::PreferQuality);
  return font;
}

QFont gothic_font(double point_size) {
  return pick_font({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")},
                   point_size);
}

QFont mincho_font(double point_size) {
  return pick_font({QStringLiteral("ＭＳ 明朝"), QStringLiteral("MS Mincho"),
                    QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho"),
                    QStringLiteral("Noto Serif CJK JP")},
                   point_size);
}

QFont pop_font(double point_size) {
  return pick_font({QStringLiteral("HG創英角ﾎﾟｯﾌﾟ体"), QStringLiteral("HGSoeiKakupoptai"),
                    QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic"),
                    QStringLiteral("Noto Sans CJK JP")},
                   point_size);
}

QFont fit_font(QFont font, const QString& text, int width) {
  double pt = font.pointSizeF();
  while (pt > 6.0 && QFontMetrics(font).horizontalAdvance(text) > width) {
    pt -= 0.25;
    font.setPointSizeF(pt);
  }
  return font;
}

}  // namespace tn
