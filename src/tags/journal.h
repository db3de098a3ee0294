#pragma once
// Overwriting byte ranges of a file in place so that nothing can leave it
// half old, half new: a rollback journal.
//
// Before a range is overwritten, its old and new bytes go to a journal file
// beside the file, with what identifies the file, and are flushed. Then the file is written and
// flushed. A writer that dies leaves the journal; the next folder
// confirmation, or the next write into that folder, rolls the file back
// unless it is already wholly new. A journal whose file was changed since
// (other bytes in the ranges, another size or file) is renamed aside and
// reported, never applied.
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

namespace tn {

// One range to overwrite: new_bytes at offset, where old_bytes are now.
struct Patch {
  std::int64_t offset = 0;
  QByteArray old_bytes, new_bytes;  // of equal size
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

  // Writes the patches into fd (open for reading and writing, `st` its fstat)
  // which `path` names, journaled and flushed. On any failure the old bytes
  // are put back (from memory) before it returns false with errno set; if
  // even that fails the journal stays for the next confirmation.
  bool write(const QByteArray& path, int fd, const struct stat& st,
             const std::vector<Patch>& patches);

  // Removes the journal: the end of a run of writes.
  void finish() { close_journal(true); }

 private:
  bool open_journal(const QByteArray& folder);
  // remove false: left for recovery, which needs it as it is.
  void close_journal(bool remove);

  QByteArray folder_;  // where the open journal lives
  QByteArray name_;    // its name there
  int dirfd_ = -1;
  int fd_ = -1;
  QByteArray record_;  // reused from file to file
};

// What recovery found in a folder that the user must hear of: the files
// whose journal no longer matched them, and the name it was kept under.
struct RecoveryReport {
  QList<QPair<QString, QString>> kept_aside;
};

// Rolls back what dead writers left in `folder` (journals no live writer
// holds) and removes their temporary files.
RecoveryReport recover_folder(const QByteArray& folder);

}  // namespace tn
