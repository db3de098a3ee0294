#include "rename/rename_commands.h"

#include <algorithm>
#include <functional>
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

// A row's composed name from its cells, nullopt when it keeps its name.
using Cells = std::function<QString(int c)>;
std::optional<QString> composed(NameComposition how, const Cells& cell) {
  switch (how) {
    case NameComposition::titles:
      if (cell(col::title).isEmpty()) return std::nullopt;
      return cell(col::title) + k_mp3;
    case NameComposition::order:
      if (cell(col::order).isEmpty()) return std::nullopt;
      return cell(col::order) + cell(col::name);
    case NameComposition::order_and_titles:
      if (cell(col::title).isEmpty() || cell(col::order).isEmpty()) return std::nullopt;
      return cell(col::order) + cell(col::title) + k_mp3;
  }
  return std::nullopt;
}

}  // namespace

int compose_names(Context& cx, NameComposition how) {
  Grid& g = cx.ss1;
  int given = 0;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    const std::optional<QString> name = composed(how, [&](int c) {
      g.set_row(r);
      g.set_col(c);
      return g.text();
    });
    if (!name) continue;
    g.set_row(r);
    g.set_col(col::name);
    g.set_text(*name);
    // Told apart like any change not yet applied, and asked for before it
    // is thrown away.
    mark_typed(cx, col::name, r);
    ++given;
  }
  return given;
}

void cmd_kyokuname(Context& cx) {
  if (cx.dialogs.ask(msg::name_from_title)) compose_names(cx, NameComposition::titles);
}

void cmd_kyokuzyunname(Context& cx) {
  if (cx.dialogs.ask(msg::order_before_name)) compose_names(cx, NameComposition::order);
}

void cmd_w_name(Context& cx) {
  if (cx.dialogs.ask(msg::name_from_order_title)) compose_names(cx, NameComposition::order_and_titles);
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
