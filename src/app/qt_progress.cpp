#include "app/qt_progress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/messages.h"
#include "table/dialogs.h"
#include "text/file_name.h"

namespace tn {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent), label_(new QLabel(this)), bar_(new QProgressBar(this)) {
  setWindowTitle(k_message_title);
  setWindowModality(Qt::ApplicationModal);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  setMinimumWidth(300);
}

void ProgressWindow::show_progress(int done, int total) {
  bar_->setRange(0, total);
  bar_->setValue(done);
  label_->setText(QStringLiteral("%1 / %2").arg(std::min(done + 1, total)).arg(total));
}

void ProgressWindow::show_text(const QString& text) {
  bar_->setRange(0, 0);
  label_->setText(text);
}

void ProgressWindow::closeEvent(QCloseEvent* e) { e->ignore(); }

void QtProgress::begin(int total) {
  end();
  total_ = total;
  clock_.start();
}

void QtProgress::step(int done) {
  if (!clock_.isValid()) return;
  if (!window_ && clock_.elapsed() >= delay_ms_) {
    window_ = new ProgressWindow(parent_);
    window_->show();
  }
  if (window_) window_->show_progress(done, total_);
  // Paint, but take no clicks or keys: the run ends before anything else starts.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtProgress::end() {
  clock_.invalidate();
  delete window_;  // at once: a notice after the run must not sit behind it
}

void QtLockWait::waiting(const QByteArray& folder, bool first) {
  if (first) {
    waited();
    clock_.start();
  }
  if (!window_ && clock_.elapsed() >= delay_ms_) {
    window_ = new ProgressWindow(parent_);
    window_->show_text(msg::folder_in_use + decode_file_name(folder));
    window_->show();
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtLockWait::waited() { delete window_; }

}  // namespace tn
