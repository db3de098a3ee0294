// Recovery: what dead writers left in a folder, rolled back.

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "text/file_name.h"
#include "durable/journal.h"
#include "durable/journal_record.h"
#include "durable/safe_write.h"
#include "text/file_name.h"

namespace tn {

using namespace journal;

namespace {

constexpr std::int64_t k_max_journal = std::int64_t{1} << 30;  // above any ID3v2 tag's old bytes

enum class Found { complete, rolled_back, untouched, mismatch };

Found roll_back(int dirfd, const Record& r, const ChangeRecords* records) {
  const int fd = ::openat(dirfd, r.name.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Found::mismatch;
  struct stat st;
  // The same file, or a copy of it (a folder restored from a backup has new
  // inodes): its bytes outside the ranges are ours. A record without a
  // print has only the inode to go by.
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == r.size;
  if (same && r.print) {
    std::vector<Span> spans;
    for (const Record::Range& range : r.ranges) spans.push_back({range.offset, range.old_bytes.size()});
    same = outside_print(fd, r.size, std::move(spans)) == r.print;
  } else if (same) {
    same = !r.stable || !stable_inodes(fd) || (st.st_ino == r.ino && st.st_dev == r.dev);
  }
  bool all_new = true, all_old = true;
  QByteArray now;
  for (std::size_t i = 0; same && i < r.ranges.size(); ++i) {
    const Record::Range& range = r.ranges[i];
    now.resize(range.old_bytes.size());
    if (!read_exact(fd, range.offset, now.data(), static_cast<std::size_t>(now.size()))) {
      same = false;
      break;
    }
    // A write cut short (a kill, a full disk, a size limit) leaves any
    // mixture of the two, at any byte; anything else is another writer's.
    for (qsizetype j = 0; same && j < now.size(); ++j) {
      const bool is_new = now[j] == range.new_bytes[j], is_old = now[j] == range.old_bytes[j];
      all_new = all_new && is_new;
      all_old = all_old && is_old;
      same = is_new || is_old;
    }
  }
  Found found = !same ? Found::mismatch : all_new ? Found::complete : all_old ? Found::untouched : Found::rolled_back;
  // Whole, but its run not recorded: taken back, so that no record lacks it.
  if (found == Found::complete && records && !r.ranges.empty() && !records->holds(r.name, fd))
    found = Found::rolled_back;
  if (found == Found::rolled_back) {
    std::vector<Patch> patches;
    for (const Record::Range& range : r.ranges) patches.push_back({range.offset, range.old_bytes, {}});
    struct stat old = st;
    old.st_mtim = r.mtime;
    if (!restore(fd, old, patches)) found = Found::mismatch;
  }
  ::close(fd);
  return found;
}

// The old selves of files that dead writers replaced (replace_file): let go
// when the new file is recorded, else put back. True when there were any.
bool settle_kept(int dirfd, const QByteArrayList& names, const ChangeRecords* records) {
  bool any = false;
  for (const QByteArray& name : names) {
    const std::optional<KeptName> k = parse_kept_name(name);
    if (!k || k->pid == ::getpid() || ::kill(static_cast<pid_t>(k->pid), 0) == 0 || errno != ESRCH) continue;
    any = true;
    struct stat kept, now;
    const int fd = ::openat(dirfd, k->base.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool is_now = fd >= 0 && ::fstat(fd, &now) == 0;
    // Not yet replaced (a kill between the two names), or replaced and held.
    const bool let_go = !records || (::fstatat(dirfd, name.constData(), &kept, AT_SYMLINK_NOFOLLOW) == 0 && is_now &&
                                     kept.st_ino == now.st_ino && kept.st_dev == now.st_dev) ||
                        (is_now && records->holds(k->base, fd));
    if (fd >= 0) ::close(fd);
    if (let_go || ::renameat(dirfd, name.constData(), dirfd, k->base.constData()) != 0)
      ::unlinkat(dirfd, name.constData(), 0);
  }
  return any;
}

}  // namespace

RecoveryReport recover_folder(const QByteArray& folder, const ChangeRecords* recorded) {
  RecoveryReport report;
  const int dirfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd < 0) return report;
  const QByteArrayList names = names_of_ours(dirfd);
  bool changed = false;
  for (const QByteArray& jname : names) {
    if (!jname.startsWith(k_journal_prefix)) continue;
    const int jfd = ::openat(dirfd, jname.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (jfd < 0) continue;
    struct stat js;
    // Held by a writer that still runs (this program's other instance, or
    // ours); or not ours at all: a journal another user put here must not
    // make us write into a file they could not write themselves.
    if (!lock(jfd) || ::fstat(jfd, &js) != 0 || !S_ISREG(js.st_mode) || js.st_uid != ::geteuid()) {
      ::close(jfd);
      continue;
    }
    QByteArray bytes(static_cast<qsizetype>(std::min<std::int64_t>(js.st_size, k_max_journal)), '\0');
    std::vector<Record> records;
    const bool whole = js.st_size <= k_max_journal &&
                       read_exact(jfd, 0, bytes.data(), static_cast<std::size_t>(bytes.size()));
    // Left where it is for the build that wrote it: dropped, its torn file
    // could never be put back.
    if (whole && of_a_newer_build(bytes)) {
      ::close(jfd);
      continue;
    }
    if (whole) {
      for (qsizetype at = 0; at >= 0 && at < bytes.size();) {
        Record r;
        at = decode(bytes, at, r);
        if (at >= 0) records.push_back(std::move(r));
      }
    }
    // The last write undone first, as in any undo log. A file the run never
    // reached, changed since by another program, is no concern of ours.
    QByteArrayList mismatched;
    for (auto r = records.rbegin(); r != records.rend(); ++r)
      if (roll_back(dirfd, *r, recorded) == Found::mismatch && r->started) mismatched << r->name;
    changed = true;
    if (!mismatched.isEmpty()) {
      const QByteArray aside = k_aside_prefix + jname.mid(k_journal_prefix.size());
      if (::renameat(dirfd, jname.constData(), dirfd, aside.constData()) == 0)
        for (const QByteArray& name : mismatched)
          report.kept_aside.append({decode_file_name(name), decode_file_name(aside)});
    } else {
      ::unlinkat(dirfd, jname.constData(), 0);
    }
    ::close(jfd);
  }
  changed = settle_kept(dirfd, names, recorded) || changed;
  remove_stale_temps(dirfd, names);
  if (changed) ::fsync(dirfd);
  report.changed = changed;
  ::close(dirfd);
  return report;
}

}  // namespace tn
