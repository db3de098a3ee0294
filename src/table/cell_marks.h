#pragma once
// The marks of the track table's cells (CellMark, grid.h) as the state
// gives them: what each row's file holds against what its cells show.

#include "table/context.h"

namespace tn {

// Every cell of rows 1..N marked from the state, nothing of the marks
// before kept: a row with no tag read (its file failed, or has none)
// unreadable; a tag cell whose text differs from its file's edited (or
// repaired, when the read just repaired it); the rest plain. Run after a
// reload, a rename and an undo.
void refresh_marks(Context& cx);
// The user typed into (col, row): a tag cell of a row whose tag was read is
// edited while it differs from the file's text, a file-name cell while it
// differs from its file's name; plain once typed back.
// Other cells keep their marks.
void mark_typed(Context& cx, int col, int row);
// Columns c1..c2 (tag columns) of row were written: their texts are what
// the file now holds.
void note_written(Context& cx, int row, int c1, int c2);

}  // namespace tn
