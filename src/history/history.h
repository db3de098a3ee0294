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
// first.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "posix/file_identity.h"

namespace tn::history {

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
};

struct Run {
  std::uint64_t id = 0;    // rising within a folder
  std::int64_t time = 0;   // seconds since the epoch
  QString command;         // as the menus name it
  std::vector<Change> changes;  // in the order made
  std::int64_t bytes = 0;  // its size in the history, set by load_runs
};

constexpr int k_max_runs = 20;
constexpr std::int64_t k_max_bytes = std::int64_t{64} << 20;
inline const QByteArray k_history_dir = ".tagnarabe-history";

// The runs kept for folder, oldest first. A run file that is not whole (its
// writer died before it was stored) is skipped.
std::vector<Run> load_runs(const QByteArray& folder);

// Stores run durably (its bytes and its name flushed before it returns),
// replacing a stored run of the same id; an id of 0 gets the next one. Then
// drops the oldest runs beyond the bounds. False, errno set, when it could
// not be stored.
bool store_run(const QByteArray& folder, Run& run);

// A file an undo gives back both its old bytes and its old name. The name
// goes back first; should the undo die before the bytes, the next recovery
// finds the file under its old name with the bytes it had (the print says
// so) and gives it its name back: the file is then as before the undo.
struct PendingName {
  QByteArray name_was;  // before the undo
  QByteArray name_now;  // given back by the undo
  std::int64_t size = 0, prefix = 0, suffix = 0;
  std::uint64_t print = 0;  // of its bytes [prefix, size - suffix) before the undo
};
// The folder's record of them, one undo at a time: open_pending gives it
// locked (created with `create`; -1 when there is none or another undo
// holds it), write_pending stores it durably, read_pending gives nothing
// for one that is not whole, and close_pending removes it.
int open_pending(const QByteArray& folder, bool create);
bool write_pending(int fd, const std::vector<PendingName>& pending);
std::vector<PendingName> read_pending(int fd);
void close_pending(const QByteArray& folder, int fd);

// A folder as the history names it: the file system's bytes, no trailing "/".
QByteArray native_folder(const QString& folder);

}  // namespace tn::history
