#include "durable/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

#include "durable/safe_write.h"

namespace tn {

namespace {

struct Held {
  int fd = -1;
  int count = 0;
};

std::mutex& guard() {
  static std::mutex m;
  return m;
}

std::map<std::pair<dev_t, ino_t>, Held>& held_folders() {
  static std::map<std::pair<dev_t, ino_t>, Held> folders;
  return folders;
}

}  // namespace

FolderLock::FolderLock(const QByteArray& folder) {
  // O_CLOEXEC: a program started meanwhile must not inherit the lock.
  const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0) return;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return;
  }
  const std::lock_guard<std::mutex> lock(guard());
  const std::pair<dev_t, ino_t> key{st.st_dev, st.st_ino};
  auto& folders = held_folders();
  if (const auto it = folders.find(key); it != folders.end()) {
    ++it->second.count;
    ::close(fd);
    key_ = key;
    return;
  }
  int r;
  while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (r != 0) {
    ::close(fd);
    return;
  }
  folders[key] = {fd, 1};
  key_ = key;
}

FolderLock::~FolderLock() {
  if (!held()) return;
  const std::lock_guard<std::mutex> lock(guard());
  auto& folders = held_folders();
  const auto it = folders.find(key_);
  if (it == folders.end() || --it->second.count > 0) return;
  ::close(it->second.fd);  // releases the flock
  folders.erase(it);
}

FolderLocks::FolderLocks(const QByteArrayList& files) {
  QByteArrayList folders;
  for (const QByteArray& f : files) folders << folder_of(f);
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const QByteArray& f : folders) locks_.emplace_back(f);
}

}  // namespace tn
