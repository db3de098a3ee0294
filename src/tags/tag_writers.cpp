#include "tags/tag_writers.h"

namespace tn {

void cmd_write_all(Context&) {}
void cmd_write_kyokumei(Context&) {}
void cmd_write_alubum(Context&) {}
void cmd_write_artname(Context&) {}
bool tag_write_all(Context&) { return false; }
bool tag_write_title(Context&) { return false; }
bool tag_write_album(Context&) { return false; }
bool tag_write_artist(Context&) { return false; }

}  // namespace tn
