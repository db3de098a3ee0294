#include "edit/edit_commands.h"

namespace tn {

void cmd_all_al(Context&, const QString&) {}
void cmd_all_art(Context&, const QString&) {}
void cmd_fname(Context&) {}
void cmd_zyun_fname(Context&) {}
void cmd_cls(Context&) {}
void cmd_modosu2(Context&) {}

}  // namespace tn
