#include "history/undo.h"

#include <QDateTime>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <fcntl.h>
#include <unistd.h>

#include "history/messages.h"
#include "posix/safe_rename.h"
#include "text/file_name.h"
#include "durable/folder_lock.h"
#include "durable/journal.h"
#include "durable/journal_record.h"
#include "durable/safe_write.h"
#include "text/file_name.h"

namespace tn::history {

using journal::fnv1a;

namespace {

// One file followed back through the runs, newest change first.
struct Chain {
  QByteArray name_now;   // on the disk now
  QByteArray name_first; // on the disk before the undo
  FileIdentity now;
  QByteArray name;       // once the changes taken so far are undone
  FileIdentity expect;   // what the next older change must have left
  std::vector<const Change*> changes;
  std::vector<char> verify;  // per change: its identity differs, its print decides
  bool refused = false;  // not touched
  bool failed = false;   // could not be put back, left as it was
  int error = 0;         // why (errno), when known
  // The plan: the bytes [prefix, size - suffix) become middle.
  bool content = false;
  std::int64_t size = 0, prefix = 0, suffix = 0;
  QByteArray middle_old, middle;
  std::uint64_t print_now = 0, print_was = 0;
  QByteArray old_head;  // a new size: the bytes up to the end of middle_old
};

// Takes a change back from bytes, in memory; false when it does not fit.
bool take_back(QByteArray& bytes, const Change& c) {
  if (bytes.size() != c.after.size) return false;
  if (c.rewritten) {
    if (c.new_head < 0 || c.new_tail < 0 || c.new_head + c.new_tail > bytes.size()) return false;
    bytes = c.old_head + bytes.mid(c.new_head, bytes.size() - c.new_head - c.new_tail) + c.old_tail;
  } else {
    for (const auto& [offset, old] : c.old_ranges) {
      if (offset < 0 || offset + old.size() > bytes.size()) return false;
      bytes.replace(offset, old.size(), old);
    }
  }
  return bytes.size() == c.before.size;
}

QByteArray read_whole(int fd, std::int64_t size) {
  QByteArray bytes(static_cast<qsizetype>(size), '\0');
  if (!read_exact(fd, 0, bytes.data(), static_cast<std::size_t>(size))) return {};
  return bytes;
}

// Follows every file the runs from run_id on changed back to before them.
std::deque<Chain> follow(const QByteArray& folder, const std::vector<Run>& runs, std::uint64_t run_id,
                         bool stable) {
  std::deque<Chain> chains;
  for (auto run = runs.rbegin(); run != runs.rend() && run->id >= run_id; ++run) {
    for (auto c = run->changes.rbegin(); c != run->changes.rend(); ++c) {
      Chain* chain = nullptr;
      for (Chain& ch : chains)
        if (ch.name == c->name_after) chain = &ch;
      if (!chain) {
        // The newest change of a file: the file must be as that change left it.
        Chain& ch = chains.emplace_back();
        ch.name_now = ch.name_first = ch.name = c->name_after;
        struct stat st;
        ch.refused = ::stat((folder + '/' + ch.name_now).constData(), &st) != 0 || !S_ISREG(st.st_mode);
        for (const Chain& other : chains)
          if (&other != &ch && other.name_now == ch.name_now) ch.refused = true;  // that file is another's
        ch.now = identity_of(st);
        ch.verify.push_back(!same_file(ch.now, c->after, stable));
        chain = &ch;
      } else {
        // Changed between two runs, or only copied: the print tells.
        chain->verify.push_back(!same_file(chain->expect, c->after, stable));
      }
      chain->changes.push_back(&*c);
      chain->expect = c->before;
      chain->name = c->name_before;
    }
  }
  return chains;
}

// What the file's bytes must become; false (refused) when the file does not
// take the changes back.
bool plan(const QByteArray& folder, Chain& ch) {
  const int fd = ::open((folder + '/' + ch.name_now).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  QByteArray now = read_whole(fd, ch.now.size);
  ::close(fd);
  if (now.size() != ch.now.size) return false;
  QByteArray was = now;
  // A file is another's only when its bytes are not what the run left.
  for (std::size_t k = 0; k < ch.changes.size(); ++k) {
    const Change& c = *ch.changes[k];
    if (ch.verify[k] && (c.after_print == 0 || print_of(was, c.print_kind) != c.after_print)) return false;
    if (!take_back(was, c)) return false;
  }
  ch.print_now = print_of(now);
  ch.print_was = print_of(was);
  ch.content = was != now;
  if (!ch.content) return true;
  const qsizetype n = std::min(was.size(), now.size());
  qsizetype prefix = 0, suffix = 0;
  while (prefix < n && was[prefix] == now[prefix]) ++prefix;
  while (suffix < n - prefix && was[was.size() - 1 - suffix] == now[now.size() - 1 - suffix]) ++suffix;
  ch.size = now.size();
  ch.prefix = prefix;
  ch.suffix = suffix;
  ch.middle_old = now.mid(prefix, now.size() - prefix - suffix);
  ch.middle = was.mid(prefix, was.size() - prefix - suffix);
  if (ch.middle.size() != ch.middle_old.size()) ch.old_head = now.left(prefix + ch.middle_old.size());
  return true;
}

// Puts the planned bytes into the files, the same-size ones under one
// journal, the others as new files renamed over them. A file that could not
// be written is marked failed (it is as it was).
void put_back(const QByteArray& folder, std::deque<Chain>& chains) {
  struct Open {
    Chain* ch;
    QByteArray path;
    int fd;
    struct stat st;
    std::vector<Patch> patches;
  };
  std::vector<Open> in_place;
  InPlaceWriter writer;
  for (Chain& ch : chains) {
    if (ch.refused || !ch.content) continue;
    const QByteArray path = folder + '/' + ch.name_now;
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !same_file(identity_of(st), ch.now, true)) {
      if (fd >= 0) ::close(fd);
      ch.refused = true;  // changed while we planned
      continue;
    }
    if (ch.middle.size() != ch.middle_old.size()) {
      char real[PATH_MAX];
      QByteArray kept;
      const bool ok = ::realpath(path.constData(), real) && replace_file(real, st, [&](int out) {
        return copy_range(fd, 0, ch.prefix, out) &&
               write_all(out, ch.middle.constData(), static_cast<std::size_t>(ch.middle.size())) &&
               copy_range(fd, ch.size - ch.suffix, ch.suffix, out);
      }, &kept);
      if (ok) writer.hold(real, kept);
      ch.failed = !ok;
      if (!ok) ch.error = errno;
      ::close(fd);
      continue;
    }
    Open o{&ch, path, fd, st, {}};
    add_patches(o.patches, ch.prefix, ch.middle_old, ch.middle);
    writer.stage(path, fd, st, o.patches);
    in_place.push_back(std::move(o));
  }
  for (Open& o : in_place)
    if (!writer.write(o.path, o.fd, o.st, o.patches)) {
      o.ch->failed = true;
      o.ch->error = errno;
    }
  for (const QByteArray& lost : writer.finish())
    for (Open& o : in_place)
      if (o.path == lost) o.ch->failed = true;
  for (Open& o : in_place) ::close(o.fd);
}

// Back to the old names, first. A name another file of the undo still holds
// is taken once that file has moved on.
void rename_back(const QByteArray& folder, std::deque<Chain>& chains) {
  std::vector<Chain*> pending;
  for (Chain& ch : chains)
    if (!ch.refused && ch.name != ch.name_now) pending.push_back(&ch);
  const std::size_t wanted = pending.size();
  for (bool moved = true; moved && !pending.empty();) {
    moved = false;
    for (auto it = pending.begin(); it != pending.end();) {
      Chain& ch = **it;
      const QByteArray from = folder + '/' + ch.name_now, to = folder + '/' + ch.name;
      if (rename_no_replace(decode_file_name(from), decode_file_name(to))) {
        ch.name_now = ch.name;
        ch.error = 0;  // a name held only until another file moved on
        it = pending.erase(it);
        moved = true;
      } else {
        ch.error = errno;
        ++it;
      }
    }
  }
  for (Chain* ch : pending) ch->refused = ch->failed = true;
  // Renamed for good before any bytes change: recovery finds a file whose
  // bytes the undo gave back under the name it gave back too.
  if (pending.size() < wanted) sync_folder(folder);
}

// A file whose bytes could not be put back gets its name back too.
void undo_renames_of_failed(const QByteArray& folder, std::deque<Chain>& chains) {
  for (Chain& ch : chains) {
    if (!ch.failed || ch.name_now == ch.name_first) continue;
    const QByteArray from = folder + '/' + ch.name_now, to = folder + '/' + ch.name_first;
    if (!rename_no_replace(decode_file_name(from), decode_file_name(to))) continue;
    ch.name_now = ch.name_first;
  }
}

// The undo as a run of its own: each file's change from what it is now to
// what the undo makes of it. done: as far as the undo went (stored before
// the files change, then again once they have).
Run undo_run(const QByteArray& folder, const std::deque<Chain>& chains, bool done) {
  Run run;
  run.time = QDateTime::currentSecsSinceEpoch();
  run.command = msg::run_undo;
  run.complete = done;
  for (const Chain& ch : chains) {
    if (ch.refused || (done && ch.failed) || (!ch.content && ch.name == ch.name_first)) continue;
    Change& c = run.changes.emplace_back();
    c.name_before = ch.name_first;
    c.name_after = ch.name;
    c.before = ch.now;
    c.before_print = ch.print_now;
    c.after_print = ch.print_was;
    c.after = ch.now;  // its size, until the file is as the undo left it
    if (ch.content) c.after.size = ch.size - ch.middle_old.size() + ch.middle.size();
    if (!ch.old_head.isEmpty()) {
      c.rewritten = true;
      c.old_head = ch.old_head;
      c.new_head = ch.prefix + ch.middle.size();
    } else if (ch.content) {
      c.old_ranges.emplace_back(ch.prefix, ch.middle_old);
    }
    struct stat st;
    if (done && ::lstat((folder + '/' + ch.name_now).constData(), &st) == 0) c.after = identity_of(st);
  }
  return run;
}
}  // namespace

void sync_folder(const QByteArray& folder) {
  const int dirfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd >= 0) ::fsync(dirfd), ::close(dirfd);
}

UndoResult undo_from(const QByteArray& folder, std::uint64_t run_id, bool dry_run) {
  UndoResult result;
  // From the first look at the files until the undo is stored, no other
  // run changes them.
  std::optional<FolderLock> lock;
  if (!dry_run) lock.emplace(folder);
  // Leftovers of a dead writer first: the files must be whole to be compared.
  if (!dry_run) recover(folder);
  // Read whole only from the run undone on: the older ones are not needed.
  const std::vector<Run> runs = load_runs(folder, Load::whole, run_id);
  result.known = !runs.empty() && runs.front().id == run_id;
  if (!result.known) return result;
  const int dirfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool stable = dirfd >= 0 && journal::stable_inodes(dirfd);
  if (dirfd >= 0) ::close(dirfd);
  std::deque<Chain> chains = follow(folder, runs, run_id, stable);
  for (Chain& ch : chains)
    if (!ch.refused && !plan(folder, ch)) ch.refused = true;
  if (!dry_run) {
    // Recorded before any file changes (recovery keeps of it what was done),
    // and again once they have: the history always says what the files are.
    Run run = undo_run(folder, chains, false);
    if (!run.changes.empty() && !store_run(folder, run)) {
      result.stored = false;
      return result;
    }
    rename_back(folder, chains);
    put_back(folder, chains);
    undo_renames_of_failed(folder, chains);
    Run done = undo_run(folder, chains, true);
    done.id = run.id;
    if (done.changes.empty() && run.id != 0) remove_run(folder, run.id);
    else if (!done.changes.empty()) store_run(folder, done);
  }
  for (const Chain& ch : chains) {
    const QString now = decode_file_name(ch.name_now);
    if (ch.failed)
      result.failed.push_back({now, ch.error == EEXIST ? decode_file_name(ch.name) : QString(), ch.error});
    else if (ch.refused) result.refused << now;
    else result.restored << decode_file_name(ch.name);
  }
  result.refused.removeDuplicates();
  result.restored.sort();
  result.refused.sort();
  return result;
}

int files_of(const Run& run) {
  int n = 0;
  for (std::size_t i = 0; i < run.changes.size(); ++i) {
    const Change& c = run.changes[i];
    bool again = false;  // renamed after its write in the same run
    for (std::size_t k = 0; k < i && !again; ++k) again = run.changes[k].name_after == c.name_before;
    n += !again;
  }
  return n;
}

QString run_line(const Run& run) {
  return QDateTime::fromSecsSinceEpoch(run.time).toString(QStringLiteral("MM/dd HH:mm")) + QLatin1Char(' ') +
         run.command + QLatin1Char(' ') + QString::number(files_of(run)) + msg::run_files_tail;
}

}  // namespace tn::history
