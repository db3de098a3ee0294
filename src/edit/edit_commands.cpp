#include "edit/edit_commands.h"

#include "edit/messages.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tags/legacy_text.h"
#include "text/file_name.h"
#include "text/text.h"

namespace tn {

namespace {
constexpr int k_fill_limit = 30;
}  // namespace

FillNeed fill_need(Context& cx, int c, const QString& text) {
  if (text.isEmpty()) return FillNeed::clear_question;
  if (char_count(text) > k_fill_limit) return FillNeed::too_long;
  for (int r = 1; r <= cx.state.file_count; ++r)
    if (!cx.ss1.cell_text(c, r).isEmpty()) return FillNeed::overwrite_question;
  return FillNeed::nothing;
}

namespace {

void clear_column(Grid& g, int c, int n) {
  g.set_row(1);
  g.set_col(c);
  for (int k = 0; k < n; ++k) {
    g.set_text(QString());
    // Only the cleared cell turns white: the block ends where it starts.
    g.set_block_col2(c);
    g.set_block_row2(g.row());
    g.set_block_mode(true);
    g.set_back_colour(k_white);
    g.set_block_mode(false);
    g.set_row(g.row() + 1);
  }
}

}  // namespace

FillRun fill_rows(Context& cx, int c, const QString& text, bool consent) {
  const FillNeed need = fill_need(cx, c, text);
  if (need == FillNeed::too_long) return {FillEnd::refused, msg::too_long};
  if (need != FillNeed::nothing && !consent) return {FillEnd::declined, {}};
  Grid& g = cx.ss1;
  const int n = cx.state.file_count;
  if (need == FillNeed::clear_question) {
    clear_column(g, c, n);
    return {FillEnd::done, {}};
  }
  g.set_row(1);
  g.set_col(c);
  for (int k = 0; k < n; ++k) {
    g.set_text(text);
    g.set_row(g.row() + 1);
  }
  paint_columns(cx, c, c, k_edited);
  return {FillEnd::done, {}};
}

void fill_column(Context& cx, int c, const QString& text, const QString& empty_question) {
  bool consent = true;
  switch (fill_need(cx, c, text)) {
    case FillNeed::clear_question: consent = cx.dialogs.ask(empty_question); break;
    case FillNeed::overwrite_question: consent = cx.dialogs.ask(msg::overwrite); break;
    case FillNeed::too_long:
    case FillNeed::nothing: break;
  }
  const FillRun run = fill_rows(cx, c, text, consent);
  if (!run.text.isEmpty()) cx.dialogs.notify(run.text);
}

int titles_from_names(Context& cx, bool with_order) {
  Grid& g = cx.ss1;
  int given = 0;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    QString prefix;
    if (with_order) {
      g.set_row(r);
      g.set_col(col::order);
      prefix = g.text();
    }
    // A row whose file failed to read shows its name only to tell which
    // file failed: it gets no title.
    if (cx.state.file(r - 1).isEmpty()) continue;
    g.set_row(r);
    g.set_col(col::name);
    const QString name = g.text();
    // A name shorter than its extension gives no title: the row keeps the
    // one it has.
    if (char_count(name) < 4) continue;
    // A name's bytes that are no UTF-8 (a Shift-JIS name from an old
    // archive) are read as a legacy tag text is.
    QString title = drop_last_chars(name, 4);
    if (without_lone_surrogates(title) != title) title = decode_legacy(encode_file_name(title));
    g.set_row(r);
    g.set_col(col::title);
    g.set_text(prefix + title);
    ++given;
  }
  return given;
}

void cmd_all_al(Context& cx, const QString& text) {
  fill_column(cx, col::album, text, msg::album_empty);
}

void cmd_all_art(Context& cx, const QString& text) {
  fill_column(cx, col::artist, text, msg::artist_empty);
}

void cmd_fname(Context& cx) {
  if (cx.dialogs.ask(msg::title_from_name)) titles_from_names(cx, false);
}

void cmd_zyun_fname(Context& cx) {
  if (cx.dialogs.ask(msg::title_from_order_name)) titles_from_names(cx, true);
}

void cmd_cls(Context& cx) {
  if (!cx.dialogs.ask(msg::clear_reload)) return;
  relist_files(cx, Relist::rebuild);
  fill_table(cx);
  read_tags(cx);
  refresh_marks(cx);
  cx.dialogs.notify(msg::reload_done);
}

void cmd_modosu2(Context& cx) {
  if (!cx.dialogs.ask(msg::undo_tags)) return;
  // The file-name column keeps its edits, so every row keeps its file.
  relist_files(cx, Relist::keep_rows);
  read_tags(cx);
  Grid& g = cx.ss1;
  g.set_row(1);
  g.set_col(col::order);
  for (int k = 1; k <= cx.state.file_count; ++k) {
    if (g.row() < 10)
      g.set_text(track_order(k));
    else
      g.set_text(k);
    g.set_row(g.row() + 1);
  }
  // Every tag cell is its file's again; a row still without a file stays
  // marked as such, all of it.
  refresh_marks(cx);
}

}  // namespace tn
