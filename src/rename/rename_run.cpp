#include "rename/rename_run.h"

#include <QSet>
#include <optional>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "history/messages.h"
#include "history/recorder.h"
#include "rename/messages.h"
#include "posix/safe_rename.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn {

namespace {

const QString k_mp3 = QStringLiteral(".mp3");
// What FAT and exFAT (and NTFS) refuse in a name beside "/".
const QString k_fat_refused = QStringLiteral("\\:*?\"<>|");

// The folder as the run sees it: what kind of names it takes, which are taken.
struct Folder {
  QString path;
  bool fat_like = false;  // refuses k_fat_refused, ignores case
  long name_max = 255;
  QSet<QString> taken;  // every entry; folded to lower case where case is ignored

  QString key(const QString& name) const { return fat_like ? name.toLower() : name; }
};

Folder look_at(const QString& path) {
  Folder f;
  f.path = path;
  const QByteArray native = encode_file_name(path);
  struct statfs fs;
  if (::statfs(native.constData(), &fs) == 0) {
    const auto magic = static_cast<unsigned long>(fs.f_type);
    f.fat_like = magic == 0x4d44 || magic == 0x2011BAB0 || magic == 0x7366746e;
  }
  if (const long max = ::pathconf(native.constData(), _PC_NAME_MAX); max > 0) f.name_max = max;
  if (DIR* dir = ::opendir(native.constData())) {
    while (const dirent* e = ::readdir(dir)) f.taken.insert(f.key(decode_file_name(e->d_name)));
    ::closedir(dir);
  }
  return f;
}

// A name the file would vanish under: a dot-name is hidden by file managers
// and shells, and one of nothing but dots and blanks before ".mp3" (empty
// included) says nothing of the song.
bool hides_file(const QString& name) {
  const QString stem = name.chopped(k_mp3.size());
  return name.startsWith(QLatin1Char('.')) ||
         std::all_of(stem.begin(), stem.end(), [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); });
}

QString quoted(const QString& s) { return QStringLiteral("「") + s + QStringLiteral("」"); }

// The first character of name the folder's file system refuses, or -1.
qsizetype refused_character(const QString& name, const Folder& f) {
  const auto bad = std::find_if(name.begin(), name.end(), [&](QChar c) {
    return c == QLatin1Char('/') || c.isNull() ||
           (f.fat_like && (k_fat_refused.contains(c) || c.unicode() < 0x20));
  });
  return bad == name.end() ? -1 : bad - name.begin();
}

QString bad_character_reason(const QString& name, const Folder& f) {
  const qsizetype k = refused_character(name, f);
  // The file system refused one we do not know of: no character to name.
  const QString head = k < 0 ? msg::refused_character_unknown : quoted(name[k]) + msg::refused_character_head;
  return head + msg::refused_character_tail;
}

RenameRow refuse(RenameRow r, NameRefusal why, const Folder& f, int error = 0) {
  r.refusal = why;
  switch (why) {
    case NameRefusal::bad_character: r.reason = bad_character_reason(r.to, f); break;
    case NameRefusal::hides_file: r.reason = msg::refused_hidden; break;
    case NameRefusal::name_taken: r.reason = quoted(r.to) + msg::refused_taken_tail; break;
    case NameRefusal::too_long: r.reason = msg::refused_long_head + QString::number(f.name_max) + msg::refused_long_tail; break;
    case NameRefusal::folder_not_writable: r.reason = msg::refused_folder_head + quoted(f.path) + msg::refused_folder_tail; break;
    case NameRefusal::file_gone: r.reason = quoted(r.from) + msg::refused_gone_tail; break;
    case NameRefusal::other: r.reason = QString::fromLocal8Bit(std::strerror(error)); break;
    case NameRefusal::none: break;
  }
  if (why != NameRefusal::none) r.reason = QStringLiteral("（") + r.reason + QStringLiteral("）");
  return r;
}

// The checks a name meets before the file system is asked, the same in a
// dry run and a real one.
NameRefusal check_name(const RenameRow& r, const Folder& f) {
  if (refused_character(r.to, f) >= 0) return NameRefusal::bad_character;
  if (hides_file(r.to)) return NameRefusal::hides_file;
  if (encode_file_name(r.to).size() > f.name_max) return NameRefusal::too_long;
  return NameRefusal::none;
}

NameRefusal refusal_of_errno(int e) {
  switch (e) {
    case EEXIST: case ENOTEMPTY: case EISDIR: return NameRefusal::name_taken;
    case ENAMETOOLONG: return NameRefusal::too_long;
    case EINVAL: case EILSEQ: return NameRefusal::bad_character;
    case EACCES: case EPERM: case EROFS: return NameRefusal::folder_not_writable;
    case ENOENT: return NameRefusal::file_gone;
    default: return NameRefusal::other;
  }
}

// Row i's new name from its file-name cell: ".mp3" added unless it ends so
// in any case, as the listing takes it (an unchanged "x.MP3" keeps its name).
QString new_name(Context& cx, int i) {
  Grid& g = cx.ss1;
  g.set_row(i + 1);
  g.set_col(col::name);
  QString name = g.text();
  if (!name.endsWith(k_mp3, Qt::CaseInsensitive)) name += k_mp3;
  return name;
}

// One row, renamed or worked out against f.taken, which follows the run.
// recording is null in a dry run.
RenameRow rename_row(Context& cx, int i, Folder& f, history::Recording* recording) {
  const bool dry_run = recording == nullptr;
  RenameRow r;
  r.row = i + 1;
  r.from = cx.state.file(i);
  r.to = new_name(cx, i);
  if (r.to == r.from) {
    r.renamed = true;
    return r;
  }
  if (const NameRefusal why = check_name(r, f); why != NameRefusal::none) return refuse(r, why, f);
  const QString from_path = cx.state.path_of(i), to_path = f.path + r.to;
  const bool own_case_change = f.key(r.to) == f.key(r.from);
  if (dry_run) {
    if (f.taken.contains(f.key(r.to)) && !own_case_change) return refuse(r, NameRefusal::name_taken, f);
    if (!f.taken.contains(f.key(r.from))) return refuse(r, NameRefusal::file_gone, f);
  } else if (!rename_no_replace(from_path, to_path)) {
    const int e = errno;
    return refuse(r, refusal_of_errno(e), f, e);
  } else {
    recording->renamed(encode_file_name(from_path), encode_file_name(to_path));
  }
  f.taken.remove(f.key(r.from));
  f.taken.insert(f.key(r.to));
  r.renamed = true;
  return r;
}

// The renames a run will make, worked out as a dry run works them out, up
// to the first row it would refuse.
std::vector<std::pair<QByteArray, QByteArray>> planned_renames(Context& cx, Folder f) {
  std::vector<std::pair<QByteArray, QByteArray>> out;
  for (int i = 0; i < cx.state.file_count; ++i) {
    if (cx.state.file(i).isEmpty()) continue;
    const RenameRow r = rename_row(cx, i, f, nullptr);
    if (!r.renamed) break;
    if (r.to != r.from) out.emplace_back(encode_file_name(cx.state.path_of(i)), encode_file_name(f.path + r.to));
  }
  return out;
}

}  // namespace

QString RenameRun::refusal_text() const {
  if (!folder_refusal.isEmpty()) return folder_refusal;
  if (ok()) return {};
  return QString::number(rows.back().row) + msg::rename_failed_tail + rows.back().reason;
}

RenameRun run_renames(Context& cx, bool dry_run) {
  RenameRun run;
  Folder f = look_at(cx.state.edit_folder);
  // Named before any row is tried: no row's name is at fault.
  if (!folder_writable(f.path)) {
    run.folder_refusal = msg::rename_folder_refused_head + f.path + msg::rename_folder_refused_tail;
    return run;
  }
  std::optional<history::CommandRun> recorded;
  if (!dry_run) {
    recorded.emplace(cx.tags, cx.state.edit_folder, msg::run_rename);
    if (!recorded->recording().usable()) {
      run.folder_refusal =
          msg::history_unusable(msg::history_rename, history::place_of(recorded->recording().folder()));
      return run;
    }
  }
  history::Recording* recording = recorded ? &recorded->recording() : nullptr;
  if (recording && !recording->announce_renames(planned_renames(cx, f))) {
    run.folder_refusal = msg::history_unusable(msg::history_rename, history::place_of(recording->folder()));
    return run;
  }
  ProgressScope progress(cx, cx.state.file_count);
  for (int i = 0; i < cx.state.file_count; ++i) {
    progress.step(i);
    if (cx.state.file(i).isEmpty()) continue;
    run.rows.push_back(rename_row(cx, i, f, recording));
    if (!run.rows.back().renamed) break;
  }
  return run;
}

}  // namespace tn
