#pragma once
// One run that changes files in a folder at a time, across processes.
//
// A run reads and plans every file, then writes; its checks compare each
// file with what it read, by identity, which cannot see a change made within
// the same tick of the file system's clock. Two runs of this program in one
// folder (two command lines, or a window and a command line) are therefore
// kept apart: each holds an exclusive flock on the folder itself (a
// read-only descriptor of the directory, so it works in a folder we may
// not write and leaves no file behind) from before its first read to after
// its history is stored and its journal removed. The other waits; a run is
// short, but a command line holds its folder for its whole command, so a
// front tells its user why nothing moves (LockWait). The lock goes with the
// process: a killed writer holds nothing.
//
// Within one process the lock is counted, not taken again (a second flock
// on another descriptor of the same folder would wait for ourselves), so
// the parts of a run may each take it. Runs of one process are not told
// apart: a process writes from one thread.

#include <QByteArray>
#include <QByteArrayList>
#include <deque>
#include <sys/types.h>
#include <utility>

namespace tn {

// What this process does while another holds a folder it needs. Without
// one it waits in the kernel, silent. A front installs one at its start: a
// window keeps painting and says why it is still, a command line says it
// once.
class LockWait {
 public:
  virtual ~LockWait() = default;
  // About ten times a second while another process holds `folder`;
  // `first` on the first call of each wait.
  virtual void waiting(const QByteArray& folder, bool first) = 0;
  // The wait that began with the last `first` is over.
  virtual void waited() = 0;
};

// The wait of every FolderLock of the process from now on; nullptr for none.
void set_lock_wait(LockWait* wait);
LockWait* lock_wait();

class FolderLock {
 public:
  // Waits until no other process holds `folder`. A folder that cannot be
  // opened or locked (a file system without locks) goes unlocked: nothing
  // else could keep the runs apart there either.
  explicit FolderLock(const QByteArray& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool held() const { return key_.first != 0 || key_.second != 0; }

 private:
  std::pair<dev_t, ino_t> key_{0, 0};
};

// The folders of some files, each locked once, in the order of their names
// (so two processes taking the same folders never each hold one the other
// waits for).
class FolderLocks {
 public:
  explicit FolderLocks(const QByteArrayList& files);

 private:
  std::deque<FolderLock> locks_;
};

}  // namespace tn
