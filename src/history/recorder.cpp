#include "history/recorder.h"

#include <QDateTime>
#include <optional>

#include "history/history.h"
#include "tags/safe_write.h"

namespace tn::history {

namespace {

struct Active {
  QByteArray folder;
  Run run;
  bool dirty = false;
};
std::optional<Active> g_run;

// The run's change for path, or nullptr when the file is not in its folder.
Change* begin_change(const QByteArray& path, const struct stat& before) {
  if (!g_run || folder_of(path) != g_run->folder) return nullptr;
  Change& c = g_run->run.changes.emplace_back();
  c.name_before = c.name_after = path.mid(path.lastIndexOf('/') + 1);
  c.before = identity_of(before);
  g_run->dirty = true;
  return &c;
}

void end_change(Change& c, const QByteArray& path) {
  struct stat st;
  if (::lstat(path.constData(), &st) == 0) c.after = identity_of(st);
}

}  // namespace

Recording::Recording(const QString& folder, const QString& command) {
  if (g_run) return;
  outer_ = true;
  g_run.emplace();
  g_run->folder = native_folder(folder);
  g_run->run.time = QDateTime::currentSecsSinceEpoch();
  g_run->run.command = command;
}

Recording::~Recording() {
  if (!outer_) return;
  store_now();
  g_run.reset();
}

void note_in_place(const QByteArray& path, const struct stat& before, int fd,
                   const std::vector<Patch>& patches) {
  Change* c = begin_change(path, before);
  if (!c) return;
  for (const Patch& p : patches) c->old_ranges.emplace_back(p.offset, p.old_bytes);
  struct stat st;
  if (::fstat(fd, &st) == 0) c->after = identity_of(st);
}

void note_replaced(const QByteArray& path, const struct stat& before, QByteArray old_head,
                   std::int64_t new_head, QByteArray old_tail, std::int64_t new_tail) {
  Change* c = begin_change(path, before);
  if (!c) return;
  c->rewritten = true;
  c->old_head = std::move(old_head);
  c->new_head = new_head;
  c->old_tail = std::move(old_tail);
  c->new_tail = new_tail;
  end_change(*c, path);
}

void note_rewrite(const QByteArray& path, const struct stat& before, int old_fd, std::int64_t old_head,
                  std::int64_t new_head, std::int64_t old_tail, std::int64_t new_tail) {
  if (!g_run || folder_of(path) != g_run->folder) return;
  QByteArray head(static_cast<qsizetype>(old_head), '\0'), tail(static_cast<qsizetype>(old_tail), '\0');
  if (!read_exact(old_fd, 0, head.data(), static_cast<std::size_t>(head.size())) ||
      !read_exact(old_fd, before.st_size - old_tail, tail.data(), static_cast<std::size_t>(tail.size())))
    return;  // cannot happen to a file just copied from; then it is not undone
  note_replaced(path, before, std::move(head), new_head, std::move(tail), new_tail);
}

void note_rename(const QByteArray& from, const QByteArray& to) {
  struct stat st;
  if (!g_run || folder_of(to) != g_run->folder || ::lstat(to.constData(), &st) != 0) return;
  Change* c = begin_change(to, st);
  if (!c) return;
  c->name_before = from.mid(from.lastIndexOf('/') + 1);
  c->after = c->before;
}

void forget(const QByteArray& path) {
  if (!g_run) return;
  const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
  auto& changes = g_run->run.changes;
  for (auto c = changes.rbegin(); c != changes.rend(); ++c)
    if (c->name_after == name && folder_of(path) == g_run->folder) {
      changes.erase(std::next(c).base());
      g_run->dirty = true;
      return;
    }
}

bool store_now() {
  if (!g_run || !g_run->dirty || g_run->run.changes.empty()) return true;
  g_run->dirty = false;
  return store_run(g_run->folder, g_run->run);
}

}  // namespace tn::history
