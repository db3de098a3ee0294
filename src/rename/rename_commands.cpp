#include "rename/rename_commands.h"

namespace tn {

void cmd_kyokuname(Context&) {}
void cmd_kyokuzyunname(Context&) {}
void cmd_w_name(Context&) {}
void cmd_re_name(Context&) {}
void cmd_allwrite(Context&) {}
void cmd_modosu(Context&) {}
bool rename_files(Context&) { return false; }

}  // namespace tn
