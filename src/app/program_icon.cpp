#include "app/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tn {

QPixmap program_pixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);  // drawn on a 32 x 32 grid

  // Tile
  QLinearGradient sky(0, 1, 0, 31);
  sky.setColorAt(0, QColor(70, 140, 235));
  sky.setColorAt(1, QColor(25, 70, 160));
  p.setPen(QPen(QColor(15, 45, 110), 1));
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);

  // Tag, pointing left, with its eyelet
  QPainterPath tag;
  tag.moveTo(4.5, 16);
  tag.lineTo(11, 8.5);
  tag.lineTo(27.5, 8.5);
  tag.lineTo(27.5, 23.5);
  tag.lineTo(11, 23.5);
  tag.closeSubpath();
  p.setPen(QPen(QColor(150, 100, 20), 1));
  p.setBrush(QColor(255, 235, 170));
  p.drawPath(tag);
  p.setBrush(QColor(25, 70, 160));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(10, 16), 1.7, 1.7);

  // Eighth note
  const QColor ink(200, 30, 60);
  p.setBrush(ink);
  p.save();
  p.translate(17.5, 20);
  p.rotate(-25);
  p.drawEllipse(QPointF(0, 0), 3.2, 2.3);
  p.restore();
  p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(20.2, 19.2), QPointF(20.2, 10.5));
  QPainterPath flag;
  flag.moveTo(20.2, 10.5);
  flag.cubicTo(21, 13, 25.5, 13.5, 24, 17.5);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(flag);
  return pm;
}

QIcon program_icon() {
  QIcon icon;
  for (int s : {16, 24, 32, 48, 64, 128}) icon.addPixmap(program_pixmap(s));
  return icon;
}

}  // namespace tn
