#include "history/history_commands.h"

#include "history/messages.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tag_rows/read_tags.h"

namespace tn {

std::vector<std::pair<std::uint64_t, QString>> history_lines(const QString& folder) {
  std::vector<std::pair<std::uint64_t, QString>> lines;
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder));
  for (auto r = runs.rbegin(); r != runs.rend(); ++r) lines.emplace_back(r->id, history::run_line(*r));
  return lines;
}

history::UndoResult cmd_undo_runs(Context& cx, std::uint64_t run_id) {
  if (!cx.dialogs.ask(msg::undo_question)) return {};
  const history::UndoResult result = history::undo_from(history::native_folder(cx.state.edit_folder), run_id, false);
  if (!result.known) {
    cx.dialogs.notify(msg::undo_nothing);
    return result;
  }
  if (!result.stored) {
    cx.dialogs.notify(msg::history_unusable(msg::history_undo, history::place_of(history::native_folder(cx.state.edit_folder))));
    return result;
  }
  for (const QString& name : result.refused) cx.dialogs.notify(name + msg::undo_refused_tail);
  for (const QString& name : result.failed) cx.dialogs.notify(name + msg::tag_write_failed_tail);
  // Names and tags have changed under the table: it is read again.
  relist_files(cx, Relist::rebuild);
  fill_table(cx);
  read_tags(cx);
  refresh_marks(cx);
  if (result.refused.isEmpty() && result.failed.isEmpty()) cx.dialogs.notify(msg::undo_done);
  return result;
}

}  // namespace tn
