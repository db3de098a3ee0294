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
  // Called after a command stored a text, with true when it set the row or
  // column count.
  void set_on_stored(std::function<void(bool)> stored) { on_stored_ = std::move(stored); }
  // Sets a cell's text as the user's typing does: on_typed follows.
  void type_text(int col, int row, const QString& text) { item(col, row)->setText(text); }

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
  std::function<void(bool)> on_stored_;
  bool storing_ = false;  // a change of ours, not the user's
};

// Tooltips of the track table's cells: the whole text when the column cuts it
// off, and what the cell's colour means. An edit closed in a cell may go
// elsewhere than that one cell (the whole selection).
class CellToolTips final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The tooltip of index as view shows it; empty for none.
  QString tooltip(const QAbstractItemView* view, const QModelIndex& index) const;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
  // What the text of a closed editor goes to instead of its one cell.
  void set_on_commit(std::function<void(const QModelIndex&, const QString&)> commit) {
    on_commit_ = std::move(commit);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  std::function<void(const QModelIndex&, const QString&)> on_commit_;
};

// Colour conversions between the grid's 32-bit value and Qt.
QColor to_qcolor(Colour c);
Colour from_qcolor(const QColor& c);

}  // namespace tn
