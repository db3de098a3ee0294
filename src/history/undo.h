#pragma once
// Undoing runs of the write history: the chosen run and every run after
// it, newest first, each file back to its old name and then its bytes back
// in one step (in place under the journal, or a new file renamed over it).
// A file whose identity is not what the history says the runs left
// (another program changed it since) is not touched. The undo is itself a
// run in the history.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "history/history.h"

namespace tn::history {

struct UndoResult {
  bool known = false;   // the run is in the history
  QStringList restored; // put back (with dry_run: would be), by their old names
  QStringList refused;  // changed since by another program, left as they are
  QStringList failed;   // could not be written or renamed, left as they are
};

UndoResult undo_from(const QByteArray& folder, std::uint64_t run_id, bool dry_run);

// What an undo that died left in folder, settled (history.h, PendingName):
// part of folder recovery, after the journals.
void settle_pending(const QByteArray& folder);

// A run as the lists show it: "12/09 10:31 ｱﾙﾊﾞﾑ名のみ書込 12ﾌｧｲﾙ".
QString run_line(const Run& run);
// The files a run changed (a file written and renamed in one run counts once).
int files_of(const Run& run);

}  // namespace tn::history
