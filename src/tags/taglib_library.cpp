// The tag library over TagLib.
//
// Reading: our own probe of the file's start decides whether it is MPEG audio
// at all (TagLib would scan a whole file that does not start like one). The
// ID3v2 texts come from id3v2_reader, which reads only the frame headers and
// the three text frames; TagLib reads the tag (without audio properties) only
// when that reader can't say, for unusual tags. The ID3v1 block is read byte
// for byte. Text stored as ISO-8859-1 is decoded by legacy_text.
//
// Writing goes in the four steps of write_plan.h; write_tags below reads
// them top to bottom, and carry_out is the one place a file changes. When the
// new tag has the old one's size, only the byte ranges that differ (ID3v2,
// APE and ID3v1 together) are overwritten in place, under a rollback journal
// (journal.h; the writes a run announces share one journal flush);
// otherwise a complete new file is written beside the old one and renamed
// over it (safe_write).
//
// A write through a library that has the file open goes only into the file
// it opened: if the path names another file by then, nothing is written.
//
// Permissions are not changed here: the writers make a file owner-writable
// before they hand it to us (make_owner_writable), and a file we may not
// write is refused with cannot_open rather than replaced behind its owner's
// back.

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/fd.h"
#include "tags/ape_tag.h"
#include "tags/frame_check.h"
#include "tags/id3v1_block.h"
#include "tags/id3v2_reader.h"
#include "tags/change_observer.h"
#include "tags/journal.h"
#include "tags/legacy_fields.h"
#include "tags/mp3_probe.h"
#include "tags/safe_write.h"
#include "tags/tag_library.h"
#include "tags/taglib_tag.h"
#include "tags/text_frames.h"
#include "tags/write_plan.h"
#include "text/text.h"

namespace tn {

namespace {

// Opens path; link tells whether its last part is a symbolic link (decided
// by the same open, so a link swapped in meanwhile can't slip through).
int open_noting_link(const QByteArray& path, int flags, bool& link) {
  const int fd = ::open(path.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
  link = fd < 0 && errno == ELOOP;
  return link ? ::open(path.constData(), flags | O_CLOEXEC) : fd;
}

// The APE tag at the file's end, before its ID3v1 block or not, with the
// items of the fields the write sets anew; one that can't be carried whole
// refuses the write, as a frame would.
int new_tail_ape(int fd, const Mp3Probe& probe, const WantedTexts& wanted, const QString* track, TailChange& tail) {
  ApeTag ape;
  const std::int64_t end = probe.file_size - (probe.has_id3v1 ? k_id3v1_size : 0);
  switch (find_ape(fd, std::max<std::int64_t>(probe.id3v2_size, probe.audio_offset), end, ape)) {
    case ApeFound::none: return tag_error::none;
    case ApeFound::broken: return tag_error::write_failed;
    case ApeFound::found: break;
  }
  if (!new_ape(ape.bytes, wanted, track, tail.ape)) return tag_error::write_failed;
  tail.ape_at = ape.offset;
  tail.ape_old = std::move(ape.bytes);
  return tag_error::none;
}

class TaglibLibrary final : public TagLibrary {
 public:
  int vbmp3_open(const QByteArray& path, OpenRecordBytes& info) override;
  int vbmp3_getTagInfo(TagRecordBytes& record) override;
  int vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record, int, int) override;
  void vbmp3_close() override;
  int vbmp3_getLastErrorNo() override { return last_error_; }
  QByteArray frame_not_carried() const override { return frame_not_carried_; }
  std::optional<FileIdentity> open_file_identity() const override {
    return is_open_ ? std::optional(identity_) : std::nullopt;
  }
  int legacy_fields() const override { return is_open_ ? legacy_ : 0; }
  bool open_file_without_audio() const override { return is_open_ && probe_.no_audio; }
  void announce_write(const QByteArray& path, const TagRecordBytes& record, int from_table) override {
    const int error = last_error_;
    write_tags(path, record, from_table, Mode::announce);
    last_error_ = error;
  }
  void observe_changes(ChangeObserver* observer) override {
    TagLibrary::observe_changes(observer);
    in_place_.observe(observer);
  }
  QByteArrayList finish_writes() override {
    recovered_folder_.clear();
    return in_place_.finish();
  }
  int set_track_number(const QByteArray& path, const TagRecordBytes& record, const QString& track) override {
    return written(path, write_tags(path, record, 0, Mode::write, &track));
  }

 private:
  // announce: everything up to the write, which is staged if in place.
  enum class Mode { write, announce };

  int fail(int error) {
    last_error_ = error;
    return 0;
  }
  // The file a write goes into, checked to be the one the table was read
  // from; tag_error::none or why not.
  int open_for_write(const QByteArray& path, Fd& fd, struct stat& st, Mp3Probe& probe);
  // track: the track number frame's new text too (nullptr: it stays).
  int write_tags(const QByteArray& path, const TagRecordBytes& record, int from_table, Mode mode,
                 const QString* track = nullptr);
  // Step 4: the one place a write changes the file. In announce mode an
  // in-place change is staged, a rewrite left for the write itself.
  int carry_out(const QByteArray& path, int fd, const struct stat& st, FileChange change, Mode mode);
  // After a write into path (ok: its result), which returns.
  int written(const QByteArray& path, int ok);
  int rewrite(const QByteArray& path, int fd, const struct stat& st, const FileChange& change);

  // The open file.
  bool is_open_ = false;
  QByteArray open_path_;
  Fd fd_;
  Mp3Probe probe_;
  FileIdentity identity_;

  // Writing: the journal of in-place writes, the folder whose leftovers of
  // dead writers were last cleared, and the old tag's bytes (kept, like the
  // heap, from file to file).
  InPlaceWriter in_place_;
  QByteArray recovered_folder_;
  QByteArray old_tag_;

  // What the last tag read returned.
  std::optional<LastRead> last_read_;
  int legacy_ = 0;  // its fields decoded from legacy bytes

  int last_error_ = tag_error::none;
  QByteArray frame_not_carried_;  // of the last write, when a frame stopped it
};

int TaglibLibrary::vbmp3_open(const QByteArray& path, OpenRecordBytes& info) {
  vbmp3_close();
  info = empty_open_bytes();
  bool link = false;
  Fd fd(open_noting_link(path, O_RDONLY, link));
  struct stat st;
  if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0) return fail(tag_error::cannot_open);
  const Mp3Probe probe = probe_mp3(fd.fd);
  if (probe.error) return fail(probe.error);
  // A broken tag still opens; reading it then reports the failure.
  is_open_ = true;
  open_path_ = path;
  fd_ = std::move(fd);
  probe_ = probe;
  identity_ = identity_of(st, link);
  last_error_ = tag_error::none;
  return 1;
}

int TaglibLibrary::vbmp3_getTagInfo(TagRecordBytes& record) {
  if (!is_open_) return fail(tag_error::no_file_open);
  if (probe_.tag_broken && !probe_.tag_cut) return fail(tag_error::read_failed);
  struct stat st;
  if (::fstat(fd_.fd, &st) != 0) return fail(tag_error::read_failed);

  LastRead lr;
  lr.path = open_path_;
  lr.st = st;
  if (probe_.id3v2_major) {
    Id3v2Texts v2;
    switch (read_id3v2_texts(fd_.fd, probe_, v2)) {
      case Id3v2Read::done: break;
      case Id3v2Read::read_error: return fail(tag_error::read_failed);
      case Id3v2Read::cannot_say:
        if (!read_id3v2_texts_taglib(fd_.fd, v2)) return fail(tag_error::read_failed);
        prefer_own_texts(file_bytes(fd_.fd, probe_.id3v2_offset), probe_.id3v2_major, probe_.id3v2_size, v2,
                         probe_.tag_cut ? probe_.file_size : probe_.id3v2_size);
        break;
    }
    for (int i = 0; i < k_fields; ++i) {
      lr.text[i] = v2[i];
      if (!lr.text[i].isEmpty()) lr.source[i] = Source::id3v2;
    }
  }
  QByteArray block;
  if (probe_.has_id3v1) {
    if (!read_id3v1(fd_.fd, probe_, block)) return fail(tag_error::read_failed);
    for (int i = 0; i < k_fields; ++i) {
      if (lr.source[i] != Source::none) continue;
      lr.text[i] = id3v1_text(block, i);
      if (!lr.text[i].isEmpty()) lr.source[i] = Source::id3v1;
    }
  }
  // Every field is filled, so a reused record never carries another file's text.
  record = empty_tag_bytes();
  char* fields[k_fields] = {record.title, record.artist, record.album};
  for (int i = 0; i < k_fields; ++i) {
    const QString shown = first_chars(lr.text[i], k_tag_text_chars);
    lr.cut[i] = shown.size() < lr.text[i].size();
    set_field(fields[i], k_tag_text_bytes, shown);
    lr.bytes[i] = field_bytes(fields[i]);
  }
  legacy_ = tn::legacy_fields(fd_.fd, probe_, lr, block);
  last_read_ = std::move(lr);
  last_error_ = tag_error::none;
  return 1;
}

void TaglibLibrary::vbmp3_close() {
  fd_.reset();
  is_open_ = false;
  legacy_ = 0;
  open_path_.clear();
  probe_ = Mp3Probe{};
}

int TaglibLibrary::vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record,
                                    int from_table, int) {
  return written(path, write_tags(path, record, from_table, Mode::write));
}

int TaglibLibrary::written(const QByteArray& path, int ok) {
  // The file has changed (or may have): what was read no longer describes it,
  // and an open handle on it is renewed.
  last_read_.reset();
  if (is_open_ && open_path_ == path) {
    const int error = last_error_;
    OpenRecordBytes info;
    const QByteArray p = open_path_;
    vbmp3_open(p, info);
    last_error_ = error;
  }
  return ok;
}

int TaglibLibrary::open_for_write(const QByteArray& path, Fd& fd, struct stat& st, Mp3Probe& probe) {
  // What dead writers left in this folder goes first: a journal's file must
  // be rolled back before anything else is written into it.
  const QByteArray folder = folder_of(path);
  if (folder != recovered_folder_) {
    recover_folder(folder);
    recovered_folder_ = folder;
  }
  bool link = false;
  fd = Fd(open_noting_link(path, O_RDWR, link));
  if (fd.fd < 0) return tag_error::cannot_open;
  if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) return tag_error::cannot_open;
  if (is_open_ && open_path_ == path && identity_of(st, link) != identity_) return tag_error::changed_on_disk;
  // The owner's write bit decides, for root too: the rewrite path could
  // otherwise replace a file its owner marked read-only.
  if (!(st.st_mode & S_IWUSR)) return tag_error::cannot_open;
  probe = probe_mp3(fd.fd);
  if (probe.error) return probe.error;
  if (probe.tag_broken) return tag_error::read_failed;
  // Our writers put the tag at the file's start; one after junk would be
  // left behind as if it were audio, so such a file is not written.
  if (probe.id3v2_offset > 0) return tag_error::write_failed;
  return tag_error::none;
}

int TaglibLibrary::write_tags(const QByteArray& path, const TagRecordBytes& record,
                              int from_table, Mode mode, const QString* track) {
  Fd fd;
  struct stat st;
  Mp3Probe probe;
  if (mode == Mode::write) frame_not_carried_.clear();
  if (const int error = open_for_write(path, fd, st, probe)) return fail(error);

  // 1. What each field becomes.
  const bool known = last_read_ && last_read_->path == path && same_file(last_read_->st, st);
  const WantedTexts wanted = wanted_fields(record, from_table, known ? &*last_read_ : nullptr);

  // No frame is replaced whose text the walk may have misread.
  if (const int error = check_replaced_texts(fd.fd, probe, wanted)) return fail(error);

  // 2. The ID3v1 block, patched only in the fields that change, and an APE
  // tag before it (or at the end) kept in step.
  TailChange tail;
  if (probe.has_id3v1) {
    if (!read_id3v1(fd.fd, probe, tail.v1_old)) return fail(tag_error::read_failed);
    tail.v1 = new_id3v1(tail.v1_old, wanted, track);
  }
  if (const int error = new_tail_ape(fd.fd, probe, wanted, track, tail)) return fail(error);

  // 3. The new ID3v2 tag: its new text frames planned from the frame
  // headers alone, every other frame carried (text_frames.h); a tag we
  // do not carry, a new tag and a new track number go through TagLib.
  NewId3v2 v2;
  QByteArray not_carried;
  switch (track ? Planned::taglib : plan_text_frames(fd.fd, probe, wanted, v2.patches, v2.tag, not_carried)) {
    case Planned::patches: v2.kind = NewId3v2::Kind::in_place; break;
    case Planned::grown: v2.kind = NewId3v2::Kind::rewrite; break;
    case Planned::read_error: return fail(tag_error::read_failed);
    case Planned::not_carried:
      if (mode == Mode::write) frame_not_carried_ = not_carried;
      return fail(tag_error::write_failed);
    case Planned::taglib:
      // Unusual tags and rewrites are journaled, if at all, on their own.
      if (mode == Mode::announce) return 1;
      if (const int error = taglib_id3v2(fd.fd, probe, wanted, old_tag_, v2, track)) return fail(error);
      break;
  }

  // 4. Carried out.
  FileChange change = file_change(probe.id3v2_size, probe.file_size, std::move(v2), tail);
  return carry_out(path, fd.fd, st, std::move(change), mode);
}

int TaglibLibrary::carry_out(const QByteArray& path, int fd, const struct stat& st, FileChange change,
                             Mode mode) {
  switch (change.kind) {
    case FileChange::Kind::none:
      if (mode == Mode::write) last_error_ = tag_error::none;
      return 1;
    case FileChange::Kind::in_place:
      if (mode == Mode::announce) {
        in_place_.stage(path, fd, st, std::move(change.patches));
        return 1;
      }
      if (!in_place_.write(path, fd, st, change.patches)) return fail(tag_error::write_failed);
      last_error_ = tag_error::none;
      return 1;
    case FileChange::Kind::rewrite:
      if (mode == Mode::announce) return 1;
      return rewrite(path, fd, st, change);
  }
  return fail(tag_error::write_failed);
}

int TaglibLibrary::rewrite(const QByteArray& path, int fd, const struct stat& st, const FileChange& change) {
  // Beside the old file, renamed over it. Through a symbolic link the file
  // it points to is replaced, not the link.
  char real[PATH_MAX];
  if (!::realpath(path.constData(), real)) return fail(tag_error::cannot_open);
  const std::int64_t tail = change.ape.size() + change.v1.size();
  std::int64_t expected = (change.audio_end - change.audio_begin) + tail;
  for (const TagPiece& p : change.tag) expected += p.size;
  QByteArray kept;
  const bool replaced = replace_file(real, st, [&](int out) {
    if (!write_pieces(fd, change.tag, out)) return false;
    if (!copy_range(fd, change.audio_begin, change.audio_end - change.audio_begin, out)) return false;
    const QByteArray end = change.ape + change.v1;
    if (!end.isEmpty() && !write_all(out, end.constData(), static_cast<std::size_t>(end.size()))) return false;
    struct stat ts;
    if (::fstat(out, &ts) != 0 || ts.st_size != expected) {
      errno = EIO;
      return false;
    }
    return true;
  }, &kept);
  if (!replaced) return fail(tag_error::write_failed);
  in_place_.hold(real, kept);
  // The old tag and the APE and ID3v1 tags go into the run's history (fd is the old file).
  const std::int64_t audio = change.audio_end - change.audio_begin;
  if (observer_)
    observer_->rewrote(path, st, fd, change.audio_begin, expected - audio - tail, st.st_size - change.audio_end,
                       tail);
  last_error_ = tag_error::none;
  return 1;
}

}  // namespace

std::unique_ptr<TagLibrary> make_taglib_library() {
  // TagLib copies a cover picture several times per write. glibc would map
  // and unmap each such block (and trim the heap) file after file, costing
  // page faults for every byte; held, the memory is reused.
  static const bool held = [] {
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    return true;
  }();
  (void)held;
  return std::make_unique<TaglibLibrary>();
}

}  // namespace tn
