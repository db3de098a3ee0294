#include "tags/journal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <atomic>
#include <random>
#include <sys/statfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "table/folder.h"
#include "tags/safe_write.h"

namespace tn {

namespace {

// Records of version 2 end in a mark set when their file is about to be
// written; version 1 (a record written just before its file) has none.
constexpr char k_magic[8] = {'T', 'N', 'J', 'R', 'N', 'L', '2', '\n'};
constexpr char k_magic_v1[8] = {'T', 'N', 'J', 'R', 'N', 'L', '1', '\n'};
constexpr std::uint64_t k_started = 0x2144455452415453;  // "STARTED!"
constexpr std::int64_t k_max_journal = std::int64_t{1} << 30;  // above any ID3v2 tag's old bytes
constexpr std::int64_t k_max_staged = 16 << 20;  // bytes of a run's records journaled together
constexpr std::size_t k_flushers = 8;
const QByteArray k_journal_prefix = ".tagnarabe-journal-";
const QByteArray k_aside_prefix = ".tagnarabe-unapplied-";

std::uint64_t fnv1a(const char* p, std::size_t n, std::uint64_t h = 14695981039346656037ull) {
  for (std::size_t i = 0; i < n; ++i) {
    h ^= static_cast<unsigned char>(p[i]);
    h *= 1099511628211ull;
  }
  return h;
}

// Inode numbers of FAT and exFAT (and of most FUSE file systems) are made up
// at mount time: after a replug the same file has another one.
bool stable_inodes(int fd) {
  struct statfs sf;
  if (::fstatfs(fd, &sf) != 0) return false;
  switch (static_cast<unsigned long>(sf.f_type)) {
    case MSDOS_SUPER_MAGIC:
    case 0x2011BAB0:  // exfat
    case 0x65735546:  // fuse
    case 0x5346544E:  // ntfs
      return false;
    default:
      return true;
  }
}

struct Writer {
  QByteArray& b;
  void raw(const void* p, std::size_t n) { b.append(static_cast<const char*>(p), static_cast<qsizetype>(n)); }
  void u64(std::uint64_t v) { raw(&v, sizeof v); }
  void bytes(const QByteArray& v) {
    u64(static_cast<std::uint64_t>(v.size()));
    b.append(v);
  }
};

struct Reader {
  const QByteArray& b;
  qsizetype at = 0;
  bool ok = true;
  std::uint64_t u64() {
    std::uint64_t v = 0;
    if (at + 8 > b.size()) {
      ok = false;
      return 0;
    }
    std::memcpy(&v, b.constData() + at, 8);
    at += 8;
    return v;
  }
  QByteArray bytes() {
    const std::uint64_t n = u64();
    if (!ok || n > static_cast<std::uint64_t>(b.size() - at)) {
      ok = false;
      return {};
    }
    QByteArray v = b.mid(at, static_cast<qsizetype>(n));
    at += static_cast<qsizetype>(n);
    return v;
  }
};

struct Record {
  std::uint64_t dev = 0, ino = 0;
  bool stable = true;
  std::int64_t size = 0;
  struct timespec mtime {};
  QByteArray name;
  bool started = true;  // its file may have been written
  struct Range {
    std::int64_t offset;
    QByteArray old_bytes, new_bytes;
  };
  std::vector<Range> ranges;
};

// Appends one record to out; its mark is the last 8 bytes.
void encode(QByteArray& out, const QByteArray& name, const struct stat& st, bool stable,
            const std::vector<Patch>& patches, bool started) {
  const qsizetype start = out.size();
  Writer w{out};
  w.raw(k_magic, sizeof k_magic);
  w.u64(0);  // the record's size, set below
  w.u64(st.st_dev);
  w.u64(st.st_ino);
  w.u64(stable);
  w.u64(static_cast<std::uint64_t>(st.st_size));
  w.u64(static_cast<std::uint64_t>(st.st_mtim.tv_sec));
  w.u64(static_cast<std::uint64_t>(st.st_mtim.tv_nsec));
  w.bytes(name);
  w.u64(patches.size());
  for (const Patch& p : patches) {
    w.u64(static_cast<std::uint64_t>(p.offset));
    w.bytes(p.old_bytes);
    w.bytes(p.new_bytes);
  }
  const std::uint64_t total = static_cast<std::uint64_t>(out.size() - start) + 16;
  std::memcpy(out.data() + start + sizeof k_magic, &total, 8);
  w.u64(fnv1a(out.constData() + start, static_cast<std::size_t>(out.size() - start)));
  w.u64(started ? k_started : 0);
}

// The record at `at`, and where the next one begins; -1 for anything but a
// whole record: a record cut short by its writer's death was written before
// its file was touched, and so was everything after it.
qsizetype decode(const QByteArray& journal, qsizetype at, Record& r) {
  const QByteArray in = QByteArray::fromRawData(journal.constData() + at, journal.size() - at);
  if (in.size() < 24) return -1;
  const bool v1 = std::memcmp(in.constData(), k_magic_v1, sizeof k_magic_v1) == 0;
  if (!v1 && std::memcmp(in.constData(), k_magic, sizeof k_magic) != 0) return -1;
  const qsizetype tail = v1 ? 8 : 16;  // checksum, mark
  Reader rd{in, sizeof k_magic};
  const std::uint64_t total = rd.u64();
  if (total < 16 + static_cast<std::uint64_t>(tail) || total > static_cast<std::uint64_t>(in.size())) return -1;
  const QByteArray body = in.left(static_cast<qsizetype>(total) - tail);
  std::uint64_t sum = 0, mark = k_started;
  std::memcpy(&sum, in.constData() + body.size(), 8);
  if (!v1) std::memcpy(&mark, in.constData() + body.size() + 8, 8);
  if (sum != fnv1a(body.constData(), static_cast<std::size_t>(body.size()))) return -1;
  r.started = mark == k_started;
  Reader b{body, rd.at};
  r.dev = b.u64();
  r.ino = b.u64();
  r.stable = b.u64() != 0;
  r.size = static_cast<std::int64_t>(b.u64());
  r.mtime.tv_sec = static_cast<time_t>(b.u64());
  r.mtime.tv_nsec = static_cast<long>(b.u64());
  r.name = b.bytes();
  const std::uint64_t count = b.u64();
  for (std::uint64_t i = 0; b.ok && i < count; ++i) {
    Record::Range range;
    range.offset = static_cast<std::int64_t>(b.u64());
    range.old_bytes = b.bytes();
    range.new_bytes = b.bytes();
    if (range.offset < 0 || range.offset > r.size - range.old_bytes.size() ||
        range.new_bytes.size() != range.old_bytes.size())
      return -1;
    r.ranges.push_back(std::move(range));
  }
  const bool whole = b.ok && b.at == body.size() && !r.name.isEmpty() && !r.name.contains('/') &&
                     r.name != "." && r.name != "..";
  return whole ? at + static_cast<qsizetype>(total) : -1;
}

bool lock(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

QByteArray random_suffix() {
  static std::mt19937_64 rng{std::random_device{}()};
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(rng()));
  return buf;
}

// Puts back the old bytes of the patches and the old modification time;
// true when the file reads as its old self again.
bool restore(int fd, const struct stat& st, const std::vector<Patch>& patches) {
  bool ok = true;
  QByteArray check;
  for (const Patch& p : patches) {
    // Bytes past a file-size limit could not be written either way: what
    // decides is that the range reads back old.
    (void)pwrite_all(fd, p.offset, p.old_bytes.constData(), static_cast<std::size_t>(p.old_bytes.size()));
    check.resize(p.old_bytes.size());
    ok = ok && read_exact(fd, p.offset, check.data(), static_cast<std::size_t>(check.size())) &&
         check == p.old_bytes;
  }
  if (!ok || ::fdatasync(fd) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  (void)::futimens(fd, times);
  return true;
}

}  // namespace

void add_patches(std::vector<Patch>& out, std::int64_t base, const QByteArray& was,
                 const QByteArray& now, int join) {
  const qsizetype n = std::min(was.size(), now.size());
  const char* a = was.constData();
  const char* b = now.constData();
  // The next index from i on where the two differ, n if none: equal
  // stretches (a cover picture) are stepped over a block at a time.
  auto next_diff = [&](qsizetype i) {
    constexpr qsizetype k_step = 256;
    while (i + k_step <= n && std::memcmp(a + i, b + i, k_step) == 0) i += k_step;
    while (i < n && a[i] == b[i]) ++i;
    return i;
  };
  qsizetype i = next_diff(0);
  while (i < n) {
    qsizetype end = i + 1;
    for (;;) {
      const qsizetype next = next_diff(end);
      if (next >= n || next - end > join) break;
      end = next + 1;
    }
    out.push_back({base + i, was.mid(i, end - i), now.mid(i, end - i)});
    i = next_diff(end);
  }
}

bool InPlaceWriter::open_journal(const QByteArray& folder) {
  if (fd_ >= 0 && folder_ == folder) return true;
  if (fd_ >= 0) {
    // Another folder: this one's run of writes ends here.
    flush_staged();
    close_journal(!keep_journal_);
  }
  dirfd_ = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd_ < 0) return false;
  for (int attempt = 0; attempt < 10; ++attempt) {
    const QByteArray name = k_journal_prefix + random_suffix();
    const int fd = ::openat(dirfd_, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    // A recovery in another instance may have taken the empty journal for a
    // dead one between creation and lock: then it has no name any more.
    struct stat st;
    if (!lock(fd) || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
      ::close(fd);
      ::unlinkat(dirfd_, name.constData(), 0);
      continue;
    }
    // The journal's name must outlast a power loss as surely as its bytes.
    if (::fsync(dirfd_) != 0) {
      const int saved = errno;
      ::close(fd);
      ::unlinkat(dirfd_, name.constData(), 0);
      errno = saved;
      break;
    }
    fd_ = fd;
    name_ = name;
    folder_ = folder;
    return true;
  }
  const int saved = errno;
  ::close(dirfd_);
  dirfd_ = -1;
  errno = saved;
  return false;
}

void InPlaceWriter::close_journal(bool remove) {
  // Removing needs no flush: a journal that outlives a power cut finds its
  // file wholly new (or, after a failed write, old), which recovery leaves.
  if (fd_ >= 0) {
    if (remove) ::unlinkat(dirfd_, name_.constData(), 0);
    ::close(fd_);
  }
  if (dirfd_ >= 0) ::close(dirfd_);
  fd_ = dirfd_ = -1;
  folder_.clear();
  name_.clear();
  // Staged writes not yet made lose their records: they go on their own.
  for (Staged& s : staged_)
    if (s.fd < 0) s.patches.clear();
  slot_ = 0;
  keep_journal_ = false;
}

void InPlaceWriter::stage(const QByteArray& path, int fd, const struct stat& st,
                          std::vector<Patch> patches) {
  if (committed_ || patches.empty()) return;  // the run's first write has come
  std::int64_t bytes = 0;
  for (const Patch& p : patches) bytes += 2 * p.old_bytes.size();
  // A cover that moves makes a big record: such writes go on their own
  // rather than fill the user's folder with a big journal.
  if (staged_bytes_ + bytes > k_max_staged) return;
  if (!staged_.empty() && folder_of(staged_.front().path) != folder_of(path)) return;
  staged_bytes_ += bytes;
  staged_.push_back({path, st, stable_inodes(fd), std::move(patches), -1});
}

void InPlaceWriter::commit_staged() {
  if (committed_) return;
  committed_ = true;
  record_.clear();
  for (Staged& s : staged_) {
    if (folder_of(s.path) != folder_) continue;
    encode(record_, s.path.mid(s.path.lastIndexOf('/') + 1), s.st, s.stable, s.patches, false);
    s.mark_at = record_.size() - 8;
  }
  if (record_.isEmpty()) return;
  if (!pwrite_all(fd_, 0, record_.constData(), static_cast<std::size_t>(record_.size())) ||
      ::fdatasync(fd_) != 0) {
    (void)!::ftruncate(fd_, 0);
    for (Staged& s : staged_) s.patches.clear();
    return;
  }
  slot_ = record_.size();
}

InPlaceWriter::Staged* InPlaceWriter::staged_as(const QByteArray& path, const struct stat& st,
                                               const std::vector<Patch>& patches) {
  if (slot_ == 0) return nullptr;
  for (Staged& s : staged_)
    if (s.fd < 0 && s.path == path && same_file(s.st, st) && s.patches == patches) return &s;
  return nullptr;
}

bool InPlaceWriter::write(const QByteArray& path, int fd, const struct stat& st,
                          const std::vector<Patch>& patches) {
  if (patches.empty()) return true;
  if (!open_journal(folder_of(path))) return false;
  commit_staged();
  Staged* staged = staged_as(path, st, patches);
  if (!staged) {
    // Its own record, behind the staged ones; zeros after it end the
    // journal there, whatever an earlier, longer record left behind.
    record_.clear();
    encode(record_, path.mid(path.lastIndexOf('/') + 1), st, stable_inodes(fd), patches, true);
    record_.append(8, '\0');
    if (!pwrite_all(fd_, slot_, record_.constData(), static_cast<std::size_t>(record_.size())) ||
        ::fdatasync(fd_) != 0)
      return false;  // the file is untouched
  } else {
    // Marked, so that recovery can tell a file this run wrote from one it
    // never reached. Unflushed: a kill loses nothing written, and a torn
    // file is rolled back whatever its mark says.
    (void)pwrite_all(fd_, staged->mark_at, &k_started, sizeof k_started);
  }

  bool ok = true;
  for (const Patch& p : patches) {
    ok = pwrite_all(fd, p.offset, p.new_bytes.constData(), static_cast<std::size_t>(p.new_bytes.size()));
    if (!ok) break;
  }
  QByteArray check;
  for (std::size_t i = 0; ok && i < patches.size(); ++i) {
    check.resize(patches[i].new_bytes.size());
    ok = read_exact(fd, patches[i].offset, check.data(), static_cast<std::size_t>(check.size()));
    if (ok && check != patches[i].new_bytes) {
      errno = EIO;
      ok = false;
    }
  }
  // A staged write is flushed with the others at the end of the run.
  if (ok && staged && (staged->fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) >= 0) return true;
  if (ok && ::fdatasync(fd) == 0) return true;

  const int saved = errno ? errno : EIO;
  if (!restore(fd, st, patches)) {
    keep_journal_ = true;
    flush_staged();
    close_journal(false);
  }
  errno = saved;
  return false;
}

void InPlaceWriter::flush_staged() {
  // Side by side: the disk can take the flushes of several files at once.
  std::vector<Staged*> written;
  for (Staged& s : staged_)
    if (s.fd >= 0) written.push_back(&s);
  std::vector<char> flushed(written.size(), 0);
  std::atomic<std::size_t> next{0};
  auto flush = [&] {
    for (std::size_t i; (i = next++) < written.size();) flushed[i] = ::fdatasync(written[i]->fd) == 0;
  };
  std::vector<std::thread> helpers;
  try {
    for (std::size_t k = 1; k < std::min<std::size_t>(written.size(), k_flushers); ++k) helpers.emplace_back(flush);
  } catch (const std::system_error&) {
    // No more threads to be had: fewer flush side by side.
  }
  flush();
  for (std::thread& t : helpers) t.join();
  for (std::size_t i = 0; i < written.size(); ++i) {
    Staged& s = *written[i];
    if (!flushed[i]) {
      lost_ << s.path;
      if (!restore(s.fd, s.st, s.patches)) keep_journal_ = true;
    }
    ::close(s.fd);
    s.fd = -1;
    s.patches.clear();
  }
}

QByteArrayList InPlaceWriter::finish() {
  flush_staged();
  close_journal(!keep_journal_);
  staged_.clear();
  staged_bytes_ = 0;
  committed_ = false;
  QByteArrayList lost;
  lost.swap(lost_);
  return lost;
}

namespace {

enum class Found { complete, rolled_back, untouched, mismatch };

Found roll_back(int dirfd, const Record& r) {
  const int fd = ::openat(dirfd, r.name.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Found::mismatch;
  struct stat st;
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == r.size &&
              (!r.stable || !stable_inodes(fd) || (st.st_ino == r.ino && st.st_dev == r.dev));
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

}  // namespace

RecoveryReport recover_folder(const QByteArray& folder) {
  RecoveryReport report;
  const int dirfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd < 0) return report;
  QByteArrayList journals;
  bool changed = false;
  if (DIR* dir = ::fdopendir(::dup(dirfd))) {
    while (const dirent* e = ::readdir(dir))
      if (std::strncmp(e->d_name, k_journal_prefix.constData(), static_cast<std::size_t>(k_journal_prefix.size())) == 0)
        journals << QByteArray(e->d_name);
    ::closedir(dir);
  }
  for (const QByteArray& jname : journals) {
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
    if (js.st_size <= k_max_journal &&
        read_exact(jfd, 0, bytes.data(), static_cast<std::size_t>(bytes.size()))) {
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
      if (roll_back(dirfd, *r) == Found::mismatch && r->started) mismatched << r->name;
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
  remove_stale_temps(dirfd);
  if (changed) ::fsync(dirfd);
  ::close(dirfd);
  return report;
}

}  // namespace tn
