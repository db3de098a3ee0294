#pragma once
// The marks of the track table's cells (CellMark, grid.h) as the state
// gives them: what each row's file holds against what its cells show.

#include "table/context.h"
#include "table/track_state.h"

namespace tn {

// Every cell of rows 1..N marked from the state, nothing of the marks
// before kept: a row with no tag read (its file failed, or has none)
// unreadable; a tag cell whose text differs from its file's edited (or
// repaired, when the read just repaired it); one that shows what its file
// holds in legacy bytes legacy; the rest plain. Run after a reload, a
// rename and an undo.
void refresh_marks(Context& cx);
// Which tag columns row's file holds in legacy bytes, as just read: a cell
// that shows what its file holds is marked legacy or plain by it; other
// marks stay.
void note_legacy(Context& cx, int row, const TagFlags& held);
// The user typed into (col, row): a tag cell of a row whose tag was read is
// edited while it differs from the file's text (plain, or legacy, once typed
// back), a file-name cell while it differs from its file's name.
// Other cells keep their marks.
void mark_typed(Context& cx, int col, int row);
// Columns c1..c2 (tag columns) of row were written: their texts are what
// the file now holds, in Unicode.
void note_written(Context& cx, int row, int c1, int c2);

}  // namespace tn
