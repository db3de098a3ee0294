#pragma once

#include <QString>
#include <vector>

#include "table/context.h"
#include "table/track_state.h"

namespace tn {

// A row whose file failed to read: the row (from 1), the error number and
// the text it was reported with.
struct ReadError {
  int row = 0;
  int number = 0;
  QString message;
};

// Reads the tag of every file of the file list into columns 3 to 5. A file
// that fails to open or to give its tag is reported, its row emptied and
// painted in the error colour, and its file-list entry cleared. Returns
// those failures in row order.
std::vector<ReadError> read_tags(Context& cx);

// Field bits (field_bit values) as flags of the tag columns.
TagFlags tag_flags(int field_bits);

}  // namespace tn
