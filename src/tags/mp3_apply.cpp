#include "tags/mp3_apply.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

#include "durable/change_observer.h"
#include "durable/safe_write.h"
#include "tags/ape_tag.h"
#include "tags/frame_check.h"
#include "tags/id3v1_block.h"
#include "tags/taglib_tag.h"
#include "tags/text_frames.h"

namespace tn {

namespace {

// The APE tag at the file's end, before its ID3v1 block or not, with the
// items of the fields the write sets anew; one that can't be carried whole
// refuses the write, as a frame would.
int new_tail_ape(int fd, const Mp3Probe& probe, const WantedTexts& wanted, const OtherEdits& others,
                 TailChange& tail) {
  ApeTag ape;
  const std::int64_t end = probe.file_size - (probe.has_id3v1 ? k_id3v1_size : 0);
  switch (find_ape(fd, std::max<std::int64_t>(probe.id3v2_offset + probe.id3v2_size, probe.audio_offset), end, ape)) {
    case ApeFound::none: return tag_error::none;
    case ApeFound::broken: return tag_error::write_failed;
    case ApeFound::found: break;
  }
  if (!new_ape(ape.bytes, wanted, &others, tail.ape)) return tag_error::write_failed;
  tail.ape_at = ape.offset;
  tail.ape_old = std::move(ape.bytes);
  return tag_error::none;
}

// What the file holds in legacy bytes after the write: a field stored anew
// is in Unicode, and so is one an ID3v1 block alone held, which any write
// carries into the new ID3v2 tag.
void legacy_after(const Mp3Plan& plan, FileWritten& out) {
  const bool changed = plan.change.kind != FileChange::Kind::none;
  for (Field f : all_fields()) {
    const FieldValue& v = plan.before.fields[f];
    const bool carried = changed && v.source == FieldSource::id3v1 &&
                         std::find(std::begin(k_three), std::end(k_three), f) != std::end(k_three);
    out.legacy[f] = v.legacy && !plan.set[f] && !carried;
  }
  out.legacy_block_alone = plan.before.legacy_block_alone && !changed;
}

}  // namespace

int Mp3Writer::open_for_write(const QByteArray& path, const std::optional<FileIdentity>& read_as, Mp3Open& file) {
  const int error = open_mp3(path, O_RDWR, file);
  if (file.fd.fd < 0 || !S_ISREG(file.st.st_mode)) return tag_error::cannot_open;
  if (error) return error;
  // Only into the file the caller read: not one swapped in since, nor a
  // link put in its place.
  if (read_as && identity_of(file.st, file.link) != *read_as) return tag_error::changed_on_disk;
  // The owner's write bit decides, for root too: the rewrite path could
  // otherwise replace a file its owner marked read-only.
  if (!(file.st.st_mode & S_IWUSR)) return tag_error::cannot_open;
  if (file.probe.tag_broken) return tag_error::read_failed;
  return tag_error::none;
}

int Mp3Writer::open_planned(const Mp3Plan& plan, Mp3Open& file) {
  if (open_file(plan.path, O_RDWR, file) || !S_ISREG(file.st.st_mode)) return tag_error::cannot_open;
  // The file planned, unchanged since: its identity and its change time
  // (which, unlike the modification time, no program can set) as the
  // plan's open saw them. The plan's
  // probe then still holds, and the file is not probed again; another file
  // is, to say what it is when it is no MP3 at all.
  if (identity_of(file.st, file.link) != identity_of(plan.st, plan.link) ||
      file.st.st_ctim.tv_sec != plan.st.st_ctim.tv_sec || file.st.st_ctim.tv_nsec != plan.st.st_ctim.tv_nsec) {
    const Mp3Probe probe = probe_mp3(file.fd.fd);
    return probe.error ? probe.error : tag_error::changed_on_disk;
  }
  if (!(file.st.st_mode & S_IWUSR)) return tag_error::cannot_open;
  return tag_error::none;
}

int Mp3Writer::plan(const FileEdits& edits, int shown_chars, Mp3Plan& plan) {
  plan.path = edits.path;
  // What dead writers left in this folder goes first: a journal's file must
  // be rolled back before anything else is written into it.
  const QByteArray folder = folder_of(edits.path);
  if (folder != recovered_folder_) {
    recover_folder(folder);
    recovered_folder_ = folder;
  }
  Mp3Open file;
  if (const int error = open_for_write(edits.path, edits.read_as, file)) return error;
  plan.st = file.st;
  plan.link = file.link;
  QByteArray v1;
  if (const int error = read_mp3_fields(file, plan.before, v1)) return error;
  const int fd = file.fd.fd;
  const Mp3Probe& probe = file.probe;

  // 1. What each field becomes.
  OtherEdits others;
  const WantedTexts wanted = wanted_fields(plan.before, edits.edits, shown_chars, others);
  for (int i = 0; i < k_fields; ++i) plan.set[k_three[i]] = wanted[i].written;
  for (const OtherEdit& e : others) plan.set[e.field] = true;
  // No frame is replaced whose text the walk may have misread.
  if (const int error = check_replaced_texts(file.tag, probe, wanted, others)) return error;

  // 2. The ID3v1 block, patched only in the fields that change, and an APE
  // tag before it (or at the end) kept in step.
  TailChange tail;
  if (probe.has_id3v1) {
    tail.v1_old = v1;
    tail.v1 = new_id3v1(v1, wanted, &others);
  }
  if (const int error = new_tail_ape(fd, probe, wanted, others, tail)) return error;

  // 3. The new ID3v2 tag: the new frames of the fields written planned
  // from the frame headers, every other frame carried (text_frames.h); a
  // tag we do not carry, and a new tag, go through TagLib.
  NewId3v2 v2;
  switch (plan_text_frames(file.tag, probe, wanted, others, v2.patches, v2.tag, plan.not_carried)) {
    case Planned::patches: v2.kind = NewId3v2::Kind::in_place; break;
    case Planned::grown: v2.kind = NewId3v2::Kind::rewrite; break;
    case Planned::read_error: return tag_error::read_failed;
    case Planned::not_carried: return tag_error::write_failed;
    case Planned::taglib:
      if (const int error = taglib_id3v2(fd, probe, wanted, old_tag_, v2, &others)) return error;
      break;
  }
  // Junk before the tag stays with it, as it is.
  plan.change = file_change(probe.id3v2_offset + probe.id3v2_size, probe.file_size, std::move(v2), tail);
  // Journaled with the run's other writes, one flush for all.
  if (plan.change.kind == FileChange::Kind::in_place) in_place_.stage(plan.path, fd, plan.st, plan.change.patches);
  return tag_error::none;
}

int Mp3Writer::apply(const Mp3Plan& plan, FileWritten& out) {
  if (plan.change.kind == FileChange::Kind::none) {
    out = {};
    out.written = true;
    out.identity = identity_of(plan.st, plan.link);
    legacy_after(plan, out);
    return tag_error::none;
  }
  Mp3Open file;
  if (const int error = open_planned(plan, file)) return error;
  struct stat now;
  if (plan.change.kind == FileChange::Kind::in_place) {
    if (!in_place_.write(plan.path, file.fd.fd, file.st, plan.change.patches)) return tag_error::write_failed;
    if (::fstat(file.fd.fd, &now) != 0) return tag_error::write_failed;
  } else {
    if (const int error = rewrite(plan, file)) return error;
    if (::stat(plan.path.constData(), &now) != 0) return tag_error::write_failed;
  }
  out = {};
  out.written = true;
  out.identity = identity_of(now, plan.link);
  legacy_after(plan, out);
  return tag_error::none;
}

int Mp3Writer::rewrite(const Mp3Plan& plan, const Mp3Open& file) {
  // Beside the old file, renamed over it. Through a symbolic link the file
  // it points to is replaced, not the link.
  const FileChange& change = plan.change;
  const int fd = file.fd.fd;
  const struct stat& st = file.st;
  char real[PATH_MAX];
  if (!::realpath(plan.path.constData(), real)) return tag_error::cannot_open;
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
  if (!replaced) return tag_error::write_failed;
  in_place_.hold(real, kept);
  // The old tag and the APE and ID3v1 tags go into the run's history (fd is the old file).
  const std::int64_t audio = change.audio_end - change.audio_begin;
  if (observer_)
    observer_->rewrote(plan.path, st, fd, change.audio_begin, expected - audio - tail, st.st_size - change.audio_end,
                       tail);
  return tag_error::none;
}

}  // namespace tn
