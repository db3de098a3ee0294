#pragma once
// Which file a path named when the table was read from it, so that a row is
// written only into that file; and whether a file is still the one seen
// before.

#include <cstdint>
#include <sys/stat.h>

namespace tn {

struct FileIdentity {
  std::uint64_t dev = 0, ino = 0;
  std::int64_t size = 0, mtime_sec = 0, mtime_nsec = 0;
  bool link = false;  // the name itself was a symbolic link
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// link: whether the name that st was taken through was a symbolic link.
FileIdentity identity_of(const struct stat& st, bool link = false);

// Whether a and b describe one file unchanged between them: the same size
// and modification time, and the same device and inode unless the file
// system does not keep inode numbers (stable_inodes false: a FAT stick,
// a copied folder).
bool same_file(const FileIdentity& a, const FileIdentity& b, bool stable_inodes = true);
inline bool same_file(const struct stat& a, const struct stat& b) {
  return same_file(identity_of(a), identity_of(b));
}

}  // namespace tn
