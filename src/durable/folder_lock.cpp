#include "durable/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <ctime>
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

// Counts one more hold of a folder this process holds already.
bool count_again(const std::pair<dev_t, ino_t>& key) {
  const std::lock_guard<std::mutex> lock(guard());
  auto& folders = held_folders();
  const auto it = folders.find(key);
  if (it == folders.end()) return false;
  ++it->second.count;
  return true;
}

std::atomic<LockWait*> g_wait{nullptr};

// Takes the flock on fd, waiting as the process's LockWait says.
bool take(int fd, const QByteArray& folder) {
  LockWait* const wait = g_wait.load();
  if (!wait) {
    int r;
    while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    return r == 0;
  }
  bool first = true;
  int r;
  while ((r = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
    if (errno == EINTR) continue;
    wait->waiting(folder, first);
    first = false;
    const timespec tick{0, 100'000'000};
    ::nanosleep(&tick, nullptr);
  }
  if (!first) wait->waited();
  return r == 0;
}

}  // namespace

void set_lock_wait(LockWait* wait) { g_wait.store(wait); }
LockWait* lock_wait() { return g_wait.load(); }

FolderLock::FolderLock(const QByteArray& folder) {
  // O_CLOEXEC: a program started meanwhile must not inherit the lock.
  const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0) return;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return;
  }
  const std::pair<dev_t, ino_t> key{st.st_dev, st.st_ino};
  if (count_again(key)) {
    ::close(fd);
    key_ = key;
    return;
  }
  // Waited for outside the guard: while a window's wait paints, the locks
  // this process holds still count.
  if (!take(fd, folder)) {
    ::close(fd);
    return;
  }
  // Two descriptors never hold the flock at once: no entry is there now.
  const std::lock_guard<std::mutex> lock(guard());
  held_folders()[key] = {fd, 1};
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
