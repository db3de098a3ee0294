#pragma once
// Recording a command's run into the history of its folder. The run is
// handed to the writers as the observer of their changes (change_observer.h);
// nothing reaches the history any other way.

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "history/history.h"
#include "durable/change_observer.h"
#include "durable/folder_lock.h"

namespace tn {
class TagLibrary;
}

namespace tn::history {

class Recording final : public ChangeObserver {
 public:
  // folder: the edit folder (a trailing "/" is fine). The folder is ours
  // until the run is stored (FolderLock): another run there waits. What a
  // dead run left there is settled first (recover); then whether the run
  // can be stored is known (usable), before anything is written.
  Recording(const QString& folder, const QString& command);
  // Stores what is not stored yet.
  ~Recording() override;
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  // False: the history cannot be stored, and the run must write nothing.
  bool usable() const { return usable_; }
  const QByteArray& folder() const { return folder_; }

  void wrote_in_place(const QByteArray& path, const struct stat& before, int fd,
                      const std::vector<Patch>& patches) override;
  void rewrote(const QByteArray& path, const struct stat& before, int old_fd, std::int64_t old_head,
               std::int64_t new_head, std::int64_t old_tail, std::int64_t new_tail) override;
  void renamed(const QByteArray& from, const QByteArray& to) override;
  void taken_back(const QByteArray& path) override;
  bool make_durable() override;

  // Before a run of renames (paths from, to; the order they will be made
  // in): the run is stored with them as not complete, so that whatever
  // stops the renames, recovery keeps of it what the files show done. The
  // renames made are then told by renamed() as usual. False: it could not
  // be stored, and no rename may be made.
  bool announce_renames(const std::vector<std::pair<QByteArray, QByteArray>>& renames);

 private:
  // The run's change for path, or nullptr when the file is not in its folder.
  Change* begin_change(const QByteArray& path, const struct stat& before);

  QByteArray folder_;
  FolderLock lock_;  // let go after the destructor has stored the run
  Run run_;
  bool dirty_ = false;
  bool usable_ = false;
  bool announced_ = false;  // stored as not complete: stored again, or removed
};

// A command's run: a Recording handed to the tag library for the command's
// lifetime. Inside another command's run (a command made of others) it adds
// to that one.
class CommandRun {
 public:
  CommandRun(TagLibrary& tags, const QString& folder, const QString& command);
  ~CommandRun();
  CommandRun(const CommandRun&) = delete;
  CommandRun& operator=(const CommandRun&) = delete;

  Recording& recording() { return *active_; }

 private:
  TagLibrary& tags_;
  ChangeObserver* outer_;  // given back at the end
  std::optional<Recording> own_;
  Recording* active_ = nullptr;
};

}  // namespace tn::history
