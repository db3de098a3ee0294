#include "app/qt_grid.h"

namespace tn {

QColor to_qcolor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
Colour from_qcolor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

QTableWidgetItem* QtGrid::item(int col, int row) {
  QTableWidgetItem* it = table_->item(row - 1, col - 1);
  if (!it) {
    it = new QTableWidgetItem;
    it->setBackground(to_qcolor(k_white));
    table_->setItem(row - 1, col - 1, it);
  }
  return it;
}

QString QtGrid::cell_text(int col, int row) const {
  const QTableWidgetItem* it = table_->item(row - 1, col - 1);
  return it ? it->text() : QString();
}

Colour QtGrid::cell_colour(int col, int row) const {
  const QTableWidgetItem* it = table_->item(row - 1, col - 1);
  if (!it || it->background().style() == Qt::NoBrush) return k_white;
  return from_qcolor(it->background().color());
}

void QtGrid::store_text(int col, int row, const QString& text) { item(col, row)->setText(text); }

void QtGrid::store_colour(int col, int row, Colour colour) {
  item(col, row)->setBackground(to_qcolor(colour));
}

void QtGrid::resize(int cols, int rows) {
  table_->setColumnCount(cols);
  table_->setRowCount(rows);
}

}  // namespace tn
