// The 表示 menu of the main window: which fields' columns the track table
// shows beside title, album and artist, remembered across sessions.

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTableWidget>

#include "app/form1.h"
#include "app/messages.h"
#include "table/sheet_columns.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn {

namespace {

const QString k_shown_key = QStringLiteral("shown_fields");

// The settings keep the fields' command-line names: a field added later
// starts hidden, one that is gone is forgotten.
FieldSet load_shown() {
  const QSettings s(QStringLiteral("tagnarabe"), QStringLiteral("tagnarabe"));
  FieldSet shown = default_shown();
  for (const QString& key : s.value(k_shown_key).toStringList())
    if (const auto f = field_from_key(key)) shown[*f] = true;
  return shown;
}

void save_shown(const FieldSet& shown) {
  QStringList keys;
  for (Field f : all_fields())
    if (shown[f] && !always_shown(f)) keys << field_key(f);
  QSettings(QStringLiteral("tagnarabe"), QStringLiteral("tagnarabe")).setValue(k_shown_key, keys);
}

QString item_name(Field f) { return QStringLiteral("mnu_col_") + field_key(f); }

}  // namespace

void Form1::build_view_menu(QMenuBar* bar) {
  QMenu* view = bar->addMenu(menu::view);
  view->setObjectName(QStringLiteral("mnu_view"));
  cx_.state.shown_fields = load_shown();
  for (Field f : all_fields()) {
    if (always_shown(f)) continue;
    QAction* a = view->addAction(field_name(f));
    a->setObjectName(item_name(f));
    a->setCheckable(true);
    connect(a, &QAction::toggled, this, [this, f](bool on) {
      if (cx_.state.shown_fields[f] == on) return;
      cx_.state.shown_fields[f] = on;
      show_fields();
      save_shown(cx_.state.shown_fields);
    });
  }
  // A command that fills a hidden column (an import by header names) shows
  // it: the user sees every change before a write.
  connect(table_->model(), &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from,
                                                                        const QModelIndex& to) {
    for (int c = from.column(); c <= to.column(); ++c)
      if (table_->isColumnHidden(c) && col::is_field(c + 1) && cx_.state.shown_fields[col::field_at(c + 1)]) {
        show_fields();
        return save_shown(cx_.state.shown_fields);
      }
  });
  show_fields();
}

void Form1::show_fields() {
  const FieldSet& shown = cx_.state.shown_fields;
  for (Field f : all_fields()) {
    if (always_shown(f)) continue;
    const int c = col::of(f) - 1;
    if (table_->isColumnHidden(c) == shown[f]) {
      table_->setColumnHidden(c, !shown[f]);
      // As wide as its header at least; the table scrolls sideways.
      const int wide = table_->horizontalHeader()->sectionSizeHint(c);
      if (shown[f] && table_->columnWidth(c) < wide) table_->setColumnWidth(c, wide);
    }
    if (auto* a = menuBar()->findChild<QAction*>(item_name(f))) a->setChecked(shown[f]);
  }
}

}  // namespace tn
