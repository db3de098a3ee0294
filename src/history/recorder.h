#pragma once
// Recording a command's run into the history of its folder. The command
// holds a Recording while it runs; the writers tell it what they change
// through the note_ calls, which do nothing while no run is recorded or for
// a file of another folder.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/stat.h>
#include <vector>

#include "tags/journal.h"

namespace tn::history {

class Recording {
 public:
  // folder: the edit folder (a trailing "/" is fine). Inside another
  // Recording (a command made of others) this one adds to the outer run.
  Recording(const QString& folder, const QString& command);
  // Stores what the run changed, if anything.
  ~Recording();
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

 private:
  bool outer_ = false;
};

// path was written in place: patches over fd, whose fstat before was `before`.
void note_in_place(const QByteArray& path, const struct stat& before, int fd,
                   const std::vector<Patch>& patches);
// path was replaced by a new file: old_head and old_tail (of the old file)
// became new_head and new_tail bytes; what lies between was copied.
void note_replaced(const QByteArray& path, const struct stat& before, QByteArray old_head,
                   std::int64_t new_head, QByteArray old_tail, std::int64_t new_tail);
// The same, the old head and tail read from old_fd (the replaced file).
void note_rewrite(const QByteArray& path, const struct stat& before, int old_fd, std::int64_t old_head,
                  std::int64_t new_head, std::int64_t old_tail, std::int64_t new_tail);
void note_rename(const QByteArray& from, const QByteArray& to);
// A write noted that did not reach the disk: its old bytes are back.
void forget(const QByteArray& path);

// Stores what the run changed so far, durably. The journal calls it before
// it goes, so that what a run wrote is in the history before its journal
// is removed. True when nothing needed storing.
bool store_now();

}  // namespace tn::history
