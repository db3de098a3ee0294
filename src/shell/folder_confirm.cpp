#include "shell/folder_confirm.h"

#include <utility>

#include "history/undo.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"

namespace tn {

QString main_caption(const QString& edit_folder) {
  return QStringLiteral("MP3　エディタ　画面              -現在 ") + edit_folder +
         QStringLiteral(" を編集中-");
}

namespace {

// No tag of the folder before stays beside the new one's names while the
// read errors are shown.
void clear_tags(Context& cx) {
  Grid& g = cx.ss1;
  for (int c = col::title; c <= col::last; ++c) {
    g.set_col(c);
    for (int r = 1; r <= cx.state.file_count; ++r) {
      g.set_row(r);
      g.set_text(QString());
    }
  }
  g.set_row(1);
}

}  // namespace

bool open_folder(Context& cx, Shell& shell, const QString& folder_path, const QStringList& listing,
                 std::vector<ReadError>* read_errors) {
  // What a dead run left is settled before the folder is listed, read or
  // shown: a listing made before may name files as they no longer are.
  const history::Recovered recovered = history::recover(history::native_folder(folder_path));
  for (const auto& [file, kept] : recovered.journals.kept_aside)
    cx.dialogs.notify(file + msg::journal_kept_middle + kept + msg::journal_kept_tail);
  const QStringList files = recovered.changed ? list_mp3_files(folder_path) : listing;
  const auto k = files.size();
  if (k > k_max_files) {
    cx.dialogs.notify(msg::too_many_files);
    return false;
  }
  if (k < 1) {
    cx.dialogs.notify(msg::no_files);
    return false;
  }
  cx.state.edit_folder = with_trailing_slash(folder_path);
  cx.state.file_count = static_cast<qint16>(k);
  for (int i = 0; i < k; ++i) cx.state.set_file(i, files[i]);
  shell.hide_startup();
  shell.show_main();
  cx.ss1.set_max_rows(cx.state.file_count);
  paint_columns(cx, col::order, col::last, k_white);
  shell.set_main_caption(main_caption(cx.state.edit_folder));
  fill_table(cx);
  clear_tags(cx);
  std::vector<ReadError> failed = read_tags(cx);
  if (read_errors) *read_errors = std::move(failed);
  return true;
}

bool confirm_folder(Context& cx, Shell& shell, const QString& folder_path,
                    const QString& drive_text, const QStringList& listing,
                    std::vector<ReadError>* read_errors) {
  return cx.dialogs.ask(folder_display_name(folder_path, drive_text) + msg::confirm_folder_tail) &&
         open_folder(cx, shell, folder_path, listing, read_errors);
}

}  // namespace tn
