#pragma once
// Whole-buffer file I/O for the tag code, and replacing a file so that a
// crash, a kill or a full disk leaves either the old file or the complete new
// one, never a half-written one.

#include <QByteArray>
#include <QByteArrayList>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace tn {

// Writes a new file in the folder of `path` through fill(fd), flushes it to
// disk, gives it the permissions (and, as far as allowed, the owner) of `old`,
// renames it over `path` and flushes the folder. The new file has no name
// until it is complete where the file system allows (O_TMPFILE), so a killed
// process leaves nothing behind; elsewhere a hidden temporary name is used and
// removed on any failure. Returns false (errno set) when `path` was not
// replaced; `path` is then untouched.
//
// kept_old, if given, gets the name (in the same folder) under which the old
// file is kept once replaced, for its run to let go (InPlaceWriter::hold);
// empty where the file system has no hard links. Kept names of a writer that
// died are settled by recovery (journal.h).
bool replace_file(const QByteArray& path, const struct stat& old,
                  const std::function<bool(int fd)>& fill, QByteArray* kept_old = nullptr);

// The name an old file is kept under while its replacement is not yet
// recorded, and back: its writer's process and the file's own name.
QByteArray kept_name(const QByteArray& base);
struct KeptName {
  long pid = 0;
  QByteArray base;  // the file it is the old self of
};
std::optional<KeptName> parse_kept_name(const QByteArray& name);

// Whether two fstat results describe the same file, unchanged between them
// (device, inode, size, modification time).
bool same_file(const struct stat& a, const struct stat& b);

// The folder part of a path: "." for a bare name, "/" for one in the root.
QByteArray folder_of(const QByteArray& path);

// Removes the temporary files that writers which no longer run left in the
// folder dirfd (a rewrite killed between naming its new file and the rename).
// Recovery (journal.h) does this once a folder, before its first write.
void remove_stale_temps(int dirfd);

// write(2) all of it, retrying short writes and EINTR.
bool write_all(int fd, const char* data, std::size_t size);
// Exactly n bytes at offset, retrying short reads and EINTR; false at the end
// of the file or on an error.
bool read_exact(int fd, std::int64_t offset, void* buf, std::size_t n);
// All n bytes written at offset, retrying short writes and EINTR.
bool pwrite_all(int fd, std::int64_t offset, const void* buf, std::size_t n);
// Copies [offset, offset + size) of `from` to the current end of `to`.
bool copy_range(int from, std::int64_t offset, std::int64_t size, int to);

}  // namespace tn
