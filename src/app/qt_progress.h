#pragma once
// A modal progress window for runs over the files that take long: shown only
// after about half a second, no cancel button. While a run lasts the windows
// keep painting, but no user input reaches the program, so no other command
// can start in the middle of it. The same window, with a text, while a
// command waits for another program that holds its folder.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

#include "durable/folder_lock.h"
#include "table/context.h"

class QLabel;
class QProgressBar;

namespace tn {

class ProgressWindow final : public QDialog {
 public:
  explicit ProgressWindow(QWidget* parent);
  void show_progress(int done, int total);
  // A text and a bar that runs with no end known.
  void show_text(const QString& text);

 protected:
  // The run cannot be stopped half-way: neither Esc nor the close control end it.
  void reject() override {}
  void closeEvent(QCloseEvent* e) override;

 private:
  QLabel* label_;
  QProgressBar* bar_;
};

class QtProgress final : public Progress {
 public:
  explicit QtProgress(QWidget* parent, int delay_ms = 500) : parent_(parent), delay_ms_(delay_ms) {}
  ~QtProgress() override { end(); }

  void begin(int total) override;
  void step(int done) override;
  void end() override;

  // The window, while it is shown.
  ProgressWindow* window() const { return window_; }

 private:
  QPointer<QWidget> parent_;
  int delay_ms_;
  int total_ = 0;
  QElapsedTimer clock_;
  QPointer<ProgressWindow> window_;
};

// The windows' wait for another program that holds the folder (a command
// line's command): they keep painting, and after half a second a window
// says why nothing moves.
class QtLockWait final : public LockWait {
 public:
  explicit QtLockWait(QWidget* parent, int delay_ms = 500) : parent_(parent), delay_ms_(delay_ms) {}
  ~QtLockWait() override { waited(); }

  void waiting(const QByteArray& folder, bool first) override;
  void waited() override;

 private:
  QPointer<QWidget> parent_;
  int delay_ms_;
  QElapsedTimer clock_;
  QPointer<ProgressWindow> window_;
};

}  // namespace tn
