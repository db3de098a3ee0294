#pragma once
// Dialogs that answer from a script and record every text shown, in order.
// Used by tests, benchmarks and tools.

#include <QStringList>
#include <deque>

#include "table/dialogs.h"

namespace tn {

class ScriptedDialogs final : public Dialogs {
 public:
  // Answers are consumed in order, one per ask/input/open_file. An ask with
  // no answer left fails the run loudly (std::logic_error): a test that did
  // not expect a question must not pass by accident.
  ScriptedDialogs& yes() { return push(QStringLiteral("yes")); }
  ScriptedDialogs& no() { return push(QStringLiteral("no")); }
  ScriptedDialogs& type(const QString& text) { return push(QStringLiteral("text:") + text); }
  ScriptedDialogs& pick(const QString& path) { return push(QStringLiteral("file:") + path); }
  ScriptedDialogs& cancel() { return push(QStringLiteral("cancel")); }

  bool ask(const QString& text) override;
  void notify(const QString& text) override;
  QString input(const QString& prompt) override;
  std::optional<QString> open_file(const QString& start_dir, const QStringList& filters,
                                   int selected_filter) override;
  // Answered by pick() or cancel(), as the open-file dialog.
  std::optional<QString> save_file(const QString& start_path, const QStringList& filters,
                                   int selected_filter) override;

  // Every box in order: "ask: …", "notify: …", "input: …", "open: <dir>",
  // "save: <path>".
  QStringList log;
  // The texts of the notices only.
  QStringList notices() const;
  bool answers_left() const { return !script_.empty(); }
  // Last open-file call, for tests of the dialog's set-up.
  QStringList last_filters;
  int last_selected_filter = -1;

 private:
  ScriptedDialogs& push(const QString& a) {
    script_.push_back(a);
    return *this;
  }
  QString next(const QString& what);
  std::optional<QString> file_dialog(const QStringList& filters, int selected_filter);
  std::deque<QString> script_;
};

}  // namespace tn
