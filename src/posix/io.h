#pragma once
// Whole-buffer file I/O, and the flush of a folder's names.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace tn {

// write(2) all of it, retrying short writes and EINTR.
bool write_all(int fd, const char* data, std::size_t size);
// Exactly n bytes at offset, retrying short reads and EINTR; false at the end
// of the file or on an error.
bool read_exact(int fd, std::int64_t offset, void* buf, std::size_t n);
// Up to n bytes at offset, fewer only at the end of the file; -1 on an error.
std::int64_t read_up_to(int fd, std::int64_t offset, void* buf, std::size_t n);
// All n bytes written at offset, retrying short writes and EINTR.
bool pwrite_all(int fd, std::int64_t offset, const void* buf, std::size_t n);
// Copies [offset, offset + size) of `from` to the current end of `to`.
bool copy_range(int from, std::int64_t offset, std::int64_t size, int to);

// Flushes the names in folder (a rename, a new or removed file) to disk.
bool sync_folder(const QByteArray& folder);

}  // namespace tn
