#include "posix/safe_rename.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/file_identity.h"
#include "text/file_name.h"

namespace tn {

namespace {

bool raw_rename(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // The file system cannot refuse an existing target by itself: a hard link
  // fails on one, and the old name goes only once the new one is there.
  if (::link(from.constData(), to.constData()) == 0) {
    if (::unlink(from.constData()) == 0) return true;
    const int e = errno;
    ::unlink(to.constData());
    errno = e;
    return false;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  // No hard links either (FAT): check, then rename.
  struct stat st;
  if (::lstat(to.constData(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.constData(), to.constData()) == 0;
}

// Whether paths a and b name one file.
bool one_file(const QByteArray& a, const QByteArray& b) {
  struct stat sa, sb;
  return ::lstat(a.constData(), &sa) == 0 && ::lstat(b.constData(), &sb) == 0 && same_file(sa, sb);
}

}  // namespace

bool rename_no_replace(const QString& old_path, const QString& new_path) {
  const QByteArray from = encode_file_name(old_path);
  const QByteArray to = encode_file_name(new_path);
  if (from.contains('\0') || to.contains('\0')) {
    errno = EINVAL;
    return false;
  }
  if (raw_rename(from, to)) return true;
  // "song.mp3" -> "Song.mp3" where the file system ignores case: the target
  // "exists" because it is the file itself. Go through a name of our own.
  if (errno == EEXIST && old_path.compare(new_path, Qt::CaseInsensitive) == 0 &&
      one_file(from, to)) {
    const QByteArray tmp = from + ".renaming-" + QByteArray::number(::getpid());
    if (!raw_rename(from, tmp)) return false;
    if (raw_rename(tmp, to)) return true;
    const int e = errno;
    raw_rename(tmp, from);
    errno = e;
    return false;
  }
  return false;
}

}  // namespace tn
