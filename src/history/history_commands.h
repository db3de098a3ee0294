#pragma once
// The undo as a command of the main window (and of the command line): the
// runs of the edit folder to choose from, and the undo of the chosen one.

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "history/undo.h"
#include "table/context.h"

namespace tn {

// The edit folder's runs, newest first: id and the line the menu shows.
std::vector<std::pair<std::uint64_t, QString>> history_lines(const QString& folder);

// Undoes run_id and every run after it: the question, the undo, each file
// left as it is named, the table read again. `known` false when nothing was
// done (the question answered no, or the run is not in the history).
history::UndoResult cmd_undo_runs(Context& cx, std::uint64_t run_id);

}  // namespace tn
