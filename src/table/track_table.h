#pragma once
// Filling the track table from the shared values.

#include "table/context.h"
#include "table/grid.h"
#include "tags/fields.h"

#include <vector>

namespace tn {

// Track table columns.
namespace col {
constexpr int order = 1, name = 2, title = 3, album = 4, artist = 5;
// Every field has a column, from title on in the fields' order; the first
// three are the ones always shown.
constexpr int of(Field f) { return title + static_cast<int>(f); }
constexpr int last = title + k_field_count - 1;
constexpr bool is_field(int c) { return c >= title && c <= last; }
// The field of a column for which is_field holds.
constexpr Field field_at(int c) { return static_cast<Field>(c - title); }
}  // namespace col

// Column 2 from the file list, column 1 with track orders, rows 1 to N.
void fill_table(Context& cx);
// How the folder is listed again into the file list (N never changes).
enum class Relist {
  // The table is rebuilt from the listing (reload, after renaming): entry i
  // becomes the i-th file listed, empty past the listing's end.
  rebuild,
  // The rows stay (the undo commands, which keep cells the user edited):
  // every row keeps the file it was listed with. A row whose file failed to
  // read gets it back when it is there again; a file that has vanished stays
  // in its row, so that reading or writing it names it as failed; a file that
  // appeared is not put into any row until a reload or a new confirmation.
  keep_rows,
};

// File-list entries 0..N-1 from the folder listing again; column 1 cleared.
// With keep_rows, column 2 shows the name of every row that got its file back.
void relist_files(Context& cx, Relist how);
// The file-list part of relist_files alone. Returns the rows (from 1) whose
// entry changed.
std::vector<int> relist_entries(Context& cx, Relist how);
// True when a tag or file-name cell of rows 1..N is marked with a change the
// files do not have yet, in a row whose file a write could reach.
bool has_unwritten_edits(Context& cx);
// What 全て書込 writes: title, album and artist, and every other shown field
// whose column holds something a write would store, in the fields' order.
std::vector<Field> write_all_fields(const Context& cx);
// Paints columns c1..c2 of rows 1..N by the block idiom.
void paint_columns(Context& cx, int c1, int c2, Colour colour);

}  // namespace tn
