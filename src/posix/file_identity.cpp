#include "posix/file_identity.h"

namespace tn {

FileIdentity identity_of(const struct stat& st, bool link) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
          static_cast<std::int64_t>(st.st_mtim.tv_nsec), link};
}

bool same_file(const FileIdentity& a, const FileIdentity& b, bool stable_inodes) {
  return a.size == b.size && a.mtime_sec == b.mtime_sec && a.mtime_nsec == b.mtime_nsec &&
         (!stable_inodes || (a.dev == b.dev && a.ino == b.ino));
}

}  // namespace tn
