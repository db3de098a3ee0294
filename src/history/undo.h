#pragma once
// Undoing runs of the write history: the chosen run and every run after
// it, newest first, each file back to its old name and then its bytes back
// in one step (in place under the journal, or a new file renamed over it).
// A file whose content is not what the history says the runs left
// (another program changed it since) is not touched; a copy or a touched
// file is. The undo is itself a run in the history, stored before any file
// changes and again once they have.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "history/history.h"
#include "durable/journal.h"

namespace tn::history {

// A file the undo could not put back, left as it is.
struct Failure {
  QString name;        // as it is named now
  QString name_taken;  // the old name it could not get back: another file has it; else empty
  int error = 0;       // else why it could not be written or renamed (errno); 0 unknown
};

struct UndoResult {
  bool known = false;   // the run is in the history
  bool stored = true;   // false: the undo's own run could not be stored, nothing was done
  QStringList restored; // put back (with dry_run: would be), by their old names
  QStringList refused;  // changed since by another program, left as they are
  std::vector<Failure> failed;
};

UndoResult undo_from(const QByteArray& folder, std::uint64_t run_id, bool dry_run);

// What dead runs left in folder, settled: their journals rolled back and
// their temporary files removed (recover_folder), then a run stored before
// its changes were made (an undo killed part-way) kept as far as the files
// show it done. Before a folder is listed or written into.
struct Recovered {
  RecoveryReport journals;
  bool changed = false;  // something was settled: a listing made before may be stale
};
Recovered recover(const QByteArray& folder);

// Flushes the folder's names.
void sync_folder(const QByteArray& folder);

// A run as the lists show it: "12/09 10:31 ｱﾙﾊﾞﾑ名のみ書込 12ﾌｧｲﾙ".
QString run_line(const Run& run);
// The files a run changed (a file written and renamed in one run counts once).
int files_of(const Run& run);

}  // namespace tn::history
