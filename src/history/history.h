#pragma once
// The write history of a folder: every run of the tag writers and of the
// renames keeps, for each file it changed, what puts the file back (the old
// bytes of the ranges written in place, or the old head and tail of a file
// rewritten, and the old name of a file renamed), with the file's identity
// before and after. An undo (undo.h) goes back through it.
//
// Kept in the folder itself, in ".tagnarabe-history/", one file a run, so it
// outlives the program, works on any file system the files are on (a stick
// too) and goes with them; the folder listing shows only ".mp3" names.
// Bounded: the newest k_max_runs runs and k_max_bytes, the oldest dropped
// first; the newest run is kept even when it alone is over the bound.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "posix/file_identity.h"

namespace tn::history {

// How the prints of a change were taken (print_of): 1 by the first
// versions, 2 since. A change is compared by the kind it was stored with.
constexpr int k_print_kind = 2;

// One change a run made to one file.
struct Change {
  QByteArray name_before, name_after;  // in the folder, the file system's bytes
  FileIdentity before, after;          // `link` unused
  // Written in place: the old bytes at each offset (the size stays).
  std::vector<std::pair<std::int64_t, QByteArray>> old_ranges;
  // Rewritten: the first new_head bytes were old_head, the last new_tail
  // bytes old_tail; what lies between is as it was.
  bool rewritten = false;
  QByteArray old_head, old_tail;
  std::int64_t new_head = 0, new_tail = 0;
  // Prints of the file's content (print_of) before and after; 0 unknown. A
  // file whose identity is not the one recorded is still this change's when
  // its print is: a copy, a touched file.
  std::uint64_t before_print = 0, after_print = 0;
  int print_kind = k_print_kind;  // of both prints (print_of)
};

struct Run {
  std::uint64_t id = 0;    // rising within a folder
  std::int64_t time = 0;   // seconds since the epoch
  QString command;         // as the menus name it
  std::vector<Change> changes;  // in the order made
  std::int64_t bytes = 0;  // its size in the history, set by load_runs
  // Stored before its changes were made (an undo): until it is stored again
  // complete, recovery keeps of it what the files show was done.
  bool complete = true;
};

constexpr int k_max_runs = 20;
constexpr std::int64_t k_max_bytes = std::int64_t{64} << 20;
inline const QByteArray k_history_dir = ".tagnarabe-history";

// What load_runs takes of each run.
enum class Load {
  whole,       // everything, to undo it
  listing,     // its changes without the bytes that put files back: to list and compare
  incomplete,  // whole, and only the runs not stored complete (what recovery looks for)
};

// The runs kept for folder with an id from `from` on, oldest first. Only
// the runs read are held: a list does not hold every run's old bytes. A run
// file that is not whole (its writer died before it was stored) is skipped;
// one of any size that was stored is read.
std::vector<Run> load_runs(const QByteArray& folder, Load what = Load::whole, std::uint64_t from = 0);

// Stores run durably (its bytes and its name flushed before it returns),
// replacing a stored run of the same id; an id of 0 gets the next one. Then,
// for a complete run, drops the oldest runs beyond the bounds (the run just
// stored always stays, whatever its size; an undo keeps the runs it undoes
// until it is done). False, errno set, when it could not be stored.
bool store_run(const QByteArray& folder, Run& run);

// Whether a run can be stored in folder's history now (its place made if
// need be and written to); errno set when not.
bool can_store(const QByteArray& folder);
// Removes the temporary files of stores whose process died.
void remove_dead_stores(const QByteArray& folder);
// Removes a run from the history.
void remove_run(const QByteArray& folder, std::uint64_t id);
// The history's place in folder, as messages name it.
QString place_of(const QByteArray& folder);

// A print of a file's content: its size, the ID3v2 tag at its head (at
// least 8 KiB, at most 64 KiB), the last 8 KiB and blocks spread between.
// Another program's change of a tag changes it; a copy or a touch does not.
std::uint64_t print_of(const QByteArray& content, int kind = k_print_kind);
std::uint64_t print_of_file(int fd, int kind = k_print_kind);  // 0 on a read error

// A folder as the history names it: the file system's bytes, no trailing "/".
QByteArray native_folder(const QString& folder);

}  // namespace tn::history
