#pragma once
// Batch edits of the tag columns, and the two ways back to the files' state.

#include <QString>

#include "table/context.h"

namespace tn {

// One album (artist) typed into txt_all_al (txt_all_art) into every row.
void cmd_all_al(Context& cx, const QString& text);
void cmd_all_art(Context& cx, const QString& text);
// The fill behind both, for any tag column c: the 30-character limit, the
// overwrite question, and empty_question before an empty text clears it.
void fill_column(Context& cx, int c, const QString& text, const QString& empty_question);
// Titles from the file-name column, without / with the track order in front.
void cmd_fname(Context& cx);
void cmd_zyun_fname(Context& cx);
// Clear everything and reload from the folder; undo unwritten tag edits.
void cmd_cls(Context& cx);
void cmd_modosu2(Context& cx);

}  // namespace tn
