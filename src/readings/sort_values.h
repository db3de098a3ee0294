#pragma once
// The sort readings of rows (TSOT, TSOA, TSOP, TSO2), proposed from their
// title, album, artist and album artist: what the よみがなを付ける command
// puts in the sort-reading columns before anything is written.
//
//   std::vector<SortTexts> rows = ...;      // title, album, artist, album artist
//   std::vector<SortTexts> existing = ...;  // the sort columns as they stand
//   Readings readings;                       // the user's dictionary, MeCab
//   const auto proposed = propose_sort_values(readings, rows, existing, replace, Script::hiragana);
//   // proposed[i].title.text ... go to the sort columns, marked edited where
//   // .changed; .sure false -> the cell's unsure mark, .why its tooltip.
//
// A value the row already has (typed by the user or read from the file) is
// kept unless replace is given. A text with nothing to read (Latin script,
// or kana already in the asked script) proposes nothing and keeps what the
// row has, even on replace ("Beatles, The"): players sort it by the text;
// one of words no dictionary knows keeps it too, unsure, with why. A text
// that cannot be read here (no MeCab) keeps its existing value, unread.

#include <QString>
#include <vector>

#include "readings/readings.h"

namespace tn::readings {

struct SortTexts {
  QString title, album, artist, album_artist;
};

struct SortValue {
  QString text;         // the sort value proposed (the existing one when kept)
  bool changed = false;  // differs from the existing value
  bool sure = true;
  QString why;           // why it is unsure
  bool unread = false;   // no reading could be made here (no MeCab): why says what is missing
};

struct SortProposal {
  SortValue title, album, artist, album_artist;
};

// existing: one per row, or empty when the rows have no sort values yet.
std::vector<SortProposal> propose_sort_values(Readings& readings, const std::vector<SortTexts>& rows,
                                              const std::vector<SortTexts>& existing, bool replace,
                                              Script script = Script::hiragana);

}  // namespace tn::readings
