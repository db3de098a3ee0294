// Recovery of a folder: what a dead writer wrote stays only where the
// history holds it; a run stored before its changes were made, whose writer
// died, is kept as far as the files show it done.

#include <fcntl.h>
#include <stdio.h>
#include <map>
#include <optional>
#include <unistd.h>

#include "history/undo.h"
#include "durable/folder_lock.h"
#include "durable/journal_record.h"

namespace tn::history {

namespace {

// A rename alone: the file's content as it was.
bool rename_only(const Change& c) {
  return c.name_before != c.name_after && c.before_print == c.after_print && !c.rewritten && c.old_ranges.empty();
}

// What is left of change c once its writer died: nullopt when the file shows
// none of it. renamed: set when a name was given back. The file is looked
// for under `where`: its name after c, or where a later rename of the run
// took it.
std::optional<Change> as_far_as_done(const QByteArray& folder, Change c, const QByteArray& where, bool stable,
                                     bool& renamed) {
  bool at_new_name = true;
  int fd = ::open((folder + '/' + where).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && c.name_after != c.name_before) {
    at_new_name = false;
    fd = ::open((folder + '/' + c.name_before).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  }
  if (fd < 0) return std::nullopt;
  struct stat st;
  const std::uint64_t print = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? print_of_file(fd, c.print_kind) : 0;
  ::close(fd);
  const bool new_name = at_new_name && c.name_after != c.name_before;
  if (print == 0 || !at_new_name) return std::nullopt;
  // A file of the same bytes (a copy of the song) is not the one renamed.
  if (rename_only(c) && stable && (st.st_dev != c.before.dev || st.st_ino != c.before.ino)) return std::nullopt;
  c.after = identity_of(st);
  if (print == c.after_print) return c;
  if (print != c.before_print || !new_name) return std::nullopt;
  // Given its name back, not its bytes: the name goes back too, so that a
  // file is as before or after, never a mix; where that name is taken now,
  // the history keeps the rename.
  const QByteArray now = folder + '/' + c.name_after, was = folder + '/' + c.name_before;
  if (::renameat2(AT_FDCWD, now.constData(), AT_FDCWD, was.constData(), RENAME_NOREPLACE) == 0) {
    renamed = true;
    return std::nullopt;
  }
  c.rewritten = false;
  c.old_ranges.clear();
  c.old_head.clear();
  c.old_tail.clear();
  c.after_print = c.before_print;
  return c;
}

// The content the history says each file has: a dead writer's write that
// the history does not hold is taken back. The runs are read when a dead
// writer's journal first asks, not on every recovery.
class Recorded final : public ChangeRecords {
 public:
  explicit Recorded(const QByteArray& folder) : folder_(folder) {}
  bool holds(const QByteArray& name, int fd) const override {
    if (!loaded_) load();
    const auto it = newest_.find(name);
    if (it == newest_.end()) return false;
    const auto [kind, print] = it->second;
    return print != 0 && print_of_file(fd, kind) == print;
  }

 private:
  void load() const {
    for (const Run& run : load_runs(folder_, Load::listing))
      for (const Change& c : run.changes) {
        if (c.name_before != c.name_after) newest_.erase(c.name_before);
        newest_[c.name_after] = {c.print_kind, c.after_print};
      }
    loaded_ = true;
  }

  QByteArray folder_;
  mutable bool loaded_ = false;
  mutable std::map<QByteArray, std::pair<int, std::uint64_t>> newest_;  // print kind, print
};

}  // namespace

Recovered recover(const QByteArray& folder) {
  // No run of ours changes the folder while its leftovers are settled.
  const FolderLock lock(folder);
  Recovered r;
  // The bytes first: a file half written is compared once it is whole.
  const Recorded recorded(folder);
  r.journals = recover_folder(folder, &recorded);
  r.changed = r.journals.changed;
  remove_dead_stores(folder);
  for (Run& run : load_runs(folder, Load::incomplete)) {
    r.changed = true;
    const int dirfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool stable = dirfd >= 0 && journal::stable_inodes(dirfd);
    if (dirfd >= 0) ::close(dirfd);
    std::vector<Change> kept;
    bool renamed = false;
    // The renames made first (a run of renames is stored before them), so
    // that a file written and then renamed is looked for where a later
    // rename of the run took it.
    const std::vector<Change>& changes = run.changes;
    std::vector<bool> moved(changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i)
      moved[i] = rename_only(changes[i]) && as_far_as_done(folder, changes[i], changes[i].name_after, stable, renamed);
    for (std::size_t i = 0; i < changes.size(); ++i) {
      QByteArray where = changes[i].name_after;
      for (std::size_t j = i + 1; j < changes.size() && !rename_only(changes[i]); ++j)
        if (moved[j] && changes[j].name_before == where) where = changes[j].name_after;
      if (std::optional<Change> done = as_far_as_done(folder, changes[i], where, stable, renamed))
        kept.push_back(std::move(*done));
    }
    if (renamed) sync_folder(folder);
    run.changes = std::move(kept);
    run.complete = true;
    if (run.changes.empty()) remove_run(folder, run.id);
    else store_run(folder, run);
  }
  return r;
}

}  // namespace tn::history
