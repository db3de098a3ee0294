#pragma once
// The undo as a command of the main window (and of the command line): the
// runs of the edit folder to choose from, and the undo of the chosen one.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

#include "history/undo.h"
#include "table/context.h"

namespace tn {

// The edit folder's runs, newest first: id and the line the menu shows.
std::vector<std::pair<std::uint64_t, QString>> history_lines(const QString& folder);

// The undo of run_id and every run after it in edit_folder, with its texts.
struct UndoRun {
  history::UndoResult result;
  QString refusal;   // before any file: the run unknown, or no history to store the undo in
  QStringList left;  // one text a file left as it is
  bool ok() const { return refusal.isEmpty() && left.isEmpty(); }
  QString closing() const;  // the notice of an undo that left no file, else empty
  // Every notice of the undo in order: the refusal, or the files left and
  // the closing notice when there are none.
  QStringList texts() const;
};
UndoRun undo_runs(const QString& edit_folder, std::uint64_t run_id);

// Undoes run_id and every run after it: the question, undo_runs, each file
// left as it is named, the table read again. `known` false when nothing was
// done (the question answered no, or the run is not in the history).
history::UndoResult cmd_undo_runs(Context& cx, std::uint64_t run_id);

}  // namespace tn
