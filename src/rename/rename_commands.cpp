#include "rename/rename_commands.h"

#include <algorithm>
#include <optional>

#include "history/messages.h"
#include "history/recorder.h"
#include "posix/safe_rename.h"
#include "rename/messages.h"
#include "table/cell_marks.h"
#include "table/folder.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/read_tags.h"
#include "tags/tag_writers.h"

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
  }
}

using Cell = std::function<QString(int, int)>;

// A name the file would vanish under: a dot-name is hidden by file managers
// and shells, and one of nothing but dots and blanks before ".mp3" (empty
// included) says nothing of the song.
bool hides_file(const QString& name) {
  const QString stem = name.chopped(k_mp3.size());
  return name.startsWith(QLatin1Char('.')) ||
         std::all_of(stem.begin(), stem.end(), [](QChar c) {
           return c == QLatin1Char('.') || c.isSpace();
         });
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

std::optional<QString> planned_name(Context& cx, int i) {
  Grid& g = cx.ss1;
  g.set_row(i + 1);
  g.set_col(col::name);
  QString name = g.text();
  // Any case, as the listing takes it: an unchanged "x.MP3" keeps its name.
  if (!name.endsWith(k_mp3, Qt::CaseInsensitive)) name += k_mp3;
  // A name never leads out of the edit folder nor hides the file; an
  // unchanged one is kept.
  if (name != cx.state.file(i) && (name.contains(QLatin1Char('/')) || hides_file(name)))
    return std::nullopt;
  return name;
}

bool rename_files(Context& cx) {
  history::Recording recording(cx.state.edit_folder, msg::run_rename);
  ProgressScope progress(cx, cx.state.file_count);
  for (int i = 0; i < cx.state.file_count; ++i) {
    progress.step(i);
    if (cx.state.file(i).isEmpty()) continue;
    const std::optional<QString> name = planned_name(cx, i);
    const QString from = cx.state.path_of(i);
    const bool ok = name && (*name == cx.state.file(i) ||
                             rename_no_replace(from, cx.state.edit_folder + *name));
    if (!ok) {
      cx.dialogs.notify(QString::number(i + 1) + msg::rename_failed_tail);
      return false;
    }
    if (*name != cx.state.file(i))
      history::note_rename(encode_file_name(from), encode_file_name(cx.state.edit_folder + *name));
  }
  return true;
}

bool cmd_re_name(Context& cx) {
  if (!cx.dialogs.ask(msg::rename_start)) return true;
  const bool all_renamed = rename_files(cx);
  relist_files(cx, Relist::rebuild);
  fill_table(cx);
  read_tags(cx);
  // The marks of the table before are of other files or of none.
  refresh_marks(cx);
  if (all_renamed) cx.dialogs.notify(msg::rename_done);
  return all_renamed;
}

void cmd_allwrite(Context& cx) {
  history::Recording recording(cx.state.edit_folder, msg::run_allwrite);
  cmd_write_all(cx);
  cmd_re_name(cx);
}

void cmd_modosu(Context& cx) {
  if (!cx.dialogs.ask(msg::undo_names)) return;
  if (cx.dialogs.ask(msg::undo_orders_too)) {
    fill_table(cx);
    return;
  }
  // Names only: the tag cells stay, so every row keeps its file.
  relist_entries(cx, Relist::keep_rows);
  const int n = cx.state.file_count;
  Grid& g = cx.ss1;
  g.set_col(col::name);
  g.set_row(1);
  for (int i = 0; i < n; ++i) {
    g.set_text(cx.state.file(i));
    if (g.cell_colour(col::name, g.row()) == k_edited) g.set_back_colour(k_white);
    g.set_row(g.row() + 1);
  }
}

}  // namespace tn
