#include "app/form3.h"

#include <QColor>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>

#include "app/messages.h"
#include "import/messages.h"
#include "table/track_table.h"

namespace tn {

namespace {

// Laid out in twips, 15 to a pixel.
constexpr QRect twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

template <typename W>
W* place(W* w, const char* name, const QRect& geometry) {
  w->setObjectName(QLatin1String(name));
  w->setGeometry(geometry);
  return w;
}

const QSize k_design_size = twips(0, 0, 5115, 3555).size();

}  // namespace

Form3::Form3(Context& cx, ImportState& st, ImportHost& host, QWidget* parent)
    : QDialog(parent),
      cx_(cx),
      st_(st),
      host_(host),
      ss2_table_(new QTableWidget(1, 1)),
      ss2_(ss2_table_) {
  setObjectName(QStringLiteral("Form3"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(import_msg::form3_caption);
  setFixedSize(k_design_size);

  auto* frame = place(new QGroupBox(import_msg::frame1, this), "Frame1", twips(225, 150, 4695, 2505));
  QRadioButton* opt[4] = {
      place(new QRadioButton(import_msg::opt_1, frame), "Opt_1", twips(285, 345, 2100, 225)),
      place(new QRadioButton(import_msg::opt_2, frame), "Opt_2", twips(285, 630, 3750, 240)),
      place(new QRadioButton(import_msg::opt_3, frame), "Opt_3", twips(285, 915, 3825, 315)),
      place(new QRadioButton(import_msg::opt_4, frame), "Opt_4", twips(285, 1245, 3825, 255)),
  };
  place(new QLabel(import_msg::label1, frame), "Label1", twips(90, 1590, 1680, 270));

  // One example row under the sheet's column letters.
  ss2_table_->setParent(frame);
  place(ss2_table_, "SS2", twips(135, 1860, 4425, 480));
  ss2_table_->setAccessibleName(acc::ss2);
  ss2_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ss2_table_->setSelectionMode(QAbstractItemView::NoSelection);
  ss2_table_->setFocusPolicy(Qt::NoFocus);
  ss2_table_->verticalHeader()->hide();
  ss2_table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ss2_table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ss2_table_->horizontalHeader()->setFixedHeight(ss2_table_->height() / 2);
  ss2_table_->horizontalHeader()->setDefaultSectionSize(ss2_table_->width() / 4 - 1);
  ss2_table_->verticalHeader()->setDefaultSectionSize(ss2_table_->height() / 2 - 2);

  auto* read = place(new QPushButton(import_msg::read_button, this), "cmd_excel_read",
                     twips(1035, 2760, 1170, 525));
  auto* back = place(new QPushButton(import_msg::back_button, this), "cmd_cancel",
                     twips(2670, 2760, 1170, 525));
  // Enter reads, as the dialog is there for; Escape goes back.
  read->setDefault(true);
  back->setAutoDefault(false);
  read->setToolTip(tip::cmd_excel_read);
  back->setToolTip(tip::cmd_cancel);

  // The dialog's load step, before the buttons report their changes.
  opt[0]->setChecked(true);
  choose(1);
  for (int i = 0; i < 4; ++i)
    connect(opt[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) choose(i + 1);
    });
  connect(read, &QPushButton::clicked, this, [this] { cmd_excel_read(cx_, st_, host_); });
  connect(back, &QPushButton::clicked, this, &QDialog::close);
  build_preview();
}

void Form3::build_preview() {
  const QRect below = twips(225, 3555, 4695, 0);
  preview_label_ = place(new QLabel(import_msg::preview_label, this), "lbl_preview",
                         QRect(below.left(), below.top(), 200, 20));
  preview_ = place(new QTableWidget(this), "preview", QRect(below.left(), below.top() + 22, 560, 220));
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  preview_->setAccessibleName(import_msg::preview_label);
  skipped_ = place(new QLabel(this), "lbl_skipped", QRect(below.left(), below.top() + 246, 560, 20));
  for (QWidget* w : preview_parts()) w->hide();
}

std::array<QWidget*, 3> Form3::preview_parts() const { return {preview_label_, preview_, skipped_}; }

void Form3::show_preview(const HeaderImport& sheet) {
  preview_->clear();
  preview_->setColumnCount(static_cast<int>(sheet.columns.size()));
  preview_->setRowCount(static_cast<int>(sheet.rows.size()));
  for (int c = 0; c < preview_->columnCount(); ++c) {
    const HeaderImport::Column& column = sheet.columns[static_cast<std::size_t>(c)];
    preview_->setHorizontalHeaderItem(c, new QTableWidgetItem(column.header));
    for (int r = 0; r < preview_->rowCount(); ++r) {
      auto* item = new QTableWidgetItem(sheet.rows[static_cast<std::size_t>(r)][c]);
      if (item->text() != cx_.ss1.cell_text(column.table_col, r + 1))
        item->setBackground(column.table_col == col::name ? QColor(255, 0, 0) : QColor(150, 150, 255));
      preview_->setItem(r, c, item);
    }
  }
  skipped_->setText(sheet.skipped.isEmpty() ? QString()
                                            : import_msg::skipped_label + sheet.skipped.join(QStringLiteral(", ")));
  for (QWidget* w : preview_parts()) w->show();
  // The dialog grows to show it.
  setFixedSize(std::max(width(), preview_->geometry().right() + 16), skipped_->geometry().bottom() + 10);
}

void Form3::choose(int format) {
  choose_format(st_, ss2_, format);
  for (int c = 0; c < ss2_table_->columnCount(); ++c)
    ss2_table_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString(QChar(u'A' + c))));
  // A preview belongs to the layout it was read with.
  if (!preview_ || !preview_->isVisible()) return;
  for (QWidget* w : preview_parts()) w->hide();
  setFixedSize(k_design_size);
}

ImportWindows::~ImportWindows() { delete form_; }

void ImportWindows::show_import_dialog() {
  if (!form_) form_ = new Form3(cx_, st_, *this, main_);
  form_->show();
  form_->raise();
  form_->activateWindow();
}

void ImportWindows::show_preview(const HeaderImport& sheet) {
  if (form_) form_->show_preview(sheet);
}

void ImportWindows::close_import_dialog() {
  if (form_) form_->close();
}

}  // namespace tn
