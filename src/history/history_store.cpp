#include "history/history.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "durable/journal_record.h"
#include "durable/safe_write.h"
#include "text/file_name.h"

namespace tn::history {

using journal::fnv1a;
using journal::Reader;
using journal::Writer;

namespace {

// Version 2 adds the prints and whether the run is complete, version 3 the
// kind of each change's prints (version 2's are all of kind 1).
constexpr char k_magic[8] = {'T', 'N', 'H', 'I', 'S', 'T', '3', '\n'};
constexpr char k_magic_v2[8] = {'T', 'N', 'H', 'I', 'S', 'T', '2', '\n'};
constexpr char k_magic_v1[8] = {'T', 'N', 'H', 'I', 'S', 'T', '1', '\n'};
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

const QByteArray k_probe_name = ".probe";

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
  w.u64(run.complete);
  w.u64(run.changes.size());
  for (const Change& c : run.changes) {
    w.bytes(c.name_before);
    w.bytes(c.name_after);
    put(w, c.before);
    put(w, c.after);
    w.u64(c.before_print);
    w.u64(c.after_print);
    w.u64(static_cast<std::uint64_t>(c.print_kind));
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

// keep_old: with the bytes that put the files back (else only their places).
bool decode(const QByteArray& in, Run& run, bool keep_old) {
  int version = 3;
  QByteArray body = checked_body(in, k_magic);
  if (body.isEmpty()) version = 2, body = checked_body(in, k_magic_v2);
  if (body.isEmpty()) version = 1, body = checked_body(in, k_magic_v1);
  if (body.isEmpty()) return false;
  const bool v1 = version == 1;
  Reader r{body, sizeof k_magic};
  auto old_bytes = [&] {
    QByteArray b = r.bytes();
    return keep_old ? b : QByteArray();
  };
  run.id = r.u64();
  run.time = static_cast<std::int64_t>(r.u64());
  run.command = QString::fromUtf8(r.bytes());
  if (!v1) run.complete = r.u64() != 0;
  const std::uint64_t count = r.u64();
  for (std::uint64_t i = 0; r.ok && i < count; ++i) {
    Change c;
    c.name_before = r.bytes();
    c.name_after = r.bytes();
    c.before = take(r);
    c.after = take(r);
    if (!v1) {
      c.before_print = r.u64();
      c.after_print = r.u64();
    }
    c.print_kind = version == 3 ? static_cast<int>(r.u64()) : 1;
    c.rewritten = r.u64() != 0;
    if (c.rewritten) {
      c.old_head = old_bytes();
      c.new_head = static_cast<std::int64_t>(r.u64());
      c.old_tail = old_bytes();
      c.new_tail = static_cast<std::int64_t>(r.u64());
    } else {
      const std::uint64_t n = r.u64();
      for (std::uint64_t k = 0; r.ok && k < n; ++k) {
        const auto offset = static_cast<std::int64_t>(r.u64());
        c.old_ranges.emplace_back(offset, old_bytes());
      }
    }
    run.changes.push_back(std::move(c));
  }
  return r.ok && r.at == body.size();
}

// What a run file says in its first bytes: whether it begins as a run file
// at all, and whether its run is complete (the first version's runs all
// are). Its checksum is not read here: a file that is not whole is skipped
// once it is read.
struct Head {
  bool run = false;
  bool complete = false;
};

Head head_of(int fd) {
  char head[512];
  const std::int64_t n = read_up_to(fd, 0, head, sizeof head);
  if (n < 8) return {};
  const QByteArray in = QByteArray::fromRawData(head, static_cast<qsizetype>(n));
  if (std::memcmp(head, k_magic_v1, 8) == 0) return {true, true};
  if (std::memcmp(head, k_magic, 8) != 0 && std::memcmp(head, k_magic_v2, 8) != 0) return {};
  Reader r{in, sizeof k_magic};
  r.u64();    // id
  r.u64();    // time
  r.bytes();  // command
  const bool complete = r.u64() != 0;
  return {true, r.ok && complete};
}

QByteArray run_name(std::uint64_t id) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%010llu", static_cast<unsigned long long>(id));
  return k_run_prefix + buf;
}

// The run files of the history folder dirfd: id, size.
std::vector<std::pair<std::uint64_t, std::int64_t>> run_files(int dirfd) {
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

// Removes what stores that died left: ".run-<id>-<pid>.new" of a process
// that is gone.
void remove_dead_stores(int dirfd) {
  DIR* dir = ::fdopendir(::dup(dirfd));
  if (!dir) return;
  ::rewinddir(dir);
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray name(e->d_name);
    if (!name.startsWith('.' + k_run_prefix) || !name.endsWith(".new")) continue;
    bool ok = false;
    const long pid = name.mid(name.lastIndexOf('-') + 1).chopped(4).toLong(&ok);
    // The first version named them without a process: such a name is a leftover.
    const bool dead = !ok || pid <= 0 || name.count('-') < 2 ||
                      (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    if (dead) ::unlinkat(dirfd, e->d_name, 0);
  }
  ::closedir(dir);
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

bool can_store(const QByteArray& folder) {
  // Tried, and left as it was: the place appears with the first run stored.
  const QByteArray dir = folder + '/' + k_history_dir;
  const bool made = ::mkdir(dir.constData(), 0700) == 0;
  if (!made && errno != EEXIST) return false;
  const int dirfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  const int fd = dirfd < 0 ? -1
                           : ::openat(dirfd, k_probe_name.constData(),
                                      O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  const bool ok = fd >= 0 && write_all(fd, "x", 1);
  const int saved = errno;
  if (fd >= 0) ::close(fd), ::unlinkat(dirfd, k_probe_name.constData(), 0);
  if (dirfd >= 0) ::close(dirfd);
  if (made) ::rmdir(dir.constData());
  errno = saved;
  return ok;
}

void remove_dead_stores(const QByteArray& folder) {
  const int dirfd = open_history(folder, false);
  if (dirfd < 0) return;
  remove_dead_stores(dirfd);
  ::close(dirfd);
}

void remove_run(const QByteArray& folder, std::uint64_t id) {
  const int dirfd = open_history(folder, false);
  if (dirfd < 0) return;
  if (::unlinkat(dirfd, run_name(id).constData(), 0) == 0) ::fsync(dirfd);
  ::close(dirfd);
}

QString place_of(const QByteArray& folder) {
  return decode_file_name(folder + '/' + k_history_dir);
}

QByteArray native_folder(const QString& folder) {
  QByteArray f = encode_file_name(folder);
  while (f.size() > 1 && f.endsWith('/')) f.chop(1);
  return f;
}

std::vector<Run> load_runs(const QByteArray& folder, Load what, std::uint64_t from) {
  std::vector<Run> runs;
  const int dirfd = open_history(folder, false);
  if (dirfd < 0) return runs;
  for (const auto& [id, size] : run_files(dirfd)) {
    if (id < from) continue;
    const int fd = ::openat(dirfd, run_name(id).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // Read whole only when its first bytes are a run's: no size is too big
    // for a run this program stored (it held the run to store it).
    const Head head = head_of(fd);
    if (!head.run || (what == Load::incomplete && head.complete)) {
      ::close(fd);
      continue;
    }
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    Run run;
    if (read_exact(fd, 0, bytes.data(), static_cast<std::size_t>(size)) &&
        decode(bytes, run, what != Load::listing) && run.id == id && (what != Load::incomplete || !run.complete)) {
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
  auto runs = run_files(dirfd);
  if (run.id == 0) run.id = runs.empty() ? 1 : runs.back().first + 1;
  const QByteArray bytes = encode(run);
  const QByteArray name = run_name(run.id);
  const QByteArray temp = '.' + name + '-' + QByteArray::number(::getpid()) + ".new";
  remove_dead_stores(dirfd);
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
  if (ok && run.complete) {
    // The bounds, the oldest run dropped first; the run just stored stays.
    runs = run_files(dirfd);
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
