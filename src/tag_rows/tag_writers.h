#pragma once
// Writing the tag columns of the track table into the files.

#include <QString>
#include <QStringList>
#include <vector>

#include "table/context.h"
#include "tags/fields.h"

namespace tn {

// The windows' commands: question, write_tag_columns, its texts shown,
// written columns painted white. Each returns the rows (from 1) that have a
// file and were not written.
std::vector<int> cmd_write_all(Context& cx);
std::vector<int> cmd_write_kyokumei(Context& cx);
std::vector<int> cmd_write_alubum(Context& cx);
std::vector<int> cmd_write_artname(Context& cx);

// Which fields a writer takes from the table; the others keep the file's.
// track: none of them, the track number frame instead.
enum class WriteFields { all, title, album, artist, track };

// What became of one row of a write run.
struct RowWritten {
  enum class Outcome {
    not_reached,  // not in the run (not among `only`), or the run stopped first
    no_file,      // its file failed to read: skipped, and counted as not written
    done,
    refused,      // reported: number, text
  };
  Outcome outcome = Outcome::not_reached;
  int number = 0;
  QString text;
};

struct RowsWritten {
  std::vector<RowWritten> rows;  // one per entry of the file list
  // Refused before any file: the folder can't be written, or its history
  // can't be stored (stopped_text says which); no row was tried.
  bool stopped = false;
  QString stopped_text;
  // The rows (from 1) tag_write calls not written: refused, without a file,
  // or every row of a stopped run.
  std::vector<int> not_written() const;
  // What the run has to say: why it stopped, or each refusal in row order.
  QStringList texts() const;
  // No file refused and the run not stopped.
  bool all_written() const;
  // A later run of the same command line or clean-up: a row's first
  // refusal stands, else its latest outcome; a stop stops the whole.
  void add(const RowsWritten& later);
};

// The rows (from 1) of a run that have a file and were not written.
std::vector<int> files_not_written(const Context& cx, const RowsWritten& run);

// A run's texts shown, then done when every file was written.
void show_written(Context& cx, const RowsWritten& run, const QString& done);

// The folder's refusal of every write, as a run that stops shows it.
QString write_folder_refused(const QString& folder);

// One run of writes of `fields` from their columns (tracks given: the track
// number of entry i is (*tracks)[i]), recorded in the folder's history as
// run_name; each file opened once to read and plan and once to write, the
// run's changes in place journaled with one flush. A file that cannot be
// written is refused and the run goes on. Nothing is asked or shown: the
// answer carries the texts. only: the rows (from 1) to write; nullptr:
// every row with a file.
RowsWritten write_fields(Context& cx, const std::vector<Field>& fields, const QString& run_name,
                         const std::vector<int>* only = nullptr, const QStringList* tracks = nullptr);

// What a write stores of a cell's text: its first 128 characters, without
// the blanks at its end or a NUL, a lone surrogate (of a file name's byte
// that is no UTF-8) as U+FFFD. After the write the cell shows that.
QString stored_text(const QString& cell);

// The operation of 全て書込 and the single-column writers: write_fields of
// those columns under the command's name (fields: any but track).
RowsWritten write_tag_columns(Context& cx, WriteFields fields, const std::vector<int>* only = nullptr);
// What the command shows when every file was written.
const QString& write_done_text(WriteFields fields);

// One run over every file of the file list, its texts shown. A file that
// cannot be written is reported and the run goes on; rows whose file-list
// entry is empty (their file failed to read) are skipped. Returns the rows not written, ascending.
// With WriteFields::track, tracks[i] is entry i's track number frame.
// only: the rows (from 1) to write, the others left alone and not returned;
// nullptr: every row.
std::vector<int> tag_write(Context& cx, WriteFields fields, const QStringList& tracks = {},
                           const std::vector<int>* only = nullptr);

inline std::vector<int> tag_write_all(Context& cx) { return tag_write(cx, WriteFields::all); }
inline std::vector<int> tag_write_title(Context& cx) { return tag_write(cx, WriteFields::title); }
inline std::vector<int> tag_write_album(Context& cx) { return tag_write(cx, WriteFields::album); }
inline std::vector<int> tag_write_artist(Context& cx) { return tag_write(cx, WriteFields::artist); }

// Gives the owner write permission where it lacks it; other bits stay.
bool make_owner_writable(const QString& path);

}  // namespace tn
