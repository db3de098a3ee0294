#include "durable/safe_write.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <vector>

#include "posix/fd.h"
#include "posix/io.h"

namespace tn {

namespace {

// The writer's process id is part of the name, so that a name left behind by
// a process that died between naming and renaming can be told from one in use.
QByteArray temp_name() {
  static std::mt19937_64 rng{std::random_device{}()};
  char buf[64];
  std::snprintf(buf, sizeof buf, ".tagnarabe-%ld-%016llx.tmp", static_cast<long>(::getpid()),
                static_cast<unsigned long long>(rng()));
  return buf;
}

const QByteArray k_kept_prefix = ".tagnarabe-old-";

}  // namespace

QByteArray kept_name(const QByteArray& base) {
  static std::mt19937_64 rng{std::random_device{}()};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%ld-%08llx-", static_cast<long>(::getpid()),
                static_cast<unsigned long long>(rng() & 0xffffffffu));
  return k_kept_prefix + buf + base;
}

std::optional<KeptName> parse_kept_name(const QByteArray& name) {
  if (!name.startsWith(k_kept_prefix)) return std::nullopt;
  const QByteArrayList parts = name.mid(k_kept_prefix.size()).split('-');
  if (parts.size() < 3) return std::nullopt;
  bool ok = false;
  KeptName k;
  k.pid = parts[0].toLong(&ok);
  const qsizetype base_at = k_kept_prefix.size() + parts[0].size() + parts[1].size() + 2;
  k.base = name.mid(base_at);
  if (!ok || k.pid <= 0 || k.base.isEmpty()) return std::nullopt;
  return k;
}

QByteArray folder_of(const QByteArray& path) {
  const int slash = path.lastIndexOf('/');
  return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArrayList names_of_ours(int dirfd) {
  QByteArrayList names;
  const int copy = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (copy < 0) return names;
  DIR* dir = ::fdopendir(copy);
  if (!dir) {
    ::close(copy);
    return names;
  }
  while (const dirent* e = ::readdir(dir))
    if (std::strncmp(e->d_name, ".tagnarabe-", 11) == 0) names << QByteArray(e->d_name);
  ::closedir(dir);
  return names;
}

void remove_stale_temps(int dirfd, const QByteArrayList& names) {
  for (const QByteArray& name : names) {
    long pid = 0;
    unsigned long long id = 0;
    char tail[8] = {};
    if (std::sscanf(name.constData(), ".tagnarabe-%ld-%16llx%7s", &pid, &id, tail) != 3 ||
        std::strcmp(tail, ".tmp") != 0 || pid <= 0 || pid == ::getpid())
      continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      ::unlinkat(dirfd, name.constData(), 0);
  }
}

bool replace_file(const QByteArray& path, const struct stat& old,
                  const std::function<bool(int fd)>& fill, QByteArray* kept_old) {
  const QByteArray base = path.mid(path.lastIndexOf('/') + 1);
  Fd dirfd(::open(folder_of(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirfd.fd < 0) return false;

  // Unnamed first; a name only where the file system has no unnamed files.
  Fd tmp(::openat(dirfd.fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  QByteArray name;
  if (tmp.fd < 0) {
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
      name = temp_name();
      tmp.fd = ::openat(dirfd.fd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (tmp.fd < 0 && errno != EEXIST) return false;
    }
    if (tmp.fd < 0) return false;
  }
  auto fail = [&] {
    const int saved = errno;
    if (!name.isEmpty()) ::unlinkat(dirfd.fd, name.constData(), 0);
    errno = saved;
    return false;
  };

  if (!fill(tmp.fd)) return fail();
  // Owner first: a change of owner clears set-id bits, which fchmod restores.
  if (::fchown(tmp.fd, old.st_uid, old.st_gid) != 0) (void)!::fchown(tmp.fd, static_cast<uid_t>(-1), old.st_gid);
  if (::fchmod(tmp.fd, old.st_mode & 07777) != 0) return fail();
  if (::fsync(tmp.fd) != 0) return fail();

  if (name.isEmpty()) {
    // Give the finished file a name so that it can be renamed over the old one.
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", tmp.fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
      name = temp_name();
      if (::linkat(AT_FDCWD, proc, dirfd.fd, name.constData(), AT_SYMLINK_FOLLOW) == 0) break;
      if (errno != EEXIST) {
        name.clear();
        return fail();
      }
      name.clear();
    }
    if (name.isEmpty()) return fail();
  }
  if (::close(tmp.release()) != 0) return fail();
  // The old file stays reachable until the run that replaced it is recorded.
  QByteArray kept;
  if (kept_old) {
    kept = kept_name(base);
    if (::linkat(dirfd.fd, base.constData(), dirfd.fd, kept.constData(), 0) != 0) kept.clear();
  }
  if (::renameat(dirfd.fd, name.constData(), dirfd.fd, base.constData()) != 0) {
    if (!kept.isEmpty()) ::unlinkat(dirfd.fd, kept.constData(), 0);
    return fail();
  }
  if (kept_old) *kept_old = kept;
  ::fsync(dirfd.fd);
  return true;
}

}  // namespace tn
