#include "app/qt_grid.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

#include "app/messages.h"

namespace tn {

namespace {
constexpr int k_note_role = Qt::UserRole + 1;

// Told beside the colour, for screen readers and in the tooltip.
QString state_of(Colour c) {
  if (c == k_edited) return cell_state::edited;
  if (c == k_error) return cell_state::failed;
  return {};
}
}  // namespace

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
  QTableWidgetItem* it = item(col, row);
  it->setBackground(to_qcolor(colour));
  it->setData(Qt::AccessibleDescriptionRole, state_of(colour));
  it->setData(k_note_role, QVariant());
}

QString QtGrid::cell_note(int col, int row) const {
  const QTableWidgetItem* it = table_->item(row - 1, col - 1);
  return it ? it->data(k_note_role).toString() : QString();
}

void QtGrid::store_note(int col, int row, const QString& note) {
  QTableWidgetItem* it = item(col, row);
  it->setData(k_note_role, note);
  it->setData(Qt::AccessibleDescriptionRole,
              note.isEmpty() ? state_of(cell_colour(col, row)) : note);
}

void QtGrid::resize(int cols, int rows) {
  table_->setColumnCount(cols);
  table_->setRowCount(rows);
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
