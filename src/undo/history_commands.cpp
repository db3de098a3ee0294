#include "undo/history_commands.h"

#include <cerrno>
#include <cstring>

#include "history/messages.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
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

namespace {

// The notice of a file the undo left as it is, saying why.
QString failed_text(const history::Failure& f) {
  if (!f.name_taken.isEmpty()) return f.name + msg::undo_name_taken(f.name_taken) + msg::undo_failed_tail;
  switch (f.error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return f.name + msg::undo_disk_full + msg::undo_failed_tail;
    case EACCES:
    case EPERM:
    case EROFS: return f.name + msg::undo_no_permission + msg::undo_failed_tail;
    default: break;
  }
  const QString why = f.error ? QStringLiteral("（") + QString::fromLocal8Bit(std::strerror(f.error)) +
                                    QStringLiteral("）")
                              : QString();
  return f.name + msg::undo_write_error + msg::undo_failed_tail + why;
}

}  // namespace

UndoRun undo_runs(const QString& edit_folder, std::uint64_t run_id) {
  const QByteArray folder = history::native_folder(edit_folder);
  UndoRun run;
  run.result = history::undo_from(folder, run_id, false);
  if (!run.result.known) run.refusal = msg::undo_nothing;
  else if (!run.result.stored) run.refusal = msg::history_unusable(msg::history_undo, history::place_of(folder));
  for (const QString& name : run.result.refused) run.left << name + msg::undo_refused_tail;
  for (const history::Failure& f : run.result.failed) run.left << failed_text(f);
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
