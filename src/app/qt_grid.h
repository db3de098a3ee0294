#pragma once
// The grid over a QTableWidget: SS1 on the main window, SS2 on the import dialog.

#include <QStyledItemDelegate>
#include <QTableWidget>

#include "table/grid.h"

namespace tn {

class QtGrid final : public Grid {
 public:
  explicit QtGrid(QTableWidget* table) : table_(table) {}
  QTableWidget* widget() const { return table_; }

  int row_count() const override { return table_->rowCount(); }
  int col_count() const override { return table_->columnCount(); }
  QString cell_text(int col, int row) const override;
  Colour cell_colour(int col, int row) const override;
  QString cell_note(int col, int row) const override;

 protected:
  void store_text(int col, int row, const QString& text) override;
  void store_colour(int col, int row, Colour colour) override;
  // The note is told in the colour's place, for screen readers and in the tooltip.
  void store_note(int col, int row, const QString& note) override;
  void resize(int cols, int rows) override;

 private:
  QTableWidgetItem* item(int col, int row);
  QTableWidget* table_;
};

// Tooltips of the track table's cells: the whole text when the column cuts it
// off, and what the cell's colour means.
class CellToolTips final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The tooltip of index as view shows it; empty for none.
  QString tooltip(const QAbstractItemView* view, const QModelIndex& index) const;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

// Colour conversions between the grid's 32-bit value and Qt.
QColor to_qcolor(Colour c);
Colour from_qcolor(const QColor& c);

}  // namespace tn
