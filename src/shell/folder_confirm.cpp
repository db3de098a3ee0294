#include "shell/folder_confirm.h"

#include <utility>

#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/journal.h"
#include "tags/messages.h"

namespace tn {

QString main_caption(const QString& edit_folder) {
  return QStringLiteral("MP3　エディタ　画面              -現在 ") + edit_folder +
         QStringLiteral(" を編集中-");
}

bool confirm_folder(Context& cx, Shell& shell, const QString& folder_path,
                    const QString& drive_text, const QStringList& listing,
                    std::vector<ReadError>* read_errors) {
  if (!cx.dialogs.ask(folder_display_name(folder_path, drive_text) + msg::confirm_folder_tail))
    return false;
  const auto k = listing.size();
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
  for (int i = 0; i < k; ++i) cx.state.set_file(i, listing[i]);
  shell.hide_startup();
  shell.show_main();
  cx.ss1.set_max_rows(cx.state.file_count);
  paint_columns(cx, col::order, col::artist, k_white);
  shell.set_main_caption(main_caption(cx.state.edit_folder));
  // Writes a dead run left half done are rolled back before anything is read.
  const RecoveryReport recovered = recover_folder(encode_file_name(cx.state.edit_folder));
  for (const auto& [file, kept] : recovered.kept_aside)
    cx.dialogs.notify(file + msg::journal_kept_middle + kept + msg::journal_kept_tail);
  fill_table(cx);
  std::vector<ReadError> failed = read_tags(cx);
  if (read_errors) *read_errors = std::move(failed);
  return true;
}

}  // namespace tn
