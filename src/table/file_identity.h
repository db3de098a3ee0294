#pragma once
// Which file a path named when the table was read from it, so that a row is
// written only into that file.

#include <cstdint>

namespace tn {

struct FileIdentity {
  std::uint64_t dev = 0, ino = 0;
  std::int64_t size = 0, mtime_sec = 0, mtime_nsec = 0;
  bool link = false;  // the name itself was a symbolic link
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

}  // namespace tn
