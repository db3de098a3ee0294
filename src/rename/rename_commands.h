#pragma once
// File names: composed in the table, applied on disk, or thrown away.

#include <QString>

#include "rename/rename_run.h"
#include "table/context.h"
#include "tag_rows/read_tags.h"

namespace tn {

// Composition in the file-name column: the question, then compose_names.
void cmd_kyokuname(Context& cx);
void cmd_kyokuzyunname(Context& cx);
void cmd_w_name(Context& cx);

// The names composed: the title + ".mp3", the track order + the title +
// ".mp3", or the track order + the name; a row without those parts keeps
// its name. Returns how many rows got one.
enum class NameComposition { titles, order_and_titles, order };
int compose_names(Context& cx, NameComposition how);
// Renames every file to its row's name, then rebuilds the table. False when
// a rename was refused (the question answered No counts as done).
bool cmd_re_name(Context& cx);
// Writes all tags, then renames.
void cmd_allwrite(Context& cx);
// Throws away unapplied names (and, on request, track orders).
void cmd_modosu(Context& cx);
// True when every rename of the run succeeded; a refusal is shown.
bool rename_files(Context& cx);
// What cmd_re_name does after its question, but its closing notice: the
// renames (a refusal shown), then the table rebuilt from the folder; the
// files that then fail to read go to *read_errors when given.
RenameRun rename_and_reload(Context& cx, std::vector<ReadError>* read_errors = nullptr);

}  // namespace tn
