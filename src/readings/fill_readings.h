#pragma once
// よみがなを付ける on the track table: the sort-reading columns of every row
// proposed from its title, album, artist and album artist, shown as edits
// (the unsure ones marked so, with why) and written only by the usual
// writers; and the user's corrections typed into those columns remembered
// for every folder.

#include <vector>

#include "readings/readings.h"
#include "table/context.h"
#include "tags/fields.h"

namespace tn::readings {

// A sort-reading column, the column it reads and how.
struct SortColumn {
  Field sort, source;
  Kind kind;
};
inline constexpr SortColumn k_sort_columns[] = {{Field::title_sort, Field::title, Kind::title},
                                                {Field::album_sort, Field::album, Kind::title},
                                                {Field::artist_sort, Field::artist, Kind::name},
                                                {Field::album_artist_sort, Field::album_artist, Kind::name}};
// The one of table column c; nullptr for any other column.
const SortColumn* sort_column_at(int c);

struct UnsureCell {
  int row = 0;  // from 1
  Field field = Field::title_sort;
  QString why;
};

struct FillResult {
  int rows = 0;   // rows with a cell changed
  int cells = 0;  // cells changed, the unsure ones among them
  std::vector<UnsureCell> unsure;  // changed or not (a word no dictionary knows)
  int unread = 0;  // texts left without a reading: Readings::missing() says why
};

// Fills the sort-reading columns of rows 1..N whose tag was read. A cell
// that is not empty (typed by the user, or the file's reading) is kept
// unless replace. A changed cell is marked edited, or unsure with why; an
// unsure one left as it was is marked unsure too. Nothing in a table without
// the sort columns.
FillResult fill_readings(Context& cx, Readings& readings, bool replace, Script script = Script::hiragana);

// The user typed into (col, row): a reading typed into a sort-reading column
// is remembered for its text, unless it is the reading the program is sure
// of anyway; an unsure mark goes (the user has looked). False, the message
// shown, when the dictionary cannot be saved.
bool remember_reading(Context& cx, Readings& readings, int col, int row);

// The menu items: readings in script where there are none yet (replace:
// in every sort cell), then a notice of what is missing (MeCab, its
// dictionary) and of the readings to check.
void cmd_readings(Context& cx, Readings& readings, bool replace = false, Script script = Script::hiragana);

}  // namespace tn::readings
