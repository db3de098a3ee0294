#pragma once
// Shared by the fuzz targets: a scratch file in memory-backed storage, and
// checks that abort loudly so that libFuzzer keeps the input.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tn::fuzz {

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}
inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF, no
// sequence cut short at the end. The oracle keeps a validator of its own
// rather than the program's (text/text.h), so a fault there shows here.
inline bool valid_utf8(const char* s, std::size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  for (std::size_t i = 0; i < n;) {
    const unsigned c = p[i];
    int len;
    unsigned min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, min = 0x10000;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(len) > n) return false;
    unsigned cp = c & (0x7Fu >> len);
    for (int k = 1; k < len; ++k) {
      if ((p[i + static_cast<std::size_t>(k)] & 0xC0) != 0x80) return false;
      cp = cp << 6 | (p[i + static_cast<std::size_t>(k)] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(len);
  }
  return true;
}

// A folder of this process's own under /dev/shm (the disk would wear and be
// slow at thousands of runs a second), made once.
inline const std::string& scratch_dir() {
  static const std::string dir = [] {
    std::string d = "/dev/shm/tagnarabe-fuzz-" + std::to_string(::getpid());
    if (::mkdir(d.c_str(), 0700) != 0 && access(d.c_str(), W_OK) != 0) {
      d = "/tmp/tagnarabe-fuzz-" + std::to_string(::getpid());
      ::mkdir(d.c_str(), 0700);
    }
    // Outlives every static object, so that the clean-up at exit can use it.
    static char removed_at_exit[256];
    std::snprintf(removed_at_exit, sizeof removed_at_exit, "rm -rf '%s'", d.c_str());
    std::atexit([] { (void)!std::system(removed_at_exit); });
    return d;
  }();
  return dir;
}

inline bool write_whole(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t w = ::write(fd, data + done, size - done);
    if (w <= 0) break;
    done += static_cast<std::size_t>(w);
  }
  ::close(fd);
  return done == size;
}

inline QByteArray read_whole(const std::string& path) {
  QByteArray out;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[65536];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r <= 0) break;
    out.append(buf, r);
  }
  ::close(fd);
  return out;
}

}  // namespace tn::fuzz
