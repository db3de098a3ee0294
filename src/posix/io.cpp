#include "posix/io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "posix/fd.h"

namespace tn {

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t w = ::write(fd, data, size);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

std::int64_t read_up_to(int fd, std::int64_t offset, void* buf, std::size_t n) {
  auto* p = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return static_cast<std::int64_t>(done);
}

bool read_exact(int fd, std::int64_t offset, void* buf, std::size_t n) {
  return read_up_to(fd, offset, buf, n) == static_cast<std::int64_t>(n);
}

bool pwrite_all(int fd, std::int64_t offset, const void* buf, std::size_t n) {
  const auto* p = static_cast<const char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd, p + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

bool copy_range(int from, std::int64_t offset, std::int64_t size, int to) {
  // Inside the kernel where it can (no copy through our memory; a clone of
  // the blocks on file systems that share them), else through a buffer.
  off_t in = static_cast<off_t>(offset);
  while (size > 0) {
    const ssize_t n = ::copy_file_range(from, &in, to, nullptr, static_cast<std::size_t>(size), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) break;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;  // the file shrank under us
      return false;
    }
    size -= n;
  }
  offset = in;
  std::vector<char> buf(size > 0 ? 256 * 1024 : 0);
  while (size > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(size, static_cast<std::int64_t>(buf.size())));
    const ssize_t r = ::pread(from, buf.data(), want, static_cast<off_t>(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      if (r == 0) errno = EIO;  // the file shrank under us
      return false;
    }
    if (!write_all(to, buf.data(), static_cast<std::size_t>(r))) return false;
    offset += r;
    size -= r;
  }
  return true;
}

bool sync_folder(const QByteArray& folder) {
  const Fd dirfd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dirfd.fd >= 0 && ::fsync(dirfd.fd) == 0;
}

}  // namespace tn
