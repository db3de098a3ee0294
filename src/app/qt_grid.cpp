#include "app/qt_grid.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMetaProperty>
#include <QScopedValueRollback>
#include <QToolTip>

#include "app/messages.h"

namespace tn {

namespace {
// Told beside the colour, for screen readers and in the tooltip.
QString state_of(CellMark m) {
  switch (m) {
    case CellMark::edited: return cell_state::edited;
    case CellMark::unreadable: return cell_state::failed;
    case CellMark::repaired: return cell_state::repaired;
    case CellMark::legacy: return cell_state::legacy;
    case CellMark::no_audio: return cell_state::no_audio;
    case CellMark::unsure: return cell_state::unsure;
    case CellMark::plain: break;
  }
  return {};
}
constexpr int k_mark_role = Qt::UserRole;
constexpr int k_why_role = Qt::UserRole + 1;
}  // namespace

QtGrid::QtGrid(QTableWidget* table) : table_(table) {
  QObject::connect(table_, &QTableWidget::itemChanged, table_, [this](QTableWidgetItem* it) {
    if (!storing_ && on_typed_) on_typed_(it->column() + 1, it->row() + 1);
  });
}

QColor to_qcolor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
Colour from_qcolor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

QTableWidgetItem* QtGrid::item(int col, int row) {
  QTableWidgetItem* it = table_->item(row - 1, col - 1);
  if (!it) {
    const QScopedValueRollback ours(storing_, true);
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

CellMark QtGrid::cell_mark(int col, int row) const {
  const QTableWidgetItem* it = table_->item(row - 1, col - 1);
  return it ? static_cast<CellMark>(it->data(k_mark_role).toInt()) : CellMark::plain;
}

QString QtGrid::cell_why(int col, int row) const {
  const QTableWidgetItem* it = table_->item(row - 1, col - 1);
  return it ? it->data(k_why_role).toString() : QString();
}

void QtGrid::store_text(int col, int row, const QString& text) {
  {
    const QScopedValueRollback ours(storing_, true);
    item(col, row)->setText(text);
  }
  if (on_stored_) on_stored_(false);
}

void QtGrid::store_colour(int col, int row, Colour colour, CellMark mark) {
  const QScopedValueRollback ours(storing_, true);
  QTableWidgetItem* it = item(col, row);
  it->setBackground(to_qcolor(colour));
  it->setData(k_mark_role, static_cast<int>(mark));
  it->setData(Qt::AccessibleDescriptionRole, state_of(mark));
  it->setData(k_why_role, QVariant());
}

// Told after what the mark means, in the tooltip and to screen readers.
void QtGrid::store_why(int col, int row, const QString& why) {
  const QScopedValueRollback ours(storing_, true);
  QTableWidgetItem* it = item(col, row);
  it->setData(k_why_role, why);
  it->setData(Qt::AccessibleDescriptionRole, state_of(cell_mark(col, row)) + QLatin1Char('\n') + why);
}

void QtGrid::resize(int cols, int rows) {
  table_->setColumnCount(cols);
  table_->setRowCount(rows);
  if (on_stored_) on_stored_(true);
}

QString CellToolTips::tooltip(const QAbstractItemView* view, const QModelIndex& index) const {
  QStringList lines;
  QStyleOptionViewItem opt;
  opt.initFrom(view->viewport());
  opt.rect = view->visualRect(index);
  initStyleOption(&opt, index);
  const QStyle* style = view->style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view);
  if (!opt.text.isEmpty() &&
      opt.fontMetrics.horizontalAdvance(opt.text) > text.width() - 2 * margin)
    lines << opt.text;
  const QString state = index.data(Qt::AccessibleDescriptionRole).toString();
  if (!state.isEmpty()) lines << state;
  return lines.join(QLatin1Char('\n'));
}

void CellToolTips::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
  if (!on_commit_) return QStyledItemDelegate::setModelData(editor, model, index);
  on_commit_(index, editor->metaObject()->userProperty().read(editor).toString());
}

bool CellToolTips::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                             const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() != QEvent::ToolTip || !index.isValid())
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  const QString tip = tooltip(view, index);
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(event->globalPos(), tip, view->viewport(), view->visualRect(index));
  return true;
}

}  // namespace tn
