#include "rename/rename_commands.h"

#include <algorithm>
#include <optional>

#include "history/messages.h"
#include "history/recorder.h"
#include "posix/safe_rename.h"
#include "rename/messages.h"
#include "rename/rename_run.h"
#include "table/cell_marks.h"
#include "table/folder.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tag_rows/tag_writers.h"

namespace tn {

namespace {

const QString k_mp3 = QStringLiteral(".mp3");

// Composition frame: question, then the row rule on every row 1..N.
template <class Rule>
void compose(Context& cx, const QString& question, Rule rule) {
  if (!cx.dialogs.ask(question)) return;
  Grid& g = cx.ss1;
  auto cell = [&](int r, int c) {
    g.set_row(r);
    g.set_col(c);
    return g.text();
  };
  for (int r = 1; r <= cx.state.file_count; ++r) {
    const std::optional<QString> name = rule(r, cell);
    if (!name) continue;
    g.set_row(r);
    g.set_col(col::name);
    g.set_text(*name);
    // Told apart like any change not yet applied, and asked for before it
    // is thrown away.
    mark_typed(cx, col::name, r);
  }
}

}  // namespace

void cmd_kyokuname(Context& cx) {
  compose(cx, msg::name_from_title, [](int r, auto& cell) -> std::optional<QString> {
    const QString title = cell(r, col::title);
    if (title.isEmpty()) return std::nullopt;
    return title + k_mp3;
  });
}

void cmd_kyokuzyunname(Context& cx) {
  compose(cx, msg::order_before_name, [](int r, auto& cell) -> std::optional<QString> {
    const QString name = cell(r, col::name);
    const QString order = cell(r, col::order);
    if (order.isEmpty()) return std::nullopt;
    return order + name;
  });
}

void cmd_w_name(Context& cx) {
  compose(cx, msg::name_from_order_title, [](int r, auto& cell) -> std::optional<QString> {
    const QString title = cell(r, col::title);
    const QString order = cell(r, col::order);
    if (title.isEmpty() || order.isEmpty()) return std::nullopt;
    return order + title + k_mp3;
  });
}

namespace {

RenameRun renames_shown(Context& cx) {
  RenameRun run = run_renames(cx, false);
  if (!run.ok()) cx.dialogs.notify(run.refusal_text());
  return run;
}

}  // namespace

bool rename_files(Context& cx) { return renames_shown(cx).ok(); }

RenameRun rename_and_reload(Context& cx, std::vector<ReadError>* read_errors) {
  RenameRun run = renames_shown(cx);
  relist_files(cx, Relist::rebuild);
  fill_table(cx);
  std::vector<ReadError> failed = read_tags(cx);
  if (read_errors) *read_errors = std::move(failed);
  // The marks of the table before are of other files or of none.
  refresh_marks(cx);
  return run;
}

bool cmd_re_name(Context& cx) {
  if (!cx.dialogs.ask(msg::rename_start)) return true;
  const bool all_renamed = rename_and_reload(cx).ok();
  if (all_renamed) cx.dialogs.notify(msg::rename_done);
  return all_renamed;
}

void cmd_allwrite(Context& cx) {
  history::CommandRun run(cx.tags, cx.state.edit_folder, msg::run_allwrite);
  if (!run.recording().usable()) {
    cx.dialogs.notify(msg::history_unusable(msg::history_write, history::place_of(run.recording().folder())));
    return;
  }
  cmd_write_all(cx);
  cmd_re_name(cx);
}

void cmd_modosu(Context& cx) {
  if (!cx.dialogs.ask(msg::undo_names)) return;
  const int n = cx.state.file_count;
  Grid& g = cx.ss1;
  if (cx.dialogs.ask(msg::undo_orders_too)) {
    fill_table(cx);
  } else {
    // Names only: the tag cells stay, so every row keeps its file.
    relist_entries(cx, Relist::keep_rows);
    g.set_col(col::name);
    g.set_row(1);
    for (int i = 0; i < n; ++i) {
      g.set_text(cx.state.file(i));
      g.set_row(g.row() + 1);
    }
  }
  // The names are the files' own again: nothing is left to apply.
  for (int r = 1; r <= n; ++r)
    if (g.cell_mark(col::name, r) == CellMark::edited) g.mark(col::name, r, CellMark::plain);
}

}  // namespace tn
