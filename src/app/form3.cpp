#include "app/form3.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/messages.h"
#include "import/messages.h"

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
  setFixedSize(twips(0, 0, 5115, 3555).size());

  auto* frame = place(new QGroupBox(import_msg::frame1, this), "Frame1", twips(225, 150, 4695, 2505));
  QRadioButton* opt[3] = {
      place(new QRadioButton(import_msg::opt_1, frame), "Opt_1", twips(285, 345, 2100, 225)),
      place(new QRadioButton(import_msg::opt_2, frame), "Opt_2", twips(285, 630, 3750, 240)),
      place(new QRadioButton(import_msg::opt_3, frame), "Opt_3", twips(285, 915, 3825, 315)),
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
  for (int i = 0; i < 3; ++i)
    connect(opt[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) choose(i + 1);
    });
  connect(read, &QPushButton::clicked, this, [this] { cmd_excel_read(cx_, st_, host_); });
  connect(back, &QPushButton::clicked, this, &QDialog::close);
}

void Form3::choose(int format) {
  choose_format(st_, ss2_, format);
  for (int c = 0; c < ss2_table_->columnCount(); ++c)
    ss2_table_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString(QChar(u'A' + c))));
}

ImportWindows::~ImportWindows() { delete form_; }

void ImportWindows::show_import_dialog() {
  if (!form_) form_ = new Form3(cx_, st_, *this, main_);
  form_->show();
  form_->raise();
  form_->activateWindow();
}

void ImportWindows::close_import_dialog() {
  if (form_) form_->close();
}

}  // namespace tn
