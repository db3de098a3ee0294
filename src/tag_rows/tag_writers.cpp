#include "tag_rows/tag_writers.h"

#include <algorithm>
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
#include "tags/tag_access.h"
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

// Whether the run writes entry i's file: it has one, and its row is among
// `only` when that is given.
bool in_run(Context& cx, int i, const std::vector<int>* only) {
  return !cx.state.file(i).isEmpty() && (!only || std::find(only->begin(), only->end(), i + 1) != only->end());
}

// The tag fields a writer takes from the table, in the table's order.
std::vector<Field> fields_of(WriteFields fields) {
  switch (fields) {
    case WriteFields::all: return {Field::title, Field::album, Field::artist};
    case WriteFields::title: return {Field::title};
    case WriteFields::album: return {Field::album};
    case WriteFields::artist: return {Field::artist};
    case WriteFields::track: return {};
  }
  return {};
}

// Entry i's file and what its write stores: the cells of `fields`, or the
// track number given.
FileEdits edits_of(Context& cx, int i, const std::vector<Field>& fields, const QString* track) {
  FileEdits e{encode_file_name(cx.state.path_of(i)), cx.state.identity(i), {}};
  for (Field f : fields) e.edits[f] = stored_text(cx.ss1.cell_text(col::of(f), i + 1));
  if (track) e.edits[Field::track] = *track;
  return e;
}

// The table after a write of entry i: what it shows is the file's own now.
void note_done(Context& cx, int i, const std::vector<Field>& fields, const FileWritten& w) {
  const int r = i + 1;
  const TagFlags held = cx.state.legacy(i);
  cx.state.set_identity(i, w.identity);
  for (Field f : fields) {
    // The cell shows what its file holds now, without the blanks at its end.
    const QString cell = cx.ss1.cell_text(col::of(f), r);
    if (const QString stored = stored_text(cell); stored != cell) {
      const int was_col = cx.ss1.col(), was_row = cx.ss1.row();
      cx.ss1.set_col(col::of(f));
      cx.ss1.set_row(r);
      cx.ss1.set_text(stored);
      cx.ss1.set_col(was_col);
      cx.ss1.set_row(was_row);
    }
    note_written(cx, r, col::of(f), col::of(f));
  }
  // A write may store more than its columns (an ID3v1 text goes into a new
  // ID3v2 tag too, in Unicode).
  if (std::none_of(held.begin(), held.end(), [](bool b) { return b; })) return;
  note_legacy(cx, r, flags_of(w.legacy));
  cx.state.set_legacy_v1_alone(i, w.legacy_block_alone);
}

// Entry i refused with error (detail: what follows the text, the frame
// that could not be carried): its row's answer and text.
RowWritten refuse(Context& cx, int i, int error, const QString& detail) {
  const QString text = msg::error_number + QString::number(error) + msg::error_text(error) + cx.state.file(i) +
                       msg::tag_write_failed_tail + detail;
  return {RowWritten::Outcome::refused, error, text};
}

RowsWritten stop(RowsWritten out, const QString& text) {
  out.stopped = true;
  out.stopped_text = text;
  return out;
}

// A writer of the tag columns: its question and notice, its run's name in
// the history, the columns it paints. Indexed by WriteFields.
struct Command {
  const QString& question;
  const QString& done;
  const QString& run_name;
};

const Command k_commands[] = {
    {msg::write_all_question, msg::write_all_done, msg::run_write_all},
    {msg::write_title_question, msg::write_title_done, msg::run_write_title},
    {msg::write_album_question, msg::write_album_done, msg::run_write_album},
    {msg::write_artist_question, msg::write_artist_done, msg::run_write_artist},
};

const Command& command_of(WriteFields fields) { return k_commands[static_cast<int>(fields)]; }

// Paints the written rows of the fields' columns white; a row not written
// keeps its colour.
void paint_written(Context& cx, const std::vector<int>& not_written, const std::vector<Field>& fields) {
  Grid& g = cx.ss1;
  int from = 1;
  auto paint = [&](int to) {
    if (to < from) return;
    for (Field f : fields) {
      g.set_row(from);
      g.set_col(col::of(f));
      g.set_block_row2(to);
      g.set_block_col2(col::of(f));
      g.set_block_mode(true);
      g.set_back_colour(k_white);
      g.set_block_mode(false);
    }
  };
  for (int r : not_written) {
    paint(r - 1);
    from = r + 1;
  }
  paint(cx.state.file_count);
}

// fields: what the writer writes (全て書込: every shown column that holds edits).
std::vector<int> run_command(Context& cx, WriteFields writer, const std::vector<Field>& fields) {
  const Command& c = command_of(writer);
  if (!cx.dialogs.ask(c.question)) return {};
  const RowsWritten run = write_fields(cx, fields, c.run_name);
  // Rows without a file (it failed to read) are skipped, not failed: the run
  // ended normally when every row that has a file was written.
  show_written(cx, run, c.done);
  paint_written(cx, run.not_written(), fields);
  return files_not_written(cx, run);
}

}  // namespace

std::vector<int> RowsWritten::not_written() const {
  std::vector<int> out;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (stopped || rows[i].outcome == RowWritten::Outcome::refused || rows[i].outcome == RowWritten::Outcome::no_file)
      out.push_back(static_cast<int>(i) + 1);
  return out;
}

QStringList RowsWritten::texts() const {
  if (stopped) return {stopped_text};
  QStringList out;
  for (const RowWritten& r : rows)
    if (r.outcome == RowWritten::Outcome::refused) out << r.text;
  return out;
}

bool RowsWritten::all_written() const {
  return !stopped && std::none_of(rows.begin(), rows.end(), [](const RowWritten& r) {
    return r.outcome == RowWritten::Outcome::refused;
  });
}

void RowsWritten::add(const RowsWritten& later) {
  if (stopped) return;
  if (later.stopped) {
    stopped = true;
    stopped_text = later.stopped_text;
  }
  rows.resize(std::max(rows.size(), later.rows.size()));
  for (std::size_t i = 0; i < later.rows.size(); ++i) {
    const RowWritten::Outcome o = rows[i].outcome;
    if (o == RowWritten::Outcome::refused || o == RowWritten::Outcome::no_file) continue;
    if (later.rows[i].outcome != RowWritten::Outcome::not_reached) rows[i] = later.rows[i];
  }
}

std::vector<int> files_not_written(const Context& cx, const RowsWritten& run) {
  std::vector<int> out = run.not_written();
  std::erase_if(out, [&](int r) { return cx.state.file(r - 1).isEmpty(); });
  return out;
}

void show_written(Context& cx, const RowsWritten& run, const QString& done) {
  for (const QString& text : run.texts()) cx.dialogs.notify(text);
  if (run.all_written() && !done.isEmpty()) cx.dialogs.notify(done);
}

QString write_folder_refused(const QString& folder) {
  return msg::write_folder_refused_head + folder + msg::write_folder_refused_tail;
}

RowsWritten write_fields(Context& cx, const std::vector<Field>& fields, const QString& run_name,
                         const std::vector<int>* only, const QStringList* tracks) {
  RowsWritten out;
  out.rows.resize(static_cast<std::size_t>(cx.state.file_count));
  // Named before any row is tried: no file is at fault.
  if (!folder_writable(cx.state.edit_folder)) return stop(std::move(out), write_folder_refused(cx.state.edit_folder));
  // Recorded into the folder's history, so that the run can be undone.
  history::CommandRun run(cx.tags, cx.state.edit_folder, run_name);
  // A write that could not be undone is not made.
  if (!run.recording().usable())
    return stop(std::move(out), msg::history_unusable(msg::history_write, history::place_of(run.recording().folder())));
  std::vector<FileEdits> files;
  std::vector<int> entry;  // of each file
  std::vector<TagFailure> failed(out.rows.size());
  for (int i = 0; i < cx.state.file_count; ++i) {
    if (!in_run(cx, i, only)) {
      if (cx.state.file(i).isEmpty() && !only) out.rows[static_cast<std::size_t>(i)].outcome = RowWritten::Outcome::no_file;
      continue;
    }
    // The owner's write bit, which a file copied from a CD often lacks.
    if (!make_owner_writable(cx.state.path_of(i))) {
      failed[static_cast<std::size_t>(i)].number = tag_error::cannot_open;
      continue;
    }
    const QString track = tracks ? tracks->value(i) : QString();
    files.push_back(edits_of(cx, i, fields, tracks ? &track : nullptr));
    entry.push_back(i);
  }
  ProgressScope progress(cx, cx.state.file_count);
  WriteOptions options;
  options.shown_chars = k_tag_text_chars;
  options.observer = &run.recording();
  options.progress = [&](int k) { progress.step(entry[static_cast<std::size_t>(k)]); };
  const std::vector<FileWritten> written = cx.tags.access().write(files, options);
  for (std::size_t k = 0; k < written.size(); ++k) {
    const auto i = static_cast<std::size_t>(entry[k]);
    if (written[k].written) {
      out.rows[i].outcome = RowWritten::Outcome::done;
      note_done(cx, entry[k], fields, written[k]);
    } else {
      failed[i] = written[k].failure;
      if (failed[i].number == tag_error::none) failed[i].number = tag_error::write_failed;
    }
  }
  // Reported in row order.
  for (std::size_t i = 0; i < failed.size(); ++i)
    if (failed[i].number != tag_error::none)
      out.rows[i] = refuse(cx, static_cast<int>(i), failed[i].number, failed[i].detail);
  return out;
}

QString stored_text(const QString& cell) {
  QString text = without_lone_surrogates(first_chars(cell, k_tag_text_chars));
  // A NUL ends a text frame's text (in 2.4 it parts values): not stored.
  text.remove(QChar(u'\0'));
  while (text.endsWith(QLatin1Char(' '))) text.chop(1);
  return text;
}

RowsWritten write_tag_columns(Context& cx, WriteFields fields, const std::vector<int>* only) {
  return write_fields(cx, fields_of(fields), command_of(fields).run_name, only);
}

const QString& write_done_text(WriteFields fields) { return command_of(fields).done; }

std::vector<int> tag_write(Context& cx, WriteFields fields, const QStringList& tracks,
                           const std::vector<int>* only) {
  const RowsWritten run = fields == WriteFields::track
                              ? write_fields(cx, {}, msg::run_track_numbers, only, &tracks)
                              : write_tag_columns(cx, fields, only);
  show_written(cx, run, {});
  return run.not_written();
}

std::vector<int> cmd_write_all(Context& cx) { return run_command(cx, WriteFields::all, write_all_fields(cx)); }

std::vector<int> cmd_write_kyokumei(Context& cx) { return run_command(cx, WriteFields::title, {Field::title}); }

std::vector<int> cmd_write_alubum(Context& cx) { return run_command(cx, WriteFields::album, {Field::album}); }

std::vector<int> cmd_write_artname(Context& cx) { return run_command(cx, WriteFields::artist, {Field::artist}); }

}  // namespace tn
