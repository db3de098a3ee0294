#pragma once
// One folder as the command line edits it: the same shared values, track
// table (in memory), tag library and operations as the windows, with boxes
// that print their notices on stderr.

#include <QJsonObject>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "durable/folder_lock.h"
#include "table/context.h"
#include "table/dialogs.h"
#include "table/memory_grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tag_rows/tag_writers.h"
#include "tags/tag_library.h"

namespace tn::cli {

// Progress of a run on stderr, shown only on a terminal and only once the
// run has taken half a second.
class CliProgress final : public Progress {
 public:
  void begin(int total) override;
  void step(int done) override;
  void end() override;
  // Takes the progress line away, so that a notice stands on its own line.
  void clear_line();

 private:
  std::chrono::steady_clock::time_point start_;
  int total_ = 0;
  bool shown_ = false;
};

// The boxes behind the operations the command line calls: a notice goes to
// stderr; the operations take their answers as parameters, so a question
// is refused, and there is no input box or file dialog to show.
class CliDialogs final : public Dialogs {
 public:
  explicit CliDialogs(CliProgress& progress) : progress_(progress) {}
  bool ask(const QString& text) override;
  void notify(const QString& text) override;
  QString input(const QString& prompt) override;
  std::optional<QString> open_file(const QString& start_dir, const QStringList& filters,
                                   int selected_filter) override;

 private:
  CliProgress& progress_;
};

class Session {
 public:
  Session();
  // Opens folder as the start-up form does once its question is answered
  // (open_folder: its checks, its recovery of a dead writer's journal, the
  // table filled and read). False, its message shown, when it can't.
  bool open(const QString& folder);

  // The command reads, writes and reports as one: another run in the folder
  // (a window's, another command's) waits, or is waited for, whole.
  std::optional<FolderLock> lock;
  TrackState state;
  MemoryGrid grid;
  CliProgress progress;
  CliDialogs dialogs{progress};
  std::unique_ptr<TagLibrary> tags;
  Context cx;
  std::vector<ReadError> read_errors;  // of the opening's read
};

// The tag columns: column, field bit, name in --json, and its writer.
struct TagColumn {
  int col, bit;
  const char* field;
  WriteFields writer;
};
inline constexpr TagColumn k_tag_columns[] = {{col::title, field_bit::title, "title", WriteFields::title},
                                              {col::album, field_bit::album, "album", WriteFields::album},
                                              {col::artist, field_bit::artist, "artist", WriteFields::artist}};

// The field bits of the tag columns among the table columns given.
int tag_bits(const std::vector<int>& columns);

// The table as the main window shows it: one line a row (order, file name,
// the shown fields: title, album, artist, then those of --fields,
// tab-separated), or --json's document {"folder", "rows": [{"order",
// "file", every field by its key ("title", "album_artist"…), "error"}]}
// with extra's fields beside them.
QString table_text(const Session& s);
// One line of tab-separated cells, tabs and line breaks inside shown as
// \t, \n and \r.
QString tsv_line(const QStringList& cells);
QJsonObject table_json(const Session& s);
void print_table(const Session& s, bool json, const QJsonObject& extra = {});
void print_json(const QJsonObject& doc);

// A field of a row in --json beyond the table's, from another file:
//   [[maybe_unused]] const bool registered = add_row_field(fn);
using RowField = std::function<void(const Session& s, int row, QJsonObject& out)>;
bool add_row_field(RowField field);

}  // namespace tn::cli
