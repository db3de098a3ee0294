#pragma once
// Fonts asked for by name, with installed Japanese fonts in their place on
// machines that lack the named ones.

#include <QFont>
#include <QStringList>

namespace tn {

// The first of families that is installed, else the first installed
// Japanese font; at point_size, normal weight.
QFont pick_font(const QStringList& families, double point_size);

QFont gothic_font(double point_size);      // "ＭＳ Ｐゴシック" or a proportional gothic
QFont mincho_font(double point_size);      // "ＭＳ 明朝" or a mincho
QFont pop_font(double point_size);         // "HG創英角ﾎﾟｯﾌﾟ体" or a bold-looking gothic

// The largest size, down from font's own in quarter points, at which text
// fits in width pixels (never below 6 pt).
QFont fit_font(QFont font, const QString& text, int width);

}  // namespace tn
