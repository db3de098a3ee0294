#include "undo/history_commands.h"

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
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder), history::Load::listing);
  for (auto r = runs.rbegin(); r != runs.rend(); ++r) lines.emplace_back(r->id, history::run_line(*r));
  return lines;
}

QStringList UndoRun::texts() const {
  if (!refusal.isEmpty()) return {refusal};
  QStringList out = left;
  if (ok()) out << closing();
  return out;
}

QString UndoRun::closing() const { return ok() ? msg::undo_done : QString(); }

UndoRun undo_runs(const QString& edit_folder, std::uint64_t run_id) {
  const QByteArray folder = history::native_folder(edit_folder);
  UndoRun run;
  run.result = history::undo_from(folder, run_id, false);
  if (!run.result.known) run.refusal = msg::undo_nothing;
  else if (!run.result.stored) run.refusal = msg::history_unusable(msg::history_undo, history::place_of(folder));
  for (const QString& name : run.result.refused) run.left << name + msg::undo_refused_tail;
  for (const QString& name : run.result.failed) run.left << name + msg::tag_write_failed_tail;
  return run;
}

history::UndoResult cmd_undo_runs(Context& cx, std::uint64_t run_id) {
  if (!cx.dialogs.ask(msg::undo_question)) return {};
  const UndoRun run = undo_runs(cx.state.edit_folder, run_id);
  if (!run.refusal.isEmpty()) {
    cx.dialogs.notify(run.refusal);
    return run.result;
  }
  for (const QString& text : run.left) cx.dialogs.notify(text);
  // Names and tags have changed under the table: it is read again.
  relist_files(cx, Relist::rebuild);
  fill_table(cx);
  read_tags(cx);
  refresh_marks(cx);
  if (run.ok()) cx.dialogs.notify(run.closing());
  return run.result;
}

}  // namespace tn
