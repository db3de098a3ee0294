#pragma once
// A write of an MP3 file in its four steps (write_plan.h): planned in the
// file's one open for writing, then carried out, the run's in-place writes
// journaled together and made durable at its end.

#include <QByteArray>
#include <QByteArrayList>

#include "durable/journal.h"
#include "tags/mp3_read.h"
#include "tags/tag_access.h"
#include "tags/write_plan.h"

namespace tn {

struct Mp3Plan {
  QByteArray path;
  struct stat st {};  // the file planned, as of its plan
  bool link = false;
  TagRead before;     // as read in the plan's open
  PerField<bool> set;  // the fields the write stores
  FileChange change;
  // Refused: the id of the frame that could not be carried into the new
  // tag, when one stopped the write.
  QByteArray not_carried;
};

class Mp3Writer {
 public:
  // Who is told of the writes (nullptr: nobody).
  void observe(ChangeObserver* observer) {
    observer_ = observer;
    in_place_.observe(observer);
  }
  // Steps 1 to 3 for one file: opened, checked to be the one the caller
  // read, read and planned; a change in place is staged with the journal.
  // tag_error::none or why the file is refused, untouched (plan.not_carried
  // naming the frame that stopped it, if one did).
  int plan(const FileEdits& edits, int shown_chars, Mp3Plan& plan);
  // Step 4: the one place a write changes a file, opened again and checked
  // to be the file planned, unchanged. tag_error::none with `out` filled,
  // or why it was not written (the file as it was).
  int apply(const Mp3Plan& plan, FileWritten& out);
  // The end of a run: see InPlaceWriter::finish.
  QByteArrayList finish() {
    recovered_folder_.clear();
    return in_place_.finish();
  }

 private:
  // Opens path for writing; read_as: the identity it must have.
  static int open_for_write(const QByteArray& path, const std::optional<FileIdentity>& read_as, Mp3Open& file);
  // Opens the file planned for writing again, refused unless it is unchanged.
  static int open_planned(const Mp3Plan& plan, Mp3Open& file);
  int rewrite(const Mp3Plan& plan, const Mp3Open& file);

  InPlaceWriter in_place_;
  ChangeObserver* observer_ = nullptr;
  QByteArray recovered_folder_;  // whose leftovers of dead writers were cleared
  QByteArray old_tag_;           // kept, like the heap, from file to file
};

}  // namespace tn
