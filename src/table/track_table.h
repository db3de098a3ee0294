#pragma once
// Filling the track table from the shared values.

#include "table/context.h"
#include "table/grid.h"

namespace tn {

// Track table columns.
namespace col {
constexpr int order = 1, name = 2, title = 3, album = 4, artist = 5;
}

// Column 2 from the file list, column 1 with track orders, rows 1 to N.
void fill_table(Context& cx);
// File-list entries 0..N-1 from the folder listing again; column 1 cleared.
void relist_files(Context& cx);
// The file-list part of relist_files alone.
void relist_entries(Context& cx);
// Paints columns c1..c2 of rows 1..N by the block idiom.
void paint_columns(Context& cx, int c1, int c2, Colour colour);

}  // namespace tn
