// The tag access for MP3 files.
//
// Reading: our own probe of the file's start decides whether it is MPEG audio
// at all (TagLib would scan a whole file that does not start like one). The
// ID3v2 fields come from one walk of the frame headers (id3v2_fields.h);
// TagLib reads the tag (without audio properties) only when that walk can't
// say, for unusual tags. The ID3v1 block is read byte for byte. Text stored
// as ISO-8859-1 is decoded by legacy_text.
//
// Writing goes in the four steps of write_plan.h, each file opened twice:
// once to be read and planned, every in-place plan of the run journaled
// together with one flush (InPlaceWriter::stage); once to be carried out
// (apply: the one place a write changes a file), checked to be the file
// planned, unchanged; all made durable at the run's end. When the new
// tag has the old one's size, only the byte ranges that differ (ID3v2, APE
// and ID3v1 together) are overwritten in place, under the rollback journal;
// otherwise a complete new file is written beside the old one and renamed
// over it (safe_write).
//
// Permissions are not changed here: the writers make a file owner-writable
// before they hand it to us, and a file we may not write is refused with
// cannot_open rather than replaced behind its owner's back.

#include <fcntl.h>
#include <malloc.h>

#include <algorithm>
#include <memory>

#include "durable/folder_lock.h"
#include "durable/journal.h"
#include "durable/safe_write.h"
#include "tags/mp3_apply.h"
#include "tags/messages.h"
#include "tags/mp3_read.h"
#include "tags/tag_access.h"

namespace tn {

namespace {

// The files written keep a descriptor open until the run's end (for its
// flush), and their plans are held in memory: a long run goes in batches
// of this many, each journaled and made durable on its own.
constexpr std::size_t k_batch = 128;

TagFailure failure(int number, TagFailure::Stage stage) { return {number, stage, {}}; }

FileWritten refused(int number, const QByteArray& not_carried = {}) {
  FileWritten w;
  w.failure = failure(number, TagFailure::Stage::write);
  w.failure.detail = msg::frame_not_carried(not_carried);
  return w;
}

class Mp3Access final : public TagAccess {
 public:
  TagReadResult read(const QByteArray& path) override;
  std::vector<FileWritten> write(const std::vector<FileEdits>& files, const WriteOptions& options) override;

 private:
  void batch(const std::vector<FileEdits>& files, std::size_t from, std::size_t to, const WriteOptions& options,
             std::vector<FileWritten>& out);

  Mp3Writer writer_;
};

TagReadResult Mp3Access::read(const QByteArray& path) {
  Mp3Open file;
  if (const int error = open_mp3(path, O_RDONLY, file)) return failure(error, TagFailure::Stage::open);
  // A broken tag still opens; reading it then reports the failure.
  if (file.probe.tag_broken && !file.probe.tag_cut) return failure(tag_error::read_failed, TagFailure::Stage::read);
  TagRead read;
  QByteArray v1;
  if (const int error = read_mp3_fields(file, read, v1)) return failure(error, TagFailure::Stage::read);
  return read;
}

void Mp3Access::batch(const std::vector<FileEdits>& files, std::size_t from, std::size_t to,
                      const WriteOptions& options, std::vector<FileWritten>& out) {
  std::vector<std::unique_ptr<Mp3Plan>> plans(to - from);
  for (std::size_t i = from; i < to; ++i) {
    auto plan = std::make_unique<Mp3Plan>();
    if (const int error = writer_.plan(files[i], options.shown_chars, *plan)) {
      out[i] = refused(error, plan->not_carried);
      continue;
    }
    plans[i - from] = std::move(plan);
  }
  for (std::size_t i = from; i < to; ++i) {
    if (options.progress) options.progress(static_cast<int>(i));
    if (Mp3Plan* plan = plans[i - from].get()) {
      const int error = writer_.apply(*plan, out[i]);
      if (error) out[i] = refused(error);
    }
  }
  // The run's writes flushed and recorded; those that could not be are
  // back as they were.
  const QByteArrayList lost = writer_.finish();
  for (std::size_t i = from; i < to; ++i)
    if (out[i].written && lost.contains(files[i].path)) out[i] = refused(tag_error::write_failed);
}

std::vector<FileWritten> Mp3Access::write(const std::vector<FileEdits>& files, const WriteOptions& options) {
  std::vector<FileWritten> out(files.size());
  // No other run of ours changes these folders between a plan and its write.
  QByteArrayList paths;
  for (const FileEdits& f : files) paths << f.path;
  const FolderLocks locks(paths);
  writer_.observe(options.observer);
  for (std::size_t from = 0; from < files.size(); from += k_batch)
    batch(files, from, std::min(files.size(), from + k_batch), options, out);
  writer_.observe(nullptr);
  return out;
}

}  // namespace

std::unique_ptr<TagAccess> make_mp3_access() {
  // TagLib copies a cover picture several times per write. glibc would map
  // and unmap each such block (and trim the heap) file after file, costing
  // page faults for every byte; held, the memory is reused.
  static const bool held = [] {
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    return true;
  }();
  (void)held;
  return std::make_unique<Mp3Access>();
}

}  // namespace tn
