#include "app/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QInputDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <numeric>

#include "app/desktop.h"
#include "app/fonts.h"
#include "app/form2.h"
#include "app/form4.h"
#include "app/grid_editing.h"
#include "app/messages.h"
#include "app/program_icon.h"
#include "undo/history_commands.h"
#include "history/messages.h"
#include "readings/fill_readings.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/sheet_columns.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"

namespace tn {

namespace {

constexpr int k_design_rows = 100;

// The track table at the design size; it keeps its margins to the client
// area's edges when the window grows or shrinks.
constexpr QRect k_ss1_geometry{8, 160, 903, 345};
constexpr int k_ss1_right = 916 - 911, k_ss1_bottom = 530 - 505;
// Below this the client area scrolls instead: a header and about five rows.
constexpr int k_ss1_min_height = 120;

}  // namespace


std::array<int, 5> ss1_column_pixels(int available) {
  const double total =
      std::accumulate(k_ss1_column_units.begin(), k_ss1_column_units.end(), 0.0);
  std::array<int, 5> px{};
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<int>(k_ss1_column_units[i] * available / total);  // floor: never wider
  return px;
}

Form1::Form1(TrackState& state, Dialogs& dialogs, TagLibrary& tags, QWidget* parent)
    : QMainWindow(parent),
      scroll_(new QScrollArea(this)),
      client_(new QWidget),
      table_(new QTableWidget(client_)),
      grid_(table_),
      cx_{state, grid_, dialogs, tags, &progress_},
      import_(cx_, this),
      end_program_([] { QCoreApplication::exit(0); }) {
  setObjectName(QStringLiteral("Form1"));
  setFont(gothic_font(9));
  setWindowIcon(program_icon());
  setAcceptDrops(true);
  client_->setObjectName(QStringLiteral("client"));
  // The design layout is the smallest the client area gets; on a smaller
  // screen it scrolls, so every control stays reachable.
  client_->setMinimumSize(k_client_design.width(),
                          k_ss1_geometry.top() + k_ss1_min_height + k_ss1_bottom);
  client_->resize(k_client_design);
  client_->installEventFilter(this);
  scroll_->setObjectName(QStringLiteral("scroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setWidgetResizable(true);
  scroll_->setWidget(client_);
  setCentralWidget(scroll_);
  setup_ss1();
  build_controls();
  build_menus();
  fit_to_screen();
  set_lock_wait(&lock_wait_);
}

Form1::~Form1() {
  if (lock_wait() == &lock_wait_) set_lock_wait(nullptr);
}

readings::Readings& Form1::readings() {
  if (!readings_) readings_ = std::make_unique<readings::Readings>();
  return *readings_;
}

QString Form1::album_text() const { return txt_all_al_->text(); }
QString Form1::artist_text() const { return txt_all_art_->text(); }

void Form1::setup_ss1() {
  table_->setObjectName(QStringLiteral("SS1"));
  table_->setAccessibleName(acc::ss1);
  table_->setGeometry(k_ss1_geometry);
  table_->setFont(gothic_font(9));
  table_->setColumnCount(col::last);
  table_->setRowCount(k_design_rows);
  QStringList headers;
  for (const SheetColumn& c : sheet_columns()) headers << c.header;
  table_->setHorizontalHeaderLabels(headers);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->verticalHeader()->setDefaultSectionSize(20);
  // Wide enough for row 100, and fixed so the columns can be shared out now.
  table_->verticalHeader()->setFixedWidth(
      table_->fontMetrics().horizontalAdvance(QStringLiteral("100")) + 14);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Arrows move between cells; Tab goes on to the next control.
  table_->setTabKeyNavigation(false);
  auto* tips = new CellToolTips(table_);
  table_->setItemDelegate(tips);
  editing_ = std::make_unique<GridEditing>(grid_, *tips);
  grid_.set_on_typed([this](int col, int row) {
    mark_typed(cx_, col, row);
    if (readings::sort_column_at(col)) readings::remember_reading(cx_, readings(), col, row);
  });
  place_ss1();
}

// The table follows the client area's size; its columns share the width
// beside the row numbers and the scroll bar.
void Form1::place_ss1() {
  const QSize size = client_->size();
  table_->setGeometry(k_ss1_geometry.left(), k_ss1_geometry.top(),
                      size.width() - k_ss1_geometry.left() - k_ss1_right,
                      size.height() - k_ss1_geometry.top() - k_ss1_bottom);
  const int available = table_->width() - 2 * table_->frameWidth() -
                        table_->verticalHeader()->width() -
                        table_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, table_);
  const auto px = ss1_column_pixels(available);
  for (int c = 0; c < 5; ++c) table_->setColumnWidth(c, px[static_cast<std::size_t>(c)]);
  if (auto* produced = client_->findChild<QWidget*>(QStringLiteral("lbl_produced")))
    produced->move(size.width() - (k_client_design.width() - k_produced_geometry.left()),
                   size.height() - (k_client_design.height() - k_produced_geometry.top()));
}

// The design size, but never larger than the screen's free area.
void Form1::fit_to_screen() {
  QSize size(k_client_design.width(), k_client_design.height() + menuBar()->sizeHint().height());
  if (const QScreen* s = screen()) {
    const QRect free = s->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    size = size.boundedTo(free.size() - frame);
    QPoint at = pos();
    at.setX(std::clamp(at.x(), free.left(), free.right() - size.width() - frame.width() + 1));
    at.setY(std::clamp(at.y(), free.top(), free.bottom() - size.height() - frame.height() + 1));
    move(at);
  }
  resize(size);
}

void Form1::run_command(const Route& route) {
  // A shortcut leaves a cell's editor open: what it holds counts too.
  editing_->finish_typing();
  emit command_started(QLatin1String(route.command));
  route.run(*this);
}

void Form1::set_startup_form(Form2* form2) { startup_ = form2; }

bool Form1::confirm(const QString& usual, const QString& discard) {
  if (has_unwritten_edits(cx_)) return cx_.dialogs.ask_default_no(discard);
  return cx_.dialogs.ask(usual);
}

void Form1::cmd_dir() { reselect(QString()); }

void Form1::reselect(const QString& folder) {
  if (!confirm(msg::confirm_reselect, msg::discard_on_reselect)) return;
  // The table stays as it is until a folder is confirmed there.
  if (startup_) {
    if (!folder.isEmpty()) startup_->set_folder(folder);
    startup_->show();
    startup_->raise();
    startup_->activateWindow();
  }
}

void Form1::cmd_end() {
  if (confirm(msg::confirm_end, msg::discard_on_end)) end_program_();
}

Form4* Form1::about_box() const { return about_; }

void Form1::cmd_excel() { import_.cmd_excel(); }

void Form1::cmd_undo_history() {
  const auto runs = history_lines(cx_.state.edit_folder);
  if (runs.empty()) {
    cx_.dialogs.notify(msg::undo_nothing);
    return;
  }
  QStringList lines;
  for (const auto& run : runs) lines << run.second;
  bool chosen = false;
  const QString line = QInputDialog::getItem(this, msg::run_undo, msg::undo_choose, lines, 0, false, &chosen);
  if (chosen) cmd_undo_runs(cx_, runs[static_cast<std::size_t>(lines.indexOf(line))].first);
}

void Form1::show_about() {
  if (!about_) about_ = new Form4(this);
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (has_unwritten_edits(cx_) && !cx_.dialogs.ask_default_no(msg::discard_on_close)) {
    event->ignore();
    return;
  }
  cx_.tags.vbmp3_close();
  if (startup_) startup_->close();
  // The import dialog and the About box go with the window.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->isWindow() && w->isVisible()) w->close();
  event->accept();
}

void Form1::showEvent(QShowEvent* event) {
  if (!fitted_) {
    fitted_ = true;
    fit_to_screen();
  }
  QMainWindow::showEvent(event);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!dropped_folder(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  const QString folder = dropped_folder(event->mimeData());
  if (folder.isEmpty()) return;
  event->acceptProposedAction();
  // Asked once the drop is over, so the dragging program is not kept waiting.
  QTimer::singleShot(0, this, [this, folder] { reselect(folder); });
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) place_ss1();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tn
