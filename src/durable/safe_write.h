#pragma once
// Replacing a file so that a crash, a kill or a full disk leaves either the
// old file or the complete new one, never a half-written one.

#include <QByteArray>
#include <QByteArrayList>
#include <functional>
#include <optional>
#include <sys/stat.h>

// same_file and the whole-buffer I/O live in posix/; the writers that fill
// a replacement use them with it.
#include "posix/file_identity.h"
#include "posix/io.h"

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

// The folder part of a path: "." for a bare name, "/" for one in the root.
QByteArray folder_of(const QByteArray& path);

// The names in the folder dirfd that begin as every file of ours does
// (".tagnarabe-"): one listing for every kind recovery looks for.
QByteArrayList names_of_ours(int dirfd);

// Removes the temporary files among `names` (names_of_ours) that writers
// which no longer run left in the folder dirfd (a rewrite killed between
// naming its new file and the rename). Recovery (journal.h) does this once
// a folder, before its first write.
void remove_stale_temps(int dirfd, const QByteArrayList& names);

}  // namespace tn
