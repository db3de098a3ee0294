#pragma once
// Confirming a folder on the start-up form: the question, the file count
// checks, the shared values, and the main window filled for the folder.

#include <QString>
#include <QStringList>

#include <vector>

#include "table/context.h"
#include "tag_rows/read_tags.h"

namespace tn {

// What the confirmation asks of the windows; the forms implement it, tests
// record the calls.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void hide_startup() = 0;
  virtual void show_main() = 0;  // not modal
  virtual void set_main_caption(const QString& caption) = 0;
};

namespace msg {
inline const QString confirm_folder_tail = QStringLiteral("　　ﾌｫﾙﾀﾞ内のMP3を編集しますか？");
inline const QString too_many_files =
    QStringLiteral("指定したフォルダにMP3ファイルが多すぎます（100個まで）");
inline const QString no_files = QStringLiteral("指定したフォルダにMP3ファイルがありません");
}  // namespace msg

QString main_caption(const QString& edit_folder);

// Opens folder_path, whose MP3 files are listing, for editing, without a
// question: what a dead run left is settled, the files are counted (a
// notice when there are none or too many), the main window (shell) shown
// with their table and their tags read. Returns true when the folder
// became the edit folder; read_errors, if given, gets the rows whose files
// failed to read. The command line calls it with no windows.
bool open_folder(Context& cx, Shell& shell, const QString& folder_path, const QStringList& listing,
                 std::vector<ReadError>* read_errors = nullptr);

// The start-up form's confirmation: asks whether to edit the folder
// (drive_text names a root folder in the question), then open_folder.
bool confirm_folder(Context& cx, Shell& shell, const QString& folder_path,
                    const QString& drive_text, const QStringList& listing,
                    std::vector<ReadError>* read_errors = nullptr);

}  // namespace tn
