#include "durable/journal.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "durable/journal_record.h"
#include "durable/safe_write.h"

namespace tn {

using namespace journal;

namespace {

constexpr std::int64_t k_max_staged = 16 << 20;  // bytes of a run's records journaled together
constexpr std::size_t k_flushers = 8;

QByteArray random_suffix() {
  static std::mt19937_64 rng{std::random_device{}()};
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(rng()));
  return buf;
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
    end_run();
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
  slot_ = unrecorded_end_ = 0;
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
  const std::optional<std::uint64_t> print = outside_print(fd, st.st_size, spans_of(patches));
  if (!print) return;
  staged_bytes_ += bytes;
  staged_.push_back({path, st, stable_inodes(fd), *print, std::move(patches), -1});
}

void InPlaceWriter::commit_staged() {
  if (committed_) return;
  committed_ = true;
  record_.clear();
  for (Staged& s : staged_) {
    if (folder_of(s.path) != folder_) continue;
    encode(record_, s.path.mid(s.path.lastIndexOf('/') + 1), s.st, s.stable, s.print, s.patches, false);
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
    const std::optional<std::uint64_t> print = outside_print(fd, st.st_size, spans_of(patches));
    if (!print) return false;  // the file is untouched
    // The record of the write on its own before is overwritten only once
    // that write is recorded: until then it is what takes the write back.
    if (observer_ && unrecorded_end_ > slot_ && !observer_->make_durable()) slot_ = unrecorded_end_;
    record_.clear();
    encode(record_, path.mid(path.lastIndexOf('/') + 1), st, stable_inodes(fd), *print, patches, true);
    const std::int64_t end = slot_ + record_.size();
    record_.append(8, '\0');
    if (!pwrite_all(fd_, slot_, record_.constData(), static_cast<std::size_t>(record_.size())) ||
        ::fdatasync(fd_) != 0)
      return false;  // the file is untouched
    unrecorded_end_ = end;
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
  // A staged write is flushed with the others at the end of the run. Every
  // write is held until the run's record is durable (end_run).
  if (ok && ((staged && (staged->fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) >= 0) || ::fdatasync(fd) == 0)) {
    if (!staged) {
      const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
      if (held >= 0) staged_.push_back({path, st, stable_inodes(fd), 0, patches, held});
    }
    if (observer_) observer_->wrote_in_place(path, st, fd, patches);
    return true;
  }

  const int saved = errno ? errno : EIO;
  if (!restore(fd, st, patches)) {
    keep_journal_ = true;
    flush_staged();
    release_written(false);
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
    if (flushed[i]) continue;
    lost_ << s.path;
    if (!restore(s.fd, s.st, s.patches)) keep_journal_ = true;
    if (observer_) observer_->taken_back(s.path);
    s.patches.clear();  // nothing more to take back
  }
}

void InPlaceWriter::release_written(bool take_back) {
  for (Staged& s : staged_) {
    if (s.fd < 0) continue;
    if (take_back && !s.patches.empty()) {
      lost_ << s.path;
      if (!restore(s.fd, s.st, s.patches)) keep_journal_ = true;
      if (observer_) observer_->taken_back(s.path);
    }
    ::close(s.fd);
    s.fd = -1;
    s.patches.clear();
  }
}

void InPlaceWriter::hold(const QByteArray& path, const QByteArray& kept_name) {
  if (!kept_name.isEmpty()) kept_.append({path, kept_name});
}

void InPlaceWriter::let_go_kept(bool take_back) {
  for (const auto& [path, kept] : kept_) {
    const QByteArray old = folder_of(path) + '/' + kept;
    if (take_back && ::rename(old.constData(), path.constData()) == 0) {
      lost_ << path;
      if (observer_) observer_->taken_back(path);
    } else {
      ::unlink(old.constData());
    }
  }
  kept_.clear();
}

void InPlaceWriter::end_run() {
  // The one place the rule between writes and their record holds: what the
  // run wrote is recorded durably before the journal goes, or it is taken
  // back. A crash never leaves a record without a write, nor a write
  // without its record.
  const bool take_back = observer_ && !observer_->make_durable();
  release_written(take_back);
  let_go_kept(take_back);
  close_journal(!keep_journal_);
}

QByteArrayList InPlaceWriter::finish() {
  flush_staged();
  end_run();
  staged_.clear();
  staged_bytes_ = 0;
  committed_ = false;
  QByteArrayList lost;
  lost.swap(lost_);
  return lost;
}

}  // namespace tn
