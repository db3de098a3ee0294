#pragma once
// Replacing a file so that a crash, a kill or a full disk leaves either the
// old file or the complete new one, never a half-written one.

#include <QByteArray>
#include <functional>
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
bool replace_file(const QByteArray& path, const struct stat& old,
                  const std::function<bool(int fd)>& fill);

// The folder part of a path: "." for a bare name, "/" for one in the root.
QByteArray folder_of(const QByteArray& path);

// Removes the temporary files that writers which no longer run left in the
// folder dirfd (a rewrite killed between naming its new file and the rename).
// Recovery (journal.h) does this once a folder, before its first write.
void remove_stale_temps(int dirfd);

}  // namespace tn
