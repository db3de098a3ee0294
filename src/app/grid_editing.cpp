#include "app/grid_editing.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <map>
#include <numeric>

#include "app/messages.h"
#include "app/qt_grid.h"
#include "table/cell_blocks.h"

namespace tn {

namespace {

// Steps Ctrl+Z can take back; older ones are dropped.
constexpr std::size_t k_undo_steps = 100;

// An edit's key, for the table and for its menu to show: the platform's
// first (asked once the application runs).
QList<QKeySequence> keys(QKeySequence::StandardKey key) { return {QKeySequence(key)}; }
// Both of the usual keys, whatever the platform's own one is.
const QList<QKeySequence> k_redo_keys{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};

// A key of the table itself: it answers only while the table (not a cell's
// editor) has the focus, so an editor keeps its own Ctrl+C, Ctrl+V and Ctrl+Z.
void add_key(QTableWidget* table, const QList<QKeySequence>& keys, const std::function<void()>& run) {
  auto* a = new QAction(table);
  a->setShortcuts(keys);
  a->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(a, &QAction::triggered, table, run);
  table->addAction(a);
}

}  // namespace

GridEditing::GridEditing(QtGrid& grid, CellToolTips& delegate)
    : grid_(grid), delegate_(delegate), table_(grid.widget()) {
  add_key(table_, keys(QKeySequence::Copy), [this] { copy(); });
  add_key(table_, keys(QKeySequence::Paste), [this] { paste(); });
  add_key(table_, keys(QKeySequence::Delete), [this] { clear(); });
  add_key(table_, keys(QKeySequence::Undo), [this] { undo(); });
  add_key(table_, k_redo_keys, [this] { redo(); });
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(table_, &QWidget::customContextMenuRequested, this, &GridEditing::show_menu);
  delegate_.set_on_commit([this](const QModelIndex& at, const QString& text) { commit(at, text); });
  grid_.set_on_stored([this](bool resized) { command_stored(resized); });
  // A header click sorts; it no longer selects the column as well, which
  // the next key typed would fill.
  QHeaderView* header = table_->horizontalHeader();
  disconnect(header, &QHeaderView::sectionPressed, table_, &QTableView::selectColumn);
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int section) { sort_by(section + 1 == sorted_by_ ? 0 : section + 1); });
}

GridEditing::~GridEditing() {
  delegate_.set_on_commit({});
  grid_.set_on_stored({});
}

void GridEditing::sort_by(int col) {
  std::vector<int> order;
  if (col >= 1 && col <= grid_.col_count()) {
    order = sorted_rows(grid_, col);
  } else {
    col = 0;
    order.resize(static_cast<std::size_t>(grid_.row_count()));
    std::iota(order.begin(), order.end(), 1);
  }
  // Only where the rows show moves: row r stays row r for every command.
  QHeaderView* rows = table_->verticalHeader();
  for (std::size_t v = 0; v < order.size(); ++v)
    rows->moveSection(rows->visualIndex(order[v] - 1), static_cast<int>(v));
  sorted_by_ = col;
  QHeaderView* header = table_->horizontalHeader();
  header->setSortIndicatorShown(col != 0);
  header->setSortIndicator(col - 1, Qt::AscendingOrder);
  if (table_->currentIndex().isValid()) table_->scrollTo(table_->currentIndex());
}

void GridEditing::copy() const {
  const std::vector<Cell> cells = selected();
  if (cells.empty()) return;
  // The block spans the rows and columns that hold a selected cell, in
  // their places on screen; a cell between them not selected is empty.
  QHeaderView* rows = table_->verticalHeader();
  QHeaderView* cols = table_->horizontalHeader();
  std::map<int, qsizetype> at_row, at_col;
  for (const Cell& c : cells) {
    at_row[rows->visualIndex(c.row - 1)];
    at_col[cols->visualIndex(c.col - 1)];
  }
  qsizetype k = 0;
  for (auto& place : at_row) place.second = k++;
  k = 0;
  for (auto& place : at_col) place.second = k++;
  CellBlock block(static_cast<qsizetype>(at_row.size()),
                  QStringList(static_cast<qsizetype>(at_col.size())));
  for (const Cell& c : cells)
    block[at_row[rows->visualIndex(c.row - 1)]][at_col[cols->visualIndex(c.col - 1)]] =
        grid_.cell_text(c.col, c.row);
  QGuiApplication::clipboard()->setText(to_tsv(block));
}

void GridEditing::paste() {
  const CellBlock block = from_tsv(QGuiApplication::clipboard()->text());
  if (block.isEmpty()) return;
  const std::vector<Cell> cells = selected();
  // One value into several cells fills them all.
  if (block.size() == 1 && block[0].size() == 1 && cells.size() > 1)
    return apply(fill(cells, block[0][0]));
  const QModelIndex at = table_->currentIndex();
  if (!at.isValid()) return;
  // From the current cell on as the cells show: down the rows, right along
  // the columns that are shown.
  QHeaderView* header = table_->horizontalHeader();
  std::vector<int> cols;
  for (int v = header->visualIndex(at.column()); v < header->count(); ++v)
    if (!header->isSectionHidden(header->logicalIndex(v))) cols.push_back(header->logicalIndex(v) + 1);
  QHeaderView* rows = table_->verticalHeader();
  const int first = rows->visualIndex(at.row());
  std::vector<Change> changes;
  for (qsizetype i = 0; i < block.size() && first + i < rows->count(); ++i) {
    const int row = rows->logicalIndex(first + static_cast<int>(i)) + 1;
    for (std::size_t j = 0; j < static_cast<std::size_t>(block[i].size()) && j < cols.size(); ++j)
      if (editable({cols[j], row})) changes.push_back({{cols[j], row}, block[i][static_cast<qsizetype>(j)]});
  }
  apply(changes);
}

void GridEditing::clear() { apply(fill(selected(), QString())); }

void GridEditing::undo() { step_back(undo_, redo_); }

void GridEditing::redo() { step_back(redo_, undo_); }

void GridEditing::step_back(std::vector<std::vector<Change>>& from, std::vector<std::vector<Change>>& to) {
  if (from.empty()) return;
  std::vector<Change> step = std::move(from.back());
  from.pop_back();
  std::reverse(step.begin(), step.end());
  const Cell first = step.back().cell;
  std::vector<Change> undone = put(step);
  if (!undone.empty()) to.push_back(std::move(undone));
  table_->setCurrentCell(first.row - 1, first.col - 1);
}

void GridEditing::show_menu(const QPoint& pos) {
  auto* menu = new QMenu(table_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const std::vector<Cell> cells = selected();
  const bool any_editable = std::any_of(cells.begin(), cells.end(), [this](Cell c) { return editable(c); });
  const auto item = [menu](const QString& text, const QList<QKeySequence>& keys, bool enabled, auto run) {
    QAction* a = menu->addAction(text, run);
    a->setShortcuts(keys);  // shown beside the text; the table's own keys run them
    a->setShortcutContext(Qt::WidgetShortcut);
    a->setEnabled(enabled);
  };
  item(grid_menu::copy, keys(QKeySequence::Copy), !cells.empty(), [this] { copy(); });
  item(grid_menu::paste, keys(QKeySequence::Paste),
       any_editable && !QGuiApplication::clipboard()->text().isEmpty(), [this] { paste(); });
  item(grid_menu::clear, keys(QKeySequence::Delete), any_editable, [this] { clear(); });
  menu->addSeparator();
  item(grid_menu::undo, keys(QKeySequence::Undo), !undo_.empty(), [this] { undo(); });
  item(grid_menu::redo, k_redo_keys, !redo_.empty(), [this] { redo(); });
  menu->popup(table_->viewport()->mapToGlobal(pos));
}

void GridEditing::finish_typing() {
  QWidget* editor = table_->indexWidget(table_->currentIndex());
  if (!editor) return;
  emit delegate_.commitData(editor);
  emit delegate_.closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridEditing::commit(const QModelIndex& index, const QString& text) {
  const Cell at{index.column() + 1, index.row() + 1};
  std::vector<Cell> cells = selected();
  // Typed into a cell outside the selection: that cell alone.
  if (std::none_of(cells.begin(), cells.end(), [&](const Cell& c) { return c.col == at.col && c.row == at.row; }))
    cells = {at};
  apply(fill(cells, text));
}

void GridEditing::command_stored(bool resized) {
  // A command's texts are no typed edit to take back, and the steps before
  // them would undo what it did.
  undo_.clear();
  redo_.clear();
  if (resized) {
    sort_by(0);  // a new folder shows in its own order
  } else if (sorted_by_ != 0 && !resort_queued_) {
    // Sorted again once the command is done, not at every cell it stores.
    resort_queued_ = true;
    QTimer::singleShot(0, this, [this] {
      resort_queued_ = false;
      if (sorted_by_ != 0) sort_by(sorted_by_);
    });
  }
}

void GridEditing::apply(const std::vector<Change>& changes) {
  std::vector<Change> before = put(changes);
  if (before.empty()) return;
  if (undo_.size() == k_undo_steps) undo_.erase(undo_.begin());
  undo_.push_back(std::move(before));
  redo_.clear();
}

std::vector<GridEditing::Change> GridEditing::put(const std::vector<Change>& changes) {
  std::vector<Change> before;
  for (const Change& c : changes) {
    const QString old = grid_.cell_text(c.cell.col, c.cell.row);
    if (old == c.text) continue;
    before.push_back({c.cell, old});
    grid_.type_text(c.cell.col, c.cell.row, c.text);
  }
  return before;
}

std::vector<GridEditing::Cell> GridEditing::selected() const {
  std::vector<Cell> cells;
  for (const QModelIndex& i : table_->selectionModel()->selectedIndexes())
    if (!table_->isRowHidden(i.row()) && !table_->isColumnHidden(i.column()))
      cells.push_back({i.column() + 1, i.row() + 1});
  const QModelIndex current = table_->currentIndex();
  if (cells.empty() && current.isValid()) cells.push_back({current.column() + 1, current.row() + 1});
  QHeaderView* rows = table_->verticalHeader();
  QHeaderView* cols = table_->horizontalHeader();
  std::sort(cells.begin(), cells.end(), [&](const Cell& a, const Cell& b) {
    return std::pair(rows->visualIndex(a.row - 1), cols->visualIndex(a.col - 1)) <
           std::pair(rows->visualIndex(b.row - 1), cols->visualIndex(b.col - 1));
  });
  return cells;
}

bool GridEditing::editable(Cell c) const {
  if (c.col < 1 || c.row < 1 || c.col > grid_.col_count() || c.row > grid_.row_count()) return false;
  const QModelIndex i = table_->model()->index(c.row - 1, c.col - 1);
  return (table_->model()->flags(i) & Qt::ItemIsEditable) && !table_->isColumnHidden(c.col - 1);
}

std::vector<GridEditing::Change> GridEditing::fill(const std::vector<Cell>& cells,
                                                    const QString& text) const {
  std::vector<Change> changes;
  for (const Cell& c : cells)
    if (editable(c)) changes.push_back({c, text});
  return changes;
}

}  // namespace tn
