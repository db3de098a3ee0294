#pragma once

#include "table/context.h"

namespace tn {

// Reads the tag of every file of the file list into columns 3 to 5. A file
// that fails to open or to give its tag is reported, its row emptied and
// painted in the error colour, and its file-list entry cleared.
void read_tags(Context& cx);

}  // namespace tn
