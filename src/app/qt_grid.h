#pragma once
// The grid over a QTableWidget: SS1 on the main window, SS2 on the import dialog.

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "table/grid.h"

namespace tn {

class QtGrid final : public Grid {
 public:
  explicit QtGrid(QTableWidget* table);
  QTableWidget* widget() const { return table_; }
  // Called with (col, row) after the user changed a cell's text in the
  // widget; the commands' own writes do not call it.
  void set_on_typed(std::function<void(int, int)> typed) { on_typed_ = std::move(typed); }

  int row_count() const override { return table_->rowCount(); }
  int col_count() const override { return table_->columnCount(); }
  QString cell_text(int col, int row) const override;
  Colour cell_colour(int col, int row) const override;
  CellMark cell_mark(int col, int row) const override;
  QString cell_why(int col, int row) const override;

 protected:
  void store_text(int col, int row, const QString& text) override;
  void store_colour(int col, int row, Colour colour, CellMark mark) override;
  void store_why(int col, int row, const QString& why) override;
  void resize(int cols, int rows) override;

 private:
  QTableWidgetItem* item(int col, int row);
  QTableWidget* table_;
  std::function<void(int, int)> on_typed_;
  bool storing_ = false;  // a change of ours, not the user's
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
