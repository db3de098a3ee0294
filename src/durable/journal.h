#pragma once
// Overwriting byte ranges of a file in place so that nothing can leave it
// half old, half new: a rollback journal.
//
// Before a range is overwritten, its old and new bytes go to a journal file
// beside the file, with what identifies the file, and are flushed. Then the
// file is written and flushed. The writes a run announces (stage) are
// journaled together with one flush, and flushed together at its end, before
// the journal goes. A writer that dies leaves the journal; the next folder
// confirmation, or the next write into that folder, rolls the file back
// unless it is already wholly new. The file is known by its name, size and
// a print of its bytes outside the ranges, so a folder copied or restored
// from a backup (every inode new) is rolled back too. A journal whose file
// was changed since (other bytes in the ranges or outside them, another
// size) is renamed aside and reported, never applied.
//
// The journal is ".tagnarabe-journal-<random>" in the file's folder, so it
// works on any file system the file lives on (FAT and exFAT sticks too) and
// goes with the files; the folder listing shows only ".mp3" names. It is
// locked while its writer lives, so a second program instance leaves it alone.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <sys/stat.h>
#include <vector>

#include "durable/change_observer.h"

namespace tn {

// One range to overwrite: new_bytes at offset, where old_bytes are now.
struct Patch {
  std::int64_t offset = 0;
  QByteArray old_bytes, new_bytes;  // of equal size
  bool operator==(const Patch&) const = default;
};

// The ranges where `now` differs from `was` (equal sizes), at base + index;
// gaps of up to `join` equal bytes between differences are taken along.
void add_patches(std::vector<Patch>& out, std::int64_t base, const QByteArray& was,
                 const QByteArray& now, int join = 256);

class InPlaceWriter {
 public:
  InPlaceWriter() = default;
  InPlaceWriter(const InPlaceWriter&) = delete;
  InPlaceWriter& operator=(const InPlaceWriter&) = delete;
  ~InPlaceWriter() { finish(); }

  // Who is told of the run's writes (see change_observer.h); none by default.
  void observe(ChangeObserver* observer) { observer_ = observer; }

  // A write the run will make, announced before the run's first write: the
  // announced writes of a folder are journaled together, with one flush, and
  // written without flushes of their own until finish().
  void stage(const QByteArray& path, int fd, const struct stat& st, std::vector<Patch> patches);

  // Writes the patches into fd (open for reading and writing, `st` its fstat)
  // which `path` names, journaled. On any failure the old bytes are put back
  // (from memory) before it returns false with errno set; if even that fails
  // the journal stays for the next confirmation. A write that was staged as
  // it is now is flushed by finish(); any other is flushed before it returns.
  bool write(const QByteArray& path, int fd, const struct stat& st,
             const std::vector<Patch>& patches);

  // A file of the run replaced by a new one (replace_file), its old self
  // kept under kept_name: let go once the run is recorded, or put back
  // over the new one when the record cannot be made durable.
  void hold(const QByteArray& path, const QByteArray& kept_name);

  // The end of a run of writes: the files written are flushed, the observer
  // makes its record durable, then the journal goes. The paths whose new
  // bytes could not be flushed, or whose record could not be made durable;
  // their old bytes are back (or, failing that, the journal stays for
  // recovery).
  QByteArrayList finish();

 private:
  struct Staged {
    QByteArray path;
    struct stat st {};
    bool stable = true;  // inode numbers that outlast a remount
    std::uint64_t print = 0;  // of the bytes outside the patches
    std::vector<Patch> patches;  // cleared once its record is gone
    int fd = -1;  // written: to be flushed, and held until the run is recorded
    std::int64_t mark_at = 0;  // of its record's mark in the journal
  };

  bool open_journal(const QByteArray& folder);
  // Journals the staged writes, if not done yet; if that fails they are
  // written as any other.
  void commit_staged();
  // The journaled, not yet written staged write that is exactly this one.
  Staged* staged_as(const QByteArray& path, const struct stat& st, const std::vector<Patch>& patches);
  // Flushes the writes made; those that fail are put back and noted in lost_.
  void flush_staged();
  // Closes the files written; with take_back, their old bytes are put back first.
  void release_written(bool take_back);
  // The same for the old selves of files replaced.
  void let_go_kept(bool take_back);
  // remove false: left for recovery, which needs it as it is.
  void close_journal(bool remove);
  // The run's history stored, then its journal closed.
  void end_run();

  QByteArray folder_;  // where the open journal lives
  QByteArray name_;    // its name there
  int dirfd_ = -1;
  int fd_ = -1;
  QByteArray record_;  // reused from file to file
  std::vector<Staged> staged_;
  std::int64_t staged_bytes_ = 0;
  bool committed_ = false;
  std::int64_t slot_ = 0;  // where the journal's record of an unstaged write goes
  std::int64_t unrecorded_end_ = 0;  // the end of the last such record
  bool keep_journal_ = false;  // a write could not be put back: recovery needs it
  QByteArrayList lost_;
  ChangeObserver* observer_ = nullptr;
  QList<QPair<QByteArray, QByteArray>> kept_;  // path, the name its old self is kept under
};

// What recovery found in a folder that the user must hear of: the files
// whose journal no longer matched them, and the name it was kept under.
struct RecoveryReport {
  QList<QPair<QString, QString>> kept_aside;
  bool changed = false;  // a dead writer's leftovers were found
};

// Rolls back what dead writers left in `folder` (journals no live writer
// holds) and removes their temporary files. A write made whole is kept when
// `records` holds it (or when there are no records), else taken back too;
// so is the replacement of a file whose old self a dead writer kept.
RecoveryReport recover_folder(const QByteArray& folder, const ChangeRecords* records = nullptr);

}  // namespace tn
