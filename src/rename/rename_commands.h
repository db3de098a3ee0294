#pragma once
// File names: composed in the table, applied on disk, or thrown away.

#include <QString>
#include <optional>

#include "table/context.h"

namespace tn {

// Composition in the file-name column.
void cmd_kyokuname(Context& cx);
void cmd_kyokuzyunname(Context& cx);
void cmd_w_name(Context& cx);
// Renames every file to its row's name, then rebuilds the table. False when
// a rename was refused (the question answered No counts as done).
bool cmd_re_name(Context& cx);
// Writes all tags, then renames.
void cmd_allwrite(Context& cx);
// Throws away unapplied names (and, on request, track orders).
void cmd_modosu(Context& cx);
// True when every rename of the run succeeded.
bool rename_files(Context& cx);
// The name rename_files gives row i's file, from its file-name cell; nullopt
// when the name is refused before the disk is asked (it would lead out of
// the edit folder or hide the file). Row i must have a file.
std::optional<QString> planned_name(Context& cx, int i);

}  // namespace tn
