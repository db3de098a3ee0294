// The album write of 100 files of about 4 MB (ID3v2.3 with a 100 KB cover,
// an ID3v1 block), one run a process, for timing beside another build of
// the same source (farm-bench --vs) and for counting opens (strace).
//
//   tagnarabe_album_write prepare DIR   the folder of 100 files
//   tagnarabe_album_write read DIR      folder confirmation (the read) only
//   tagnarabe_album_write write DIR     the read, then the album of every file
//                                       set to the other of two texts
//
// Prints the CPU seconds of the read and of the write (this thread's).

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "mp3_fixture.h"
#include "scripted_dialogs.h"
#include "shell/folder_confirm.h"
#include "table/context.h"
#include "table/folder.h"
#include "table/memory_grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/tag_writers.h"
#include "tags/tag_library.h"

using namespace tn;

namespace {

constexpr int k_files = 100;
const QString k_albums[2] = {QStringLiteral("新しいアルバム甲"), QStringLiteral("新しいアルバム乙")};

double cpu_seconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class NullShell final : public Shell {
 public:
  void hide_startup() override {}
  void show_main() override {}
  void set_main_caption(const QString&) override {}
};

int prepare(const QString& dir) {
  if (!QDir().mkpath(dir)) return 1;
  const QByteArray audio = test::audio_frames(test::frames_for(4'000'000));
  for (int i = 0; i < k_files; ++i) {
    const QString n = QString::number(i + 1);
    test::Id3v2 tag = test::text_tag(3, test::Enc::utf16, QStringLiteral("曲名 その") + n,
                                     QStringLiteral("アーティスト ") + n, k_albums[0], 2048);
    test::add_extras(tag, 100 * 1024);
    test::Id3v1 v1;
    v1.title = "Track " + n.toLatin1();
    v1.artist = "Artist";
    v1.album = "Album";
    test::write_file(dir + QStringLiteral("/%1 トラック.mp3").arg(i + 1, 3, 10, QLatin1Char('0')),
                     test::id3v2_bytes(tag) + audio + test::id3v1_bytes(v1));
  }
  ::sync();
  return 0;
}

int run(const QString& dir, bool write) {
  const auto lib = make_taglib_library();
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs d;
  d.yes();
  NullShell shell;
  Context cx{state, grid, d, *lib};
  const double t0 = cpu_seconds();
  if (!confirm_folder(cx, shell, dir, QStringLiteral("/"), list_mp3_files(dir))) return 2;
  const double t1 = cpu_seconds();
  std::printf("read %.6f\n", t1 - t0);
  if (!write) return 0;
  const QString next = grid.cell_text(col::album, 1) == k_albums[0] ? k_albums[1] : k_albums[0];
  for (int r = 1; r <= state.file_count; ++r) {
    grid.set_row(r);
    grid.set_col(col::album);
    grid.set_text(next);
  }
  const double t2 = cpu_seconds();
  const std::vector<int> failed = tag_write_album(cx);
  const double t3 = cpu_seconds();
  std::printf("write %.6f\n", t3 - t2);
  return failed.empty() ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s prepare|read|write DIR\n", argv[0]);
    return 64;
  }
  const QString mode = QString::fromLocal8Bit(argv[1]);
  const QString dir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
  if (mode == QLatin1String("prepare")) return prepare(dir);
  return run(dir, mode == QLatin1String("write"));
}
