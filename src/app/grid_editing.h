#pragma once
// The track table edits like a spreadsheet: a header click sorts the view
// (never the rows the commands address by number), typing fills every
// selected cell, the clipboard takes and gives tab-separated blocks, Delete
// clears, Ctrl+Z takes the last of these edits back and Ctrl+Y (or
// Ctrl+Shift+Z) puts it in again; a right-click menu offers the same. Every
// change goes in as typing does, so it is marked as typing marks it.

#include <QObject>
#include <QString>
#include <vector>

class QModelIndex;
class QPoint;
class QTableWidget;

namespace tn {

class CellToolTips;
class QtGrid;

class GridEditing final : public QObject {
 public:
  // Takes over the table's keys, header clicks and its delegate's commits.
  GridEditing(QtGrid& grid, CellToolTips& delegate);
  ~GridEditing() override;

  // The column the view is sorted by (from 1); 0 for the rows' own order.
  int sorted_by() const { return sorted_by_; }
  void sort_by(int col);
  void copy() const;
  void paste();
  void clear();
  void undo();
  void redo();
  // The right-click menu at pos of the table's viewport, each item enabled
  // when its edit would do something.
  void show_menu(const QPoint& pos);
  // Closes an open cell editor, its text committed as Enter commits it.
  void finish_typing();

 private:
  struct Cell {
    int col, row;  // from 1
  };
  struct Change {
    Cell cell;
    QString text;
  };
  void commit(const QModelIndex& index, const QString& text);
  void command_stored(bool resized);
  // Sets each cell as typed; one step to undo for all of them, and nothing
  // left to redo.
  void apply(const std::vector<Change>& changes);
  // Sets each cell that differs; returns the texts they had.
  std::vector<Change> put(const std::vector<Change>& changes);
  // Takes the last step of from, puts it back and keeps its undoing in to.
  void step_back(std::vector<std::vector<Change>>& from, std::vector<std::vector<Change>>& to);
  // Every selected cell that shows, top to bottom, left to right on screen.
  std::vector<Cell> selected() const;
  bool editable(Cell c) const;
  std::vector<Change> fill(const std::vector<Cell>& cells, const QString& text) const;

  QtGrid& grid_;
  CellToolTips& delegate_;
  QTableWidget* table_;
  int sorted_by_ = 0;
  bool resort_queued_ = false;
  std::vector<std::vector<Change>> undo_;  // each step: the texts before it
  std::vector<std::vector<Change>> redo_;  // each step: the texts an undo took away
};

}  // namespace tn
