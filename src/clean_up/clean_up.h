#pragma once
// Clean-up a Japanese collection needs, as commands on the track table:
// every change shows in the table in the edited colour and reaches the files
// only through the usual write and rename commands.

#include <QStringList>
#include <vector>

#include "table/context.h"
#include "tag_rows/tag_writers.h"

namespace tn {

class Grid;

// Whether the cell shows a text repaired on reading and not written since.
bool is_repaired(const Grid& g, int col, int row);

// The tag columns and the file-name column of rows 1..N with widths evened.
// Each returns the columns in which a cell changed.
std::vector<int> cmd_even_widths(Context& cx);
// The file-name column of rows 1..N as names every file system takes.
std::vector<int> cmd_portable_names(Context& cx);

// The track number frame of every row as n/N: n from the track order
// column, N the number of rows of the table (empty for a row without a
// file); or, when a row with a file has no number from 1 to N there, the
// refusal and no frames.
struct TrackNumbers {
  QStringList tracks;
  QString refusal;
};
TrackNumbers track_numbers(Context& cx);

// Writes tracks into the files of the rows that have one; nothing shown.
RowsWritten write_track_numbers(Context& cx, const QStringList& tracks);

// 曲順をTAGに書込: track_numbers (its refusal shown, before anything is
// asked), the question, write_track_numbers and its texts. Returns the rows
// (from 1) that have a file and were not written (none after a No).
std::vector<int> cmd_track_numbers(Context& cx);

// The cells shown repaired from mojibake or held in legacy bytes, and not
// written since, stored in Unicode: column by column, each only in its own
// rows, so that a cell shown as its file holds it is not stored again.
// Nothing shown; the runs' answers added up, the first stop ending them.
RowsWritten write_repairs(Context& cx);

}  // namespace tn
