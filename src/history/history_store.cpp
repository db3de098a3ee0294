#include "history/history.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tags/journal_record.h"
#include "tags/safe_write.h"
#include "text/file_name.h"

namespace tn::history {

using journal::fnv1a;
using journal::Reader;
using journal::Writer;

namespace {

constexpr char k_magic[8] = {'T', 'N', 'H', 'I', 'S', 'T', '1', '\n'};
const QByteArray k_run_prefix = "run-";

// A history file's bytes, checked: magic first, checksum last; the body
// between, or empty when the file is not whole.
QByteArray checked_body(const QByteArray& in, const char (&magic)[8]) {
  if (in.size() < 16 || std::memcmp(in.constData(), magic, 8) != 0) return {};
  const QByteArray body = in.left(in.size() - 8);
  std::uint64_t sum = 0;
  std::memcpy(&sum, in.constData() + body.size(), 8);
  return sum == fnv1a(body.constData(), static_cast<std::size_t>(body.size())) ? body : QByteArray();
}

constexpr char k_pending_magic[8] = {'T', 'N', 'U', 'N', 'D', 'O', '1', '\n'};
const QByteArray k_pending_name = "undo-pending";

void put(Writer& w, const FileIdentity& id) {
  w.u64(id.dev);
  w.u64(id.ino);
  w.u64(static_cast<std::uint64_t>(id.size));
  w.u64(static_cast<std::uint64_t>(id.mtime_sec));
  w.u64(static_cast<std::uint64_t>(id.mtime_nsec));
}

FileIdentity take(Reader& r) {
  FileIdentity id;
  id.dev = r.u64();
  id.ino = r.u64();
  id.size = static_cast<std::int64_t>(r.u64());
  id.mtime_sec = static_cast<std::int64_t>(r.u64());
  id.mtime_nsec = static_cast<std::int64_t>(r.u64());
  return id;
}

QByteArray encode(const Run& run) {
  QByteArray out;
  Writer w{out};
  w.raw(k_magic, sizeof k_magic);
  w.u64(run.id);
  w.u64(static_cast<std::uint64_t>(run.time));
  w.bytes(run.command.toUtf8());
  w.u64(run.changes.size());
  for (const Change& c : run.changes) {
    w.bytes(c.name_before);
    w.bytes(c.name_after);
    put(w, c.before);
    put(w, c.after);
    w.u64(c.rewritten);
    if (c.rewritten) {
      w.bytes(c.old_head);
      w.u64(static_cast<std::uint64_t>(c.new_head));
      w.bytes(c.old_tail);
      w.u64(static_cast<std::uint64_t>(c.new_tail));
    } else {
      w.u64(c.old_ranges.size());
      for (const auto& [offset, bytes] : c.old_ranges) {
        w.u64(static_cast<std::uint64_t>(offset));
        w.bytes(bytes);
      }
    }
  }
  w.u64(fnv1a(out.constData(), static_cast<std::size_t>(out.size())));
  return out;
}

bool decode(const QByteArray& in, Run& run) {
  const QByteArray body = checked_body(in, k_magic);
  if (body.isEmpty()) return false;
  Reader r{body, sizeof k_magic};
  run.id = r.u64();
  run.time = static_cast<std::int64_t>(r.u64());
  run.command = QString::fromUtf8(r.bytes());
  const std::uint64_t count = r.u64();
  for (std::uint64_t i = 0; r.ok && i < count; ++i) {
    Change c;
    c.name_before = r.bytes();
    c.name_after = r.bytes();
    c.before = take(r);
    c.after = take(r);
    c.rewritten = r.u64() != 0;
    if (c.rewritten) {
      c.old_head = r.bytes();
      c.new_head = static_cast<std::int64_t>(r.u64());
      c.old_tail = r.bytes();
      c.new_tail = static_cast<std::int64_t>(r.u64());
    } else {
      const std::uint64_t n = r.u64();
      for (std::uint64_t k = 0; r.ok && k < n; ++k) {
        const auto offset = static_cast<std::int64_t>(r.u64());
        c.old_ranges.emplace_back(offset, r.bytes());
      }
    }
    run.changes.push_back(std::move(c));
  }
  return r.ok && r.at == body.size();
}

QByteArray run_name(std::uint64_t id) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%010llu", static_cast<unsigned long long>(id));
  return k_run_prefix + buf;
}

// The run files of the history folder dirfd: id, size.
std::vector<std::pair<std::uint64_t, std::int64_t>> list_runs(int dirfd) {
  std::vector<std::pair<std::uint64_t, std::int64_t>> runs;
  if (DIR* dir = ::fdopendir(::dup(dirfd))) {
    ::rewinddir(dir);  // the dup shares its offset with dirfd, read before
    while (const dirent* e = ::readdir(dir)) {
      const QByteArray name(e->d_name);
      if (!name.startsWith(k_run_prefix)) continue;
      bool ok = false;
      const std::uint64_t id = name.mid(k_run_prefix.size()).toULongLong(&ok);
      struct stat st;
      if (ok && ::fstatat(dirfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        runs.emplace_back(id, st.st_size);
    }
    ::closedir(dir);
  }
  std::sort(runs.begin(), runs.end());
  return runs;
}

int open_history(const QByteArray& folder, bool create) {
  const QByteArray dir = folder + '/' + k_history_dir;
  int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0 || !create || errno != ENOENT) return fd;
  if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST) return -1;
  // Its name must outlast a power cut as surely as the runs in it.
  if (!sync_folder(folder)) return -1;
  return ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace

int open_pending(const QByteArray& folder, bool create) {
  const int dirfd = open_history(folder, create);
  if (dirfd < 0) return -1;
  const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0);
  const int fd = ::openat(dirfd, k_pending_name.constData(), flags, 0600);
  const bool ok = fd >= 0 && journal::lock(fd) && (!create || ::fsync(dirfd) == 0);
  const int saved = errno;
  if (!ok && fd >= 0) ::close(fd);
  ::close(dirfd);
  errno = saved;
  return ok ? fd : -1;
}

bool write_pending(int fd, const std::vector<PendingName>& pending) {
  QByteArray out;
  Writer w{out};
  w.raw(k_pending_magic, sizeof k_pending_magic);
  w.u64(pending.size());
  for (const PendingName& p : pending) {
    w.bytes(p.name_was);
    w.bytes(p.name_now);
    w.u64(static_cast<std::uint64_t>(p.size));
    w.u64(static_cast<std::uint64_t>(p.prefix));
    w.u64(static_cast<std::uint64_t>(p.suffix));
    w.u64(p.print);
  }
  w.u64(fnv1a(out.constData(), static_cast<std::size_t>(out.size())));
  return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 &&
         write_all(fd, out.constData(), static_cast<std::size_t>(out.size())) && ::fdatasync(fd) == 0;
}

std::vector<PendingName> read_pending(int fd) {
  std::vector<PendingName> pending;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (1 << 24)) return pending;
  QByteArray bytes(static_cast<qsizetype>(st.st_size), '\0');
  if (!read_exact(fd, 0, bytes.data(), static_cast<std::size_t>(bytes.size()))) return pending;
  const QByteArray body = checked_body(bytes, k_pending_magic);
  if (body.isEmpty()) return pending;
  Reader r{body, sizeof k_pending_magic};
  const std::uint64_t count = r.u64();
  for (std::uint64_t i = 0; r.ok && i < count; ++i) {
    PendingName p;
    p.name_was = r.bytes();
    p.name_now = r.bytes();
    p.size = static_cast<std::int64_t>(r.u64());
    p.prefix = static_cast<std::int64_t>(r.u64());
    p.suffix = static_cast<std::int64_t>(r.u64());
    p.print = r.u64();
    pending.push_back(std::move(p));
  }
  if (!r.ok || r.at != body.size()) pending.clear();
  return pending;
}

void close_pending(const QByteArray& folder, int fd) {
  // Removed while still locked, and only if the name is still this file's.
  const int dirfd = open_history(folder, false);
  struct stat mine, named;
  if (dirfd >= 0 && ::fstat(fd, &mine) == 0 &&
      ::fstatat(dirfd, k_pending_name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      mine.st_ino == named.st_ino && mine.st_dev == named.st_dev &&
      ::unlinkat(dirfd, k_pending_name.constData(), 0) == 0)
    ::fsync(dirfd);
  if (dirfd >= 0) ::close(dirfd);
  ::close(fd);
}

QByteArray native_folder(const QString& folder) {
  QByteArray f = encode_file_name(folder);
  while (f.size() > 1 && f.endsWith('/')) f.chop(1);
  return f;
}

std::vector<Run> load_runs(const QByteArray& folder) {
  std::vector<Run> runs;
  const int dirfd = open_history(folder, false);
  if (dirfd < 0) return runs;
  for (const auto& [id, size] : list_runs(dirfd)) {
    if (size > k_max_bytes + (1 << 20)) continue;
    const int fd = ::openat(dirfd, run_name(id).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    Run run;
    if (read_exact(fd, 0, bytes.data(), static_cast<std::size_t>(size)) && decode(bytes, run) && run.id == id) {
      run.bytes = size;
      runs.push_back(std::move(run));
    }
    ::close(fd);
  }
  ::close(dirfd);
  return runs;
}

bool store_run(const QByteArray& folder, Run& run) {
  const int dirfd = open_history(folder, true);
  if (dirfd < 0) return false;
  auto runs = list_runs(dirfd);
  if (run.id == 0) run.id = runs.empty() ? 1 : runs.back().first + 1;
  const QByteArray bytes = encode(run);
  const QByteArray name = run_name(run.id);
  const QByteArray temp = '.' + name + ".new";
  // Written whole under a temporary name, then renamed: a run file is
  // either its old self or its new one, and a half-written one is not
  // taken for a run.
  bool ok = false;
  const int fd = ::openat(dirfd, temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ok = write_all(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) && ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::renameat(dirfd, temp.constData(), dirfd, name.constData()) == 0 && ::fsync(dirfd) == 0;
  }
  const int saved = errno;
  if (!ok) ::unlinkat(dirfd, temp.constData(), 0);
  if (ok) {
    // The bounds, the oldest run dropped first; the run just stored stays.
    runs = list_runs(dirfd);
    std::int64_t total = 0;
    for (const auto& r : runs) total += r.second;
    for (std::size_t i = 0; i + 1 < runs.size() &&
                            (static_cast<int>(runs.size() - i) > k_max_runs || total > k_max_bytes);
         ++i) {
      ::unlinkat(dirfd, run_name(runs[i].first).constData(), 0);
      total -= runs[i].second;
    }
  }
  ::close(dirfd);
  errno = saved;
  return ok;
}

}  // namespace tn::history
