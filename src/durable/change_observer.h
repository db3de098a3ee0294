#pragma once
// What the durable writes tell whoever keeps a record of them (the write
// history): what each change was, before and after. The writer is handed an
// observer for a run and knows nothing of what it does with the news.
//
// The one rule between the two: the observer has made durable what it was
// told before the journal of those writes goes (InPlaceWriter::finish). A
// run whose record cannot be made durable is taken back, so that a record
// never lacks a write that stays on the disk.

#include <QByteArray>
#include <cstdint>
#include <sys/stat.h>
#include <vector>

namespace tn {

struct Patch;

class ChangeObserver {
 public:
  virtual ~ChangeObserver() = default;
  // path was written in place: patches over fd, whose fstat before was `before`.
  virtual void wrote_in_place(const QByteArray& path, const struct stat& before, int fd,
                              const std::vector<Patch>& patches) = 0;
  // path was replaced by a new file: the first old_head bytes of the old
  // file (old_fd) became new_head bytes, its last old_tail bytes new_tail
  // bytes; what lies between was copied.
  virtual void rewrote(const QByteArray& path, const struct stat& before, int old_fd, std::int64_t old_head,
                       std::int64_t new_head, std::int64_t old_tail, std::int64_t new_tail) = 0;
  virtual void renamed(const QByteArray& from, const QByteArray& to) = 0;
  // A write told of that did not reach the disk: its old bytes are back.
  virtual void taken_back(const QByteArray& path) = 0;
  // Makes durable what it was told so far; false when it could not.
  virtual bool make_durable() = 0;
};

// What recovery asks the record about a write whose writer died: whether it
// holds the file as the file now is. A write it does not hold is taken back
// (its journal's old bytes, or the old file kept beside it).
class ChangeRecords {
 public:
  virtual ~ChangeRecords() = default;
  virtual bool holds(const QByteArray& name, int fd) const = 0;
};

}  // namespace tn
