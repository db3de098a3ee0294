#include "history/recorder.h"

#include <QDateTime>
#include <fcntl.h>
#include <unistd.h>

#include "history/undo.h"
#include "durable/journal.h"
#include "durable/safe_write.h"
#include "tags/tag_library.h"

namespace tn::history {

Recording::Recording(const QString& folder, const QString& command)
    : folder_(native_folder(folder)), lock_(folder_) {
  run_.time = QDateTime::currentSecsSinceEpoch();
  run_.command = command;
  recover(folder_);
  usable_ = can_store(folder_);
}

Recording::~Recording() { make_durable(); }

Change* Recording::begin_change(const QByteArray& path, const struct stat& before) {
  if (folder_of(path) != folder_) return nullptr;
  Change& c = run_.changes.emplace_back();
  c.name_before = c.name_after = path.mid(path.lastIndexOf('/') + 1);
  c.before = identity_of(before);
  dirty_ = true;
  return &c;
}

void Recording::wrote_in_place(const QByteArray& path, const struct stat& before, int fd,
                               const std::vector<Patch>& patches) {
  Change* c = begin_change(path, before);
  if (!c) return;
  for (const Patch& p : patches) c->old_ranges.emplace_back(p.offset, p.old_bytes);
  struct stat st;
  if (::fstat(fd, &st) == 0) c->after = identity_of(st);
  c->after_print = print_of_file(fd);
}

void Recording::rewrote(const QByteArray& path, const struct stat& before, int old_fd, std::int64_t old_head,
                        std::int64_t new_head, std::int64_t old_tail, std::int64_t new_tail) {
  if (folder_of(path) != folder_) return;
  QByteArray head(static_cast<qsizetype>(old_head), '\0'), tail(static_cast<qsizetype>(old_tail), '\0');
  if (!read_exact(old_fd, 0, head.data(), static_cast<std::size_t>(head.size())) ||
      !read_exact(old_fd, before.st_size - old_tail, tail.data(), static_cast<std::size_t>(tail.size())))
    return;  // cannot happen to a file just copied from; then it is not undone
  Change* c = begin_change(path, before);
  c->rewritten = true;
  c->old_head = std::move(head);
  c->new_head = new_head;
  c->old_tail = std::move(tail);
  c->new_tail = new_tail;
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    c->after = identity_of(st);
    c->after_print = print_of_file(fd);
  }
  if (fd >= 0) ::close(fd);
}

void Recording::renamed(const QByteArray& from, const QByteArray& to) {
  struct stat st;
  Change* c = ::lstat(to.constData(), &st) == 0 ? begin_change(to, st) : nullptr;
  if (!c) return;
  c->name_before = from.mid(from.lastIndexOf('/') + 1);
  c->after = c->before;
  // A link renamed has no print of its own: its identity alone knows it.
  const int fd = ::open(to.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  c->before_print = c->after_print = print_of_file(fd);
  ::close(fd);
}

void Recording::taken_back(const QByteArray& path) {
  if (folder_of(path) != folder_) return;
  const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
  auto& changes = run_.changes;
  for (auto c = changes.rbegin(); c != changes.rend(); ++c)
    if (c->name_after == name) {
      changes.erase(std::next(c).base());
      dirty_ = true;
      return;
    }
}

bool Recording::announce_renames(const std::vector<std::pair<QByteArray, QByteArray>>& renames) {
  Run announced = run_;
  announced.complete = false;
  for (const auto& [from, to] : renames) {
    if (folder_of(from) != folder_) continue;
    const int fd = ::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0) continue;
    if (::fstat(fd, &st) == 0) {
      Change& c = announced.changes.emplace_back();
      c.name_before = from.mid(from.lastIndexOf('/') + 1);
      c.name_after = to.mid(to.lastIndexOf('/') + 1);
      c.before = c.after = identity_of(st);
      c.before_print = c.after_print = print_of_file(fd);
    }
    ::close(fd);
  }
  if (announced.changes.size() == run_.changes.size()) return true;
  if (!store_run(folder_, announced)) return false;
  run_.id = announced.id;
  announced_ = dirty_ = true;
  return true;
}

bool Recording::make_durable() {
  if (!dirty_) return true;
  if (run_.changes.empty()) {
    // Announced renames of which none was made.
    if (announced_ && run_.id != 0) remove_run(folder_, run_.id);
    announced_ = dirty_ = false;
    return true;
  }
  if (!store_run(folder_, run_)) return false;
  announced_ = dirty_ = false;
  return true;
}

CommandRun::CommandRun(TagLibrary& tags, const QString& folder, const QString& command)
    : tags_(tags), outer_(tags.change_observer()) {
  active_ = dynamic_cast<Recording*>(outer_);
  if (active_) return;
  active_ = &own_.emplace(folder, command);
  tags_.observe_changes(active_);
}

CommandRun::~CommandRun() {
  if (!own_) return;
  tags_.observe_changes(outer_);
  own_.reset();
}

}  // namespace tn::history
