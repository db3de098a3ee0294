#pragma once
// A file descriptor that closes itself.

#include <unistd.h>

namespace tn {

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& o) noexcept {
    reset();
    fd = o.release();
    return *this;
  }
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  // Hands the descriptor over: closing it is the caller's now.
  int release() {
    const int f = fd;
    fd = -1;
    return f;
  }
};

}  // namespace tn
