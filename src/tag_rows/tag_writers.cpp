#include "tag_rows/tag_writers.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sys/stat.h>

#include "history/messages.h"
#include "history/recorder.h"
#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "text/text.h"

namespace tn {

bool make_owner_writable(const QString& path) {
  const QByteArray p = encode_file_name(path);
  struct stat st;
  if (::stat(p.constData(), &st) != 0) return false;
  if (st.st_mode & S_IWUSR) return true;
  return ::chmod(p.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

namespace {

// A cell text as a record field: cut after its 128th character, blanks up to
// 128 characters; the byte form holds all of it.
void put_cell(char* field, const QString& text) {
  QString padded = first_chars(text, k_tag_text_chars);
  const int pad = k_tag_text_chars - char_count(padded);
  if (pad > 0) padded += QString(pad, QLatin1Char(' '));
  set_field(field, k_tag_text_bytes, padded);
}

QString cell(Grid& g, int row, int col) {
  g.set_row(row);
  g.set_col(col);
  return g.text();
}

// Opens and reads a row's file and fills the record its write hands over
// (the fields not written as read); the file stays open. Zero, or the error
// number of the step that failed.
int prepare_one(Context& cx, int i, WriteFields fields, TagRecordBytes& fresh, int& from_table,
                std::optional<FileIdentity>& now) {
  const QByteArray native = encode_file_name(cx.state.path_of(i));
  // Fresh records for every file: nothing of one file reaches another's tag.
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes current = empty_tag_bytes();
  fresh = empty_tag_bytes();
  from_table = 0;
  TagLibrary& lib = cx.tags;
  if (!lib.vbmp3_open(native, info) || !lib.vbmp3_getTagInfo(current)) {
    const int error = lib.vbmp3_getLastErrorNo();
    return error != tag_error::none ? error : tag_error::write_failed;
  }
  // Only into the file the row was read from: not one swapped in since, nor
  // a link put in its place.
  now = lib.open_file_identity();
  if (now && now != cx.state.identity(i)) return tag_error::changed_on_disk;
  const int r = i + 1;
  const bool all = fields == WriteFields::all;
  auto take = [&](char* dst, const char* kept, bool write, int column, int bit) {
    if (write) {
      put_cell(dst, cell(cx.ss1, r, column));
      from_table |= bit;
    } else {
      std::memcpy(dst, kept, k_tag_text_bytes);
    }
  };
  take(fresh.title, current.title, all || fields == WriteFields::title, col::title, field_bit::title);
  take(fresh.album, current.album, all || fields == WriteFields::album, col::album, field_bit::album);
  take(fresh.artist, current.artist, all || fields == WriteFields::artist, col::artist,
       field_bit::artist);
  return tag_error::none;
}

// Writes one file; on failure the error number of the step that failed.
int write_one(Context& cx, int i, WriteFields fields, const QStringList& tracks) {
  const QString path = cx.state.path_of(i);
  if (!make_owner_writable(path)) return tag_error::cannot_open;
  TagLibrary& lib = cx.tags;
  TagRecordBytes fresh;
  int from_table = 0;
  std::optional<FileIdentity> now;
  int error = prepare_one(cx, i, fields, fresh, from_table, now);
  if (error == tag_error::none) {
    const QByteArray native = encode_file_name(path);
    if (fields == WriteFields::track ? lib.set_track_number(native, fresh, tracks.value(i))
                                     : lib.vbmp3_setTagInfo(native, fresh, from_table, 1)) {
      // What the table shows is now this file's own.
      if (now) cx.state.set_identity(i, lib.open_file_identity());
    } else {
      // A failure that names no reason is still a failure.
      error = lib.vbmp3_getLastErrorNo();
      if (error == tag_error::none) error = tag_error::write_failed;
    }
  }
  lib.vbmp3_close();
  return error;
}

// Whether the run writes entry i's file: it has one, and its row is among
// `only` when that is given.
bool in_run(Context& cx, int i, const std::vector<int>* only) {
  return !cx.state.file(i).isEmpty() && (!only || std::find(only->begin(), only->end(), i + 1) != only->end());
}

// Tells the library every write the run will make, so that it can journal
// them together. Nothing is written or changed.
void announce_writes(Context& cx, WriteFields fields, const std::vector<int>* only) {
  for (int i = 0; i < cx.state.file_count; ++i) {
    if (!in_run(cx, i, only)) continue;
    TagRecordBytes fresh;
    int from_table = 0;
    std::optional<FileIdentity> now;
    if (prepare_one(cx, i, fields, fresh, from_table, now) == tag_error::none)
      cx.tags.announce_write(encode_file_name(cx.state.path_of(i)), fresh, from_table);
    cx.tags.vbmp3_close();
  }
}

// A write may store more than its columns (an ID3v1 text goes into a new
// ID3v2 tag too, in Unicode): what entry i's file now holds in legacy bytes,
// read again where it held any.
void refresh_legacy(Context& cx, int i) {
  const TagFlags held = cx.state.legacy(i);
  if (std::none_of(held.begin(), held.end(), [](bool b) { return b; })) return;
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes tag = empty_tag_bytes();
  if (cx.tags.vbmp3_open(encode_file_name(cx.state.path_of(i)), info) && cx.tags.vbmp3_getTagInfo(tag)) {
    note_legacy(cx, i + 1, tag_flags(cx.tags.legacy_fields()));
    cx.state.set_legacy_v1_alone(i, cx.tags.legacy_fields() & k_legacy_v1_alone);
  }
  cx.tags.vbmp3_close();
}

struct Command {
  const QString& question;
  const QString& done;
  WriteFields fields;
  int first_col, last_col;
};

std::vector<int> run_command(Context& cx, const Command& c) {
  if (!cx.dialogs.ask(c.question)) return {};
  const std::vector<int> failed = tag_write(cx, c.fields);
  // Rows without a file (it failed to read) are skipped, not failed: the run
  // ended normally when every row that has a file was written.
  std::vector<int> failed_files;
  std::copy_if(failed.begin(), failed.end(), std::back_inserter(failed_files),
               [&](int r) { return !cx.state.file(r - 1).isEmpty(); });
  if (failed_files.empty()) cx.dialogs.notify(c.done);
  // Paint the written rows white; a row not written keeps its colour.
  Grid& g = cx.ss1;
  int from = 1;
  auto paint = [&](int to) {
    if (to < from) return;
    g.set_row(from);
    g.set_col(c.first_col);
    g.set_block_row2(to);
    g.set_block_col2(c.last_col);
    g.set_block_mode(true);
    g.set_back_colour(k_white);
    g.set_block_mode(false);
  };
  for (int r : failed) {
    paint(r - 1);
    from = r + 1;
  }
  paint(cx.state.file_count);
  return failed_files;
}

}  // namespace

std::vector<int> tag_write(Context& cx, WriteFields fields, const QStringList& tracks,
                           const std::vector<int>* only) {
  std::vector<int> not_written;
  auto report = [&](int i, int error, const QByteArray& frame = {}) {
    const QString text = msg::error_number + QString::number(error) + msg::error_text(error) +
                         cx.state.file(i) + msg::tag_write_failed_tail + msg::frame_not_carried(frame);
    cx.dialogs.notify(text);
    if (cx.row_errors) cx.row_errors->push_back({i + 1, error, text});
  };
  // Named before any row is tried: no file is at fault.
  if (!folder_writable(cx.state.edit_folder)) {
    cx.dialogs.notify(msg::write_folder_refused_head + cx.state.edit_folder + msg::write_folder_refused_tail);
    for (int i = 0; i < cx.state.file_count; ++i) not_written.push_back(i + 1);
    return not_written;
  }
  // Recorded into the folder's history, so that the run can be undone.
  const QString* runs[] = {&msg::run_write_all, &msg::run_write_title, &msg::run_write_album,
                           &msg::run_write_artist, &msg::run_track_numbers};
  static_assert(std::size(runs) == static_cast<std::size_t>(WriteFields::track) + 1);
  history::CommandRun run(cx.tags, cx.state.edit_folder, *runs[static_cast<int>(fields)]);
  if (!run.recording().usable()) {
    // A write that could not be undone is not made.
    cx.dialogs.notify(msg::history_unusable(msg::history_write, history::place_of(run.recording().folder())));
    for (int i = 1; i <= cx.state.file_count; ++i) not_written.push_back(i);
    return not_written;
  }
  ProgressScope progress(cx, cx.state.file_count);
  // A track number goes through TagLib, which journals each write on its own.
  if (fields != WriteFields::track) announce_writes(cx, fields, only);
  std::vector<std::optional<FileIdentity>> read_as(static_cast<std::size_t>(cx.state.file_count));
  for (int i = 0; i < cx.state.file_count; ++i) {
    progress.step(i);
    if (!in_run(cx, i, only)) {
      if (cx.state.file(i).isEmpty() && !only) not_written.push_back(i + 1);
      continue;
    }
    read_as[static_cast<std::size_t>(i)] = cx.state.identity(i);
    const int error = write_one(cx, i, fields, tracks);
    if (error != tag_error::none) {
      report(i, error, cx.tags.frame_not_carried());
      not_written.push_back(i + 1);
    }
  }
  // Writes that did not reach the disk when the run's writes were flushed:
  // their files are as they were read.
  const QByteArrayList lost = cx.tags.finish_writes();
  for (int i = 0; i < cx.state.file_count && !lost.isEmpty(); ++i) {
    if (cx.state.file(i).isEmpty() || !lost.contains(encode_file_name(cx.state.path_of(i)))) continue;
    cx.state.set_identity(i, read_as[static_cast<std::size_t>(i)]);
    report(i, tag_error::write_failed);
    not_written.insert(std::upper_bound(not_written.begin(), not_written.end(), i + 1), i + 1);
  }
  // What was written is what those files hold now.
  const int first = fields == WriteFields::album ? col::album : fields == WriteFields::artist ? col::artist : col::title;
  const int last = fields == WriteFields::all ? col::artist : first;
  for (int r = 1; r <= cx.state.file_count; ++r) {
    if (!in_run(cx, r - 1, only) || std::binary_search(not_written.begin(), not_written.end(), r)) continue;
    // A track number write stores none of the columns.
    if (fields != WriteFields::track) note_written(cx, r, first, last);
    refresh_legacy(cx, r - 1);
  }
  return not_written;
}

std::vector<int> cmd_write_all(Context& cx) {
  return run_command(cx, {msg::write_all_question, msg::write_all_done, WriteFields::all,
                          col::title, col::artist});
}

std::vector<int> cmd_write_kyokumei(Context& cx) {
  return run_command(cx, {msg::write_title_question, msg::write_title_done, WriteFields::title,
                          col::title, col::title});
}

std::vector<int> cmd_write_alubum(Context& cx) {
  return run_command(cx, {msg::write_album_question, msg::write_album_done, WriteFields::album,
                          col::album, col::album});
}

std::vector<int> cmd_write_artname(Context& cx) {
  return run_command(cx, {msg::write_artist_question, msg::write_artist_done, WriteFields::artist,
                          col::artist, col::artist});
}

}  // namespace tn
