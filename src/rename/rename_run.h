#pragma once
// A rename run as rows: what each row's file was called, what it is called
// now (or would be), and, for the row that stopped the run, the rule its
// name broke. A dry run makes every check of the real run against the
// folder as the real run would leave it, and touches nothing.

#include <QString>
#include <vector>

#include "table/context.h"

namespace tn {

// Why a row's new name was refused.
enum class NameRefusal {
  none,
  bad_character,        // a character the file system refuses ("/" everywhere)
  hides_file,           // empty, only dots and blanks, or a dot-name
  name_taken,           // another file or folder has the name
  too_long,             // longer than the file system takes
  folder_not_writable,  // the edit folder can't be written
  file_gone,            // the row's file is no longer there
  other,
};

struct RenameRow {
  int row = 0;  // from 1
  QString from, to;
  bool renamed = false;  // done on disk, or would be; an unchanged name counts
  NameRefusal refusal = NameRefusal::none;
  QString reason;  // the refusal in words, shown after the row's message
};

struct RenameRun {
  // Refused before any row: why, naming the folder. Empty when rows ran.
  QString folder_refusal;
  // The rows with a file, in order, up to the one that was refused.
  std::vector<RenameRow> rows;

  bool ok() const { return folder_refusal.isEmpty() && (rows.empty() || rows.back().renamed); }
  // The refused row (from 1), 0 when none.
  int stopped_at() const { return ok() || rows.empty() ? 0 : rows.back().row; }
  // The notice of a refused run: the folder's, or the row's message with
  // its reason. Empty when the run went through.
  QString refusal_text() const;
};

// Renames the file of every row that has one to its row's name, in row
// order, stopping at the first refusal; dry_run only works it out.
RenameRun run_renames(Context& cx, bool dry_run);

}  // namespace tn
