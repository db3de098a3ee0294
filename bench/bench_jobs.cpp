// Benchmarks of the whole jobs on generated folders of 100 real MP3 files of
// about 4 MB each (ID3v2.3 tags, a 100 KB cover picture, an ID3v1 tag), each
// beside the plain file-system work it cannot avoid, so that every job's time
// reads as a multiple of what the disk and the kernel need anyway.
//
//   tagnarabe_bench [--benchmark_filter=…]        (scripts/bench builds and runs it)
//
// Environment: TAGNARABE_BENCH_REPS (repetitions, default 5),
// TAGNARABE_BENCH_DIR (where the folders go, default the temporary folder),
// TAGNARABE_BENCH_ITERATION_SCALE (iterations multiplied, for profiling).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <QXmlStreamReader>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/form1.h"
#include "app/form2.h"
#include "import/import.h"
#include "import/messages.h"
#include "mp3_fixture.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "table/folder.h"
#include "shell/folder_confirm.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"
#include "xls_writer.h"
#include "zip_writer.h"

extern char** environ;

namespace tn::bench {

namespace {

using Clock = std::chrono::steady_clock;
using test::Enc;

constexpr int k_files = 100;
constexpr qint64 k_audio_bytes = 4'000'000;
constexpr int k_picture_bytes = 100 * 1024;
constexpr int k_header_bytes = 64 * 1024;
constexpr int k_block_bytes = 4096;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double thread_cpu_seconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Wall time of the timed part of an iteration, and the CPU time this thread
// spent in it: on a shared machine the CPU time is the steadier of the two.
class Stopwatch {
 public:
  void start() {
    cpu0_ = thread_cpu_seconds();
    t0_ = Clock::now();
  }
  void stop() {
    last_ = seconds(Clock::now() - t0_);
    cpu_ += thread_cpu_seconds() - cpu0_;
  }
  void add_cpu(double s) { cpu_ += s; }
  double last() const { return last_; }
  // The counter cpu_ms: CPU milliseconds per iteration.
  void report(benchmark::State& st) const {
    st.counters["cpu_ms"] = benchmark::Counter(cpu_ * 1e3, benchmark::Counter::kAvgIterations);
  }

 private:
  Clock::time_point t0_;
  double cpu0_ = 0, cpu_ = 0, last_ = 0;
};

// Iterations of every benchmark multiplied, for profiling one job.
int iteration_scale() {
  const int s = qEnvironmentVariableIntValue("TAGNARABE_BENCH_ITERATION_SCALE");
  return s > 0 ? s : 1;
}

int repetitions() {
  const int r = qEnvironmentVariableIntValue("TAGNARABE_BENCH_REPS");
  return r > 0 ? r : 5;
}

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "tagnarabe_bench: %s\n", what.c_str());
  std::exit(1);
}

// --- the generated folders ---------------------------------------------------

const QByteArray& audio() {
  static const QByteArray a = test::audio_frames(test::frames_for(k_audio_bytes));
  return a;
}

// A tagged file as collections hold them: text frames in UTF-16, the usual
// extra frames, a cover picture, room to grow, and an ID3v1 tag behind.
QByteArray tagged_file(int i, int picture_bytes = k_picture_bytes) {
  const QString n = QString::number(i + 1);
  test::Id3v2 tag = test::text_tag(3, Enc::utf16, QStringLiteral("曲名 その") + n,
                                   QStringLiteral("アーティスト ") + n,
                                   QStringLiteral("アルバム　ベンチマーク"), 2048);
  test::add_extras(tag, picture_bytes);
  test::Id3v1 v1;
  v1.title = "Track " + n.toLatin1();
  v1.artist = "Artist";
  v1.album = "Album";
  return test::id3v2_bytes(tag) + audio() + test::id3v1_bytes(v1);
}

struct Folder {
  QString path;  // no trailing "/"
  QStringList names;
  QString file(int i) const { return path + QLatin1Char('/') + names[i]; }
};

QString file_name(const QString& prefix, int i) {
  return prefix + QStringLiteral("%1 トラック.mp3").arg(i + 1, 3, 10, QLatin1Char('0'));
}

// Flushes what we wrote, so that the disk is idle when the clock starts.
void settle(const QString& dir) {
  const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::syncfs(fd);
    ::close(fd);
  }
}

class Folders {
 public:
  Folders() {
    const QString base = qEnvironmentVariable("TAGNARABE_BENCH_DIR", QDir::tempPath());
    root_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tagnarabe-bench-XXXXXX"));
    if (!root_->isValid()) die("can't create a folder under " + base.toStdString());
  }

  // Tagged files that the jobs only read.
  const Folder& read() { return tagged(read_, QStringLiteral("read")); }
  // Tagged files whose tags are rewritten in place.
  const Folder& in_place() { return tagged(in_place_, QStringLiteral("in_place")); }
  // Tagged files whose album is set in place, by us and by mid3v2: without
  // a cover picture, and with one of 2 MB.
  const Folder& album(bool cover) {
    return cover ? tagged(album_cover_, QStringLiteral("album_cover"), {}, 2 << 20)
                 : tagged(album_plain_, QStringLiteral("album_plain"), {}, 0);
  }
  // Tagged files that are renamed back and forth.
  const Folder& rename() { return tagged(rename_, QStringLiteral("rename"), QStringLiteral("A ")); }
  // Untagged files, written anew before every run: the first write rewrites them all.
  const Folder& untagged_fresh() {
    Folder& f = untagged_;
    if (f.path.isEmpty()) f = make_folder(QStringLiteral("untagged"), {});
    for (const QString& name : f.names) test::write_file(f.path + QLatin1Char('/') + name, audio());
    settle(f.path);
    return f;
  }
  // The folder the program is started in: a few short files.
  QString start_folder() {
    if (start_.path.isEmpty()) {
      start_ = make_folder(QStringLiteral("start"), {});
      for (int i = 0; i < 5; ++i) {
        test::Mp3Spec s;
        s.v2 = test::text_tag(3, Enc::utf16, QStringLiteral("曲"), QString(), QString(), 256);
        test::make_mp3(start_.path, file_name({}, i), s);
      }
    }
    return start_.path;
  }
  QString path(const QString& name) const { return root_->filePath(name); }

 private:
  const Folder& tagged(Folder& f, const QString& name, const QString& prefix = {},
                       int picture_bytes = k_picture_bytes) {
    if (f.path.isEmpty()) {
      f = make_folder(name, prefix);
      for (int i = 0; i < k_files; ++i) test::write_file(f.file(i), tagged_file(i, picture_bytes));
      settle(f.path);
    }
    return f;
  }
  Folder make_folder(const QString& name, const QString& prefix) {
    Folder f;
    f.path = root_->filePath(name);
    if (!QDir().mkpath(f.path)) die("can't create " + f.path.toStdString());
    for (int i = 0; i < k_files; ++i) f.names << file_name(prefix, i);
    return f;
  }

  std::unique_ptr<QTemporaryDir> root_;
  Folder read_, in_place_, rename_, untagged_, start_, album_plain_, album_cover_;
};

Folders& folders() {
  static Folders f;
  return f;
}

// --- what the kernel tells about us --------------------------------------------

struct Io {
  long long rchar = 0, syscr = 0, wchar = 0;
};

Io read_io(const char* file = "/proc/self/io") {
  std::ifstream in(file);
  Io io;
  std::string key;
  long long value;
  while (in >> key >> value) {
    if (key == "rchar:") io.rchar = value;
    if (key == "syscr:") io.syscr = value;
    if (key == "wchar:") io.wchar = value;
  }
  return io;
}

// Reads what a job read per file into the counters bytes_read/file, reads/file.
class IoMeter {
 public:
  void start() { before_ = read_io(); }
  void stop() {
    const Io after = read_io();
    bytes_ += after.rchar - before_.rchar;
    calls_ += after.syscr - before_.syscr;
  }
  void report(benchmark::State& st) const {
    const double runs = static_cast<double>(st.iterations()) * k_files;
    if (runs <= 0) return;
    st.counters["bytes_read/file"] = static_cast<double>(bytes_) / runs;
    st.counters["reads/file"] = static_cast<double>(calls_) / runs;
  }

 private:
  Io before_;
  long long bytes_ = 0, calls_ = 0;
};

long status_kb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string k = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.rfind(k, 0) == 0) return std::atol(line.c_str() + k.size());
  return -1;
}

std::vector<ino_t> inodes(const Folder& f) {
  std::vector<ino_t> out;
  for (int i = 0; i < k_files; ++i) {
    struct stat st {};
    ::stat(QFile::encodeName(f.file(i)).constData(), &st);
    out.push_back(st.st_ino);
  }
  return out;
}

int count_changed(const std::vector<ino_t>& a, const std::vector<ino_t>& b) {
  int n = 0;
  for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

// --- other processes ------------------------------------------------------------

struct ChildTimes {
  double wall = 0, cpu = 0;  // seconds; cpu: user + system
};

// Runs args[0] with args (env: the environment, or ours), in folder cwd if
// given, output to /dev/null (and stderr too with quiet), and waits for it.
// nullopt unless it started and ended with status 0.
std::optional<ChildTimes> run_child(std::vector<std::string> args, std::vector<std::string>* env = nullptr,
                                    const QString& cwd = {}, bool quiet = false) {
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (env) {
    for (std::string& e : *env) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const QByteArray dir = QFile::encodeName(cwd);
  if (!cwd.isEmpty()) posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const auto t0 = Clock::now();
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  int status = 0;
  struct rusage ru {};
  if (::wait4(pid, &status, 0, &ru) != pid) return std::nullopt;
  const auto t1 = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  auto secs = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec * 1e-6; };
  return ChildTimes{seconds(t1 - t0), secs(ru.ru_utime) + secs(ru.ru_stime)};
}

// --- plain file-system work: the references --------------------------------------

int open_or_die(const QString& path, int flags) {
  const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600);
  if (fd < 0) die("can't open " + path.toStdString());
  return fd;
}

// The start and the end of every file, as a tag reader needs at the least.
void read_headers(const Folder& f) {
  static std::vector<char> buf(k_header_bytes);
  for (int i = 0; i < k_files; ++i) {
    const int fd = open_or_die(f.file(i), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    benchmark::DoNotOptimize(::pread(fd, buf.data(), k_header_bytes, 0));
    benchmark::DoNotOptimize(::pread(fd, buf.data(), 128, st.st_size - 128));
    ::close(fd);
  }
}

// The whole ID3v2 tag and the last 128 bytes of every file: what a reader
// that parses the tag (as TagLib does) cannot do without.
void read_tag_regions(const Folder& f) {
  static std::vector<char> buf;
  for (int i = 0; i < k_files; ++i) {
    const int fd = open_or_die(f.file(i), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    unsigned char h[10];
    std::size_t size = 0;
    if (::pread(fd, h, sizeof h, 0) == 10 && std::memcmp(h, "ID3", 3) == 0)
      size = 10 + (std::size_t(h[6] & 0x7F) << 21 | std::size_t(h[7] & 0x7F) << 14 |
                   std::size_t(h[8] & 0x7F) << 7 | std::size_t(h[9] & 0x7F));
    buf.resize(std::max<std::size_t>(size, 128));
    if (size) benchmark::DoNotOptimize(::pread(fd, buf.data(), size, 0));
    benchmark::DoNotOptimize(::pread(fd, buf.data(), 128, st.st_size - 128));
    ::close(fd);
  }
}

// A read reference over the reading folder, timed with its bytes counted.
void measure_reads(benchmark::State& st, void (*read)(const Folder&)) {
  Stopwatch sw;
  const Folder& f = folders().read();
  IoMeter io;
  for (auto _ : st) {
    io.start();
    sw.start();
    read(f);
    sw.stop();
    io.stop();
    st.SetIterationTime(sw.last());
  }
  io.report(st);
  sw.report(st);
}

void BM_ref_tag_read(benchmark::State& st) { measure_reads(st, read_tag_regions); }
void BM_ref_header_read(benchmark::State& st) { measure_reads(st, read_headers); }

// 4 KB written at the start of every file and flushed, as a tag written in
// place is. The bytes written are the ones that are there.
void BM_ref_write_4k(benchmark::State& st) {
  Stopwatch sw;
  const Folder& f = folders().in_place();
  std::vector<std::vector<char>> blocks(k_files, std::vector<char>(k_block_bytes));
  for (auto _ : st) {
    for (int i = 0; i < k_files; ++i) {
      const int fd = open_or_die(f.file(i), O_RDONLY);
      if (::pread(fd, blocks[i].data(), k_block_bytes, 0) != k_block_bytes) die("short read");
      ::close(fd);
    }
    sw.start();
    for (int i = 0; i < k_files; ++i) {
      const int fd = open_or_die(f.file(i), O_WRONLY);
      if (::pwrite(fd, blocks[i].data(), k_block_bytes, 0) != k_block_bytes) die("short write");
      if (::fsync(fd) != 0) die("fsync failed");
      ::close(fd);
    }
    sw.stop();
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

// Every file copied to a new file beside it, flushed, and renamed over the old
// one, the folder flushed: the durable replacement a rewrite needs at the least.
void BM_ref_copy(benchmark::State& st) {
  Stopwatch sw;
  std::vector<char> buf(256 * 1024);
  for (auto _ : st) {
    const Folder& f = folders().untagged_fresh();
    const int dir = open_or_die(f.path, O_RDONLY | O_DIRECTORY);
    sw.start();
    for (int i = 0; i < k_files; ++i) {
      const QString tmp = f.path + QStringLiteral("/.copy.tmp");
      const int in = open_or_die(f.file(i), O_RDONLY);
      const int out = open_or_die(tmp, O_WRONLY | O_CREAT | O_TRUNC);
      for (;;) {
        const ssize_t r = ::read(in, buf.data(), buf.size());
        if (r < 0) die("read failed");
        if (r == 0) break;
        if (::write(out, buf.data(), static_cast<size_t>(r)) != r) die("write failed");
      }
      if (::fsync(out) != 0) die("fsync failed");
      ::close(out);
      ::close(in);
      if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(f.file(i)).constData()) != 0)
        die("rename failed");
      ::fsync(dir);
    }
    sw.stop();
    st.SetIterationTime(sw.last());
    ::close(dir);
  }
  sw.report(st);
}

// rename(2) of every file, then the start and end of every file read again.
void BM_ref_rename(benchmark::State& st) {
  Stopwatch sw;
  const Folder& f0 = folders().rename();
  Folder f = f0;
  for (auto _ : st) {
    // Whatever the names are now (the job renames them too), rename to the other prefix.
    const QStringList now = list_mp3_files(f0.path);
    if (now.size() != k_files) die("rename folder lost files");
    Folder to = f0;
    to.names.clear();
    for (const QString& n : now) {
      QString m = n;
      m[0] = n[0] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
      to.names << m;
    }
    f.names = now;
    sw.start();
    for (int i = 0; i < k_files; ++i)
      if (::rename(QFile::encodeName(f.file(i)).constData(), QFile::encodeName(to.file(i)).constData()) != 0)
        die("rename failed");
    read_headers(to);
    sw.stop();
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

QString xls_path() {
  static const QString path = [] {
    test::XlsBook book;
    test::XlsSheet& s = book.add(QStringLiteral("Sheet1"));
    QStringList orders, titles, albums, artists;
    for (int i = 1; i <= k_files; ++i) {
      orders << QString::number(i);
      titles << QStringLiteral("読み込んだ曲名 その%1").arg(i);
      albums << QStringLiteral("読み込んだアルバム");
      artists << QStringLiteral("読み込んだアーティスト %1").arg(i % 7);
    }
    s.column('A', orders).column('B', titles).column('C', albums).column('D', artists);
    const QString p = folders().path(QStringLiteral("import.xls"));
    book.save(p);
    return p;
  }();
  return path;
}

// The same rows as Excel stores them in .xlsx: its parts.
const std::vector<test::ZipPart>& xlsx_parts() {
  static const std::vector<test::ZipPart> parts = [] {
    std::vector<std::vector<QString>> rows;
    for (int i = 1; i <= k_files; ++i)
      rows.push_back({QString::number(i), QStringLiteral("読み込んだ曲名 その%1").arg(i),
                      QStringLiteral("読み込んだアルバム"), QStringLiteral("読み込んだアーティスト %1").arg(i % 7)});
    return test::xlsx_shared_parts(rows);
  }();
  return parts;
}

QString xlsx_path() {
  static const QString path = [] {
    const QString p = folders().path(QStringLiteral("import.xlsx"));
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(test::zip_bytes(xlsx_parts())) < 0)
      die("cannot write " + p.toStdString());
    return p;
  }();
  return path;
}

// QXmlStreamReader alone reading every token of the XML parts the .xlsx
// import reads (all but the content types), already inflated: the floor
// under any import through it.
void BM_ref_tokenise_xlsx(benchmark::State& st) {
  Stopwatch sw;
  std::vector<QByteArray> xml;
  for (const test::ZipPart& part : xlsx_parts())
    if (part.name != u"[Content_Types].xml") xml.push_back(part.data);
  qint64 tokens = 0;
  for (auto _ : st) {
    sw.start();
    for (const QByteArray& data : xml) {
      QXmlStreamReader reader(data);
      while (!reader.atEnd()) {
        reader.readNext();
        ++tokens;
      }
    }
    sw.stop();
    st.SetIterationTime(sw.last());
  }
  benchmark::DoNotOptimize(tokens);
  sw.report(st);
}

void BM_ref_read_xls(benchmark::State& st) {
  Stopwatch sw;
  const QString path = xls_path();
  std::vector<char> buf(64 * 1024);
  for (auto _ : st) {
    sw.start();
    const int fd = open_or_die(path, O_RDONLY);
    while (::read(fd, buf.data(), buf.size()) > 0) {
    }
    ::close(fd);
    sw.stop();
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

// --- the jobs ----------------------------------------------------------------------

class NullShell final : public Shell {
 public:
  void hide_startup() override {}
  void show_main() override {}
  void set_main_caption(const QString&) override {}
};

// The main window shown as the start-up form shows it.
class WindowShell final : public Shell {
 public:
  explicit WindowShell(QWidget& main) : main_(main) {}
  void hide_startup() override {}
  void show_main() override { main_.show(); }
  void set_main_caption(const QString& caption) override { main_.setWindowTitle(caption); }

 private:
  QWidget& main_;
};

class NullImportHost final : public ImportHost {
 public:
  void show_import_dialog() override {}
  void close_import_dialog() override {}
};

class PaintCounter final : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Fails the benchmark when a job showed a notice it should not have.
bool expect_notices(benchmark::State& st, const ScriptedDialogs& d, const QStringList& expected) {
  if (d.notices() == expected) return true;
  st.SkipWithError(("unexpected notices: " + d.notices().join(QStringLiteral(" | ")).toStdString()).c_str());
  return false;
}

bool confirm(Context& cx, Shell& shell, const Folder& f) {
  const QStringList listing = list_mp3_files(f.path);
  return confirm_folder(cx, shell, f.path, QStringLiteral("/"), listing);
}

// Folder confirmation to a filled table on the in-memory grid.
void BM_fill_memory_grid(benchmark::State& st) {
  Stopwatch sw;
  const Folder& f = folders().read();
  const auto lib = make_taglib_library();
  IoMeter io;
  for (auto _ : st) {
    TrackState state;
    MemoryGrid grid;
    ScriptedDialogs d;
    d.yes();
    NullShell shell;
    Context cx{state, grid, d, *lib};
    io.start();
    sw.start();
    const bool ok = confirm(cx, shell, f);
    sw.stop();
    io.stop();
    if (!ok || state.file_count != k_files || grid.cell_text(col::artist, k_files).isEmpty()) {
      st.SkipWithError("the table was not filled");
      break;
    }
    if (!expect_notices(st, d, {})) break;
    st.SetIterationTime(sw.last());
  }
  io.report(st);
  sw.report(st);
}

// The same on the main window's table, the window shown and painted.
void BM_fill_qt_grid(benchmark::State& st) {
  Stopwatch sw;
  const Folder& f = folders().read();
  const auto lib = make_taglib_library();
  for (auto _ : st) {
    TrackState state;
    ScriptedDialogs d;
    d.yes();
    auto form1 = std::make_unique<Form1>(state, d, *lib);
    PaintCounter counter;
    form1->ss1()->viewport()->installEventFilter(&counter);
    WindowShell shell(*form1);
    QCoreApplication::processEvents();
    sw.start();
    const bool ok = confirm(form1->context(), shell, f);
    // Until the window has painted: what the user waits for.
    QCoreApplication::processEvents();
    sw.stop();
    const bool filled = ok && form1->grid().cell_text(col::artist, k_files).size() > 0;
    form1.reset();
    QCoreApplication::processEvents();
    if (!filled || counter.paints == 0) {
      st.SkipWithError(filled ? "the table was not painted" : "the table was not filled");
      break;
    }
    if (!expect_notices(st, d, {})) break;
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

void set_tag_cells(Grid& g, int variant) {
  const QString v = variant % 2 ? QStringLiteral("乙") : QStringLiteral("甲");
  for (int r = 1; r <= k_files; ++r) {
    g.set_row(r);
    g.set_col(col::title);
    g.set_text(QStringLiteral("書いた曲名%1 その%2").arg(v).arg(r));
    g.set_col(col::album);
    g.set_text(QStringLiteral("書いたアルバム") + v);
    g.set_col(col::artist);
    g.set_text(QStringLiteral("書いたアーティスト") + v);
  }
}

// A writer over files whose new tags fit the old ones' space, the cells set
// anew for every run: time, bytes read and written per file (the journal
// included), and files rewritten, which should stay 0: a tag that fits is
// never written by replacing the file.
void measure_in_place(benchmark::State& st, const Folder& f, void (*set_cells)(Grid&, int),
                      std::vector<int> (*writer)(Context&)) {
  Stopwatch sw;
  const auto lib = make_taglib_library();
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs d;
  d.yes();
  NullShell shell;
  Context cx{state, grid, d, *lib};
  if (!confirm(cx, shell, f)) return st.SkipWithError("the folder was not confirmed");
  int variant = 0, rewritten = 0;
  long long read = 0, written = 0, faults = 0;
  auto minor_faults = [] {
    struct rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    return static_cast<long long>(ru.ru_minflt);
  };
  for (auto _ : st) {
    set_cells(grid, ++variant);
    const auto before = inodes(f);
    const Io io0 = read_io();
    const long long faults0 = minor_faults();
    sw.start();
    const std::vector<int> failed = writer(cx);
    sw.stop();
    faults += minor_faults() - faults0;
    const Io io1 = read_io();
    read += io1.rchar - io0.rchar;
    written += io1.wchar - io0.wchar;
    rewritten += count_changed(before, inodes(f));
    if (!failed.empty() || !expect_notices(st, d, {})) {
      st.SkipWithError("a file was not written");
      break;
    }
    st.SetIterationTime(sw.last());
  }
  const double runs = static_cast<double>(st.iterations()) * k_files;
  st.counters["bytes_read/file"] = static_cast<double>(read) / runs;
  st.counters["bytes_written/file"] = static_cast<double>(written) / runs;
  st.counters["page_faults/file"] = static_cast<double>(faults) / runs;
  st.counters["files_rewritten"] = benchmark::Counter(rewritten, benchmark::Counter::kAvgIterations);
  sw.report(st);
}

void BM_write_in_place(benchmark::State& st) {
  measure_in_place(st, folders().in_place(), set_tag_cells, tag_write_all);
}

// tag_write_all on files without tags: every file grows and is rewritten.
void BM_write_rewrite(benchmark::State& st) {
  Stopwatch sw;
  const auto lib = make_taglib_library();
  int rewritten = 0;
  for (auto _ : st) {
    const Folder& f = folders().untagged_fresh();
    TrackState state;
    MemoryGrid grid;
    ScriptedDialogs d;
    d.yes();
    NullShell shell;
    Context cx{state, grid, d, *lib};
    if (!confirm(cx, shell, f)) {
      st.SkipWithError("the folder was not confirmed");
      break;
    }
    set_tag_cells(grid, 0);
    const auto before = inodes(f);
    sw.start();
    const std::vector<int> failed = tag_write_all(cx);
    sw.stop();
    rewritten += count_changed(before, inodes(f));
    if (!failed.empty() || !expect_notices(st, d, {})) {
      st.SkipWithError("a file was not written");
      break;
    }
    st.SetIterationTime(sw.last());
  }
  st.counters["files_rewritten"] = benchmark::Counter(rewritten, benchmark::Counter::kAvgIterations);
  sw.report(st);
}

// The album of all 100 files set in place, alternately to one of two texts
// of the same length: by tag_write_album (journal and flushes included), and
// by mid3v2 (Debian's python3-mutagen), one process for the 100 files, which
// flushes nothing. Bytes read and written per file from /proc/<pid>/io.
const QString k_albums[2] = {QStringLiteral("新しいアルバム甲"), QStringLiteral("新しいアルバム乙")};

void set_album_cells(Grid& g, int variant) {
  g.set_col(col::album);
  for (int r = 1; r <= k_files; ++r) {
    g.set_row(r);
    g.set_text(k_albums[variant % 2]);
  }
}

void BM_album_ours(benchmark::State& st, bool cover) {
  measure_in_place(st, folders().album(cover), set_album_cells, tag_write_album);
  // What the write history keeps of the last run, per file written.
  const QFileInfoList runs = QDir(folders().album(cover).path + QStringLiteral("/.tagnarabe-history"))
                                 .entryInfoList(QDir::Files, QDir::Name);
  if (!runs.isEmpty()) st.counters["history_bytes/file"] = static_cast<double>(runs.last().size()) / k_files;
}

void BM_album_mid3v2(benchmark::State& st, bool cover) {
  const Folder& f = folders().album(cover);
  const QString io_file = folders().path(QStringLiteral("mid3v2.io"));
  // mid3v2 run as it is, with its /proc/self/io saved when it ends.
  const std::string code =
      "import runpy, sys\nio = sys.argv[1]\nsys.argv = sys.argv[2:]\n"
      "try:\n    runpy.run_path('/usr/bin/mid3v2', run_name='__main__')\n"
      "finally:\n    open(io, 'w').write(open('/proc/self/io').read())\n";
  int variant = 0;
  long long read = 0, written = 0;
  double cpu = 0;
  for (auto _ : st) {
    ++variant;
    std::vector<std::string> args{"/usr/bin/python3", "-c", code, QFile::encodeName(io_file).toStdString(),
                                  "mid3v2", ("--album=" + k_albums[variant % 2]).toStdString()};
    for (int i = 0; i < k_files; ++i) args.push_back(QFile::encodeName(f.file(i)).toStdString());
    const auto t = run_child(args);
    if (!t) return st.SkipWithError("mid3v2 failed (apt-get install python3-mutagen)");
    cpu += t->cpu;
    st.SetIterationTime(t->wall);
    const Io io = read_io(QFile::encodeName(io_file).constData());
    read += io.rchar;
    written += io.wchar;
  }
  const double runs = static_cast<double>(st.iterations());
  st.counters["cpu_ms"] = cpu * 1000 / runs;
  st.counters["bytes_read/file"] = static_cast<double>(read) / (runs * k_files);
  st.counters["bytes_written/file"] = static_cast<double>(written) / (runs * k_files);
}

// cmd_re_name: 100 renames, then the table listed, filled and read again.
void BM_rename(benchmark::State& st) {
  Stopwatch sw;
  const Folder& f = folders().rename();
  const auto lib = make_taglib_library();
  for (auto _ : st) {
    TrackState state;
    MemoryGrid grid;
    ScriptedDialogs d;
    d.yes().yes();
    NullShell shell;
    Context cx{state, grid, d, *lib};
    if (!confirm(cx, shell, f)) {
      st.SkipWithError("the folder was not confirmed");
      break;
    }
    for (int r = 1; r <= k_files; ++r) {
      QString name = state.file(r - 1);
      name[0] = name[0] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
      grid.set_row(r);
      grid.set_col(col::name);
      grid.set_text(name);
    }
    sw.start();
    cmd_re_name(cx);
    sw.stop();
    if (!expect_notices(st, d, {msg::rename_done})) break;
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

// The import of order, title, album and artist for 100 rows from a file.
void BM_import(benchmark::State& st, const QString& path) {
  Stopwatch sw;
  const auto lib = make_taglib_library();
  TrackState state;
  state.edit_folder = folders().path(QString()) + QLatin1Char('/');
  state.file_count = k_files;
  MemoryGrid grid;
  grid.set_max_rows(k_files);
  for (auto _ : st) {
    ScriptedDialogs d;
    d.yes();  // the sheet is "Sheet1"
    Context cx{state, grid, d, *lib};
    ImportState is;
    is.file_name = path;
    is.format = 3;
    NullImportHost host;
    sw.start();
    cmd_excel_read(cx, is, host);
    sw.stop();
    if (!expect_notices(st, d, {import_msg::done})) break;
    if (grid.cell_text(col::artist, k_files).isEmpty()) {
      st.SkipWithError("the table was not filled");
      break;
    }
    st.SetIterationTime(sw.last());
  }
  sw.report(st);
}

// --- program start ------------------------------------------------------------------

// Starts program in folder cwd under the shown probe and waits for it to end;
// the probe ends it once the window of class window_class has painted.
std::optional<ChildTimes> time_to_shown(const std::string& program, const QString& cwd,
                                    const char* window_class) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string s = *e;
    if (s.rfind("QT_QPA_PLATFORM=", 0) == 0 || s.rfind("LD_PRELOAD=", 0) == 0 ||
        s.rfind("TAGNARABE_PROBE_WINDOW=", 0) == 0)
      continue;
    env.push_back(s);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back(std::string("LD_PRELOAD=") + TAGNARABE_SHOWN_PROBE);
  env.push_back(std::string("TAGNARABE_PROBE_WINDOW=") + window_class);
  return run_child({program}, &env, cwd, true);
}

void BM_startup(benchmark::State& st, std::string program, const char* window_class) {
  const QString cwd = folders().start_folder();
  Stopwatch sw;
  for (auto _ : st) {
    const auto t = time_to_shown(program, cwd, window_class);
    if (!t) {
      st.SkipWithError(("no window shown by " + program).c_str());
      break;
    }
    st.SetIterationTime(t->wall);
    sw.add_cpu(t->cpu);
  }
  sw.report(st);
}

// --- the command line beside other tag tools ----------------------------------------

// The tags of the reading folder's 100 files printed by a whole process:
// tagnarabe-cli list, and its peers mid3v2 --list (python3-mutagen) and
// kid3-cli -c get, each given the 100 files at once.
std::vector<std::string> file_args(const Folder& f) {
  std::vector<std::string> out;
  for (int i = 0; i < k_files; ++i) out.push_back(QFile::encodeName(f.file(i)).toStdString());
  return out;
}

void BM_list_process(benchmark::State& st, std::vector<std::string> command, bool with_files,
                     const char* missing) {
  const Folder& f = folders().read();
  if (with_files) {
    const auto files = file_args(f);
    command.insert(command.end(), files.begin(), files.end());
  } else {
    command.push_back(QFile::encodeName(f.path).toStdString());
  }
  Stopwatch sw;
  for (auto _ : st) {
    const auto t = run_child(command);
    if (!t) return st.SkipWithError(missing);
    st.SetIterationTime(t->wall);
    sw.add_cpu(t->cpu);
  }
  sw.report(st);
}

// --- peak memory with 100 files loaded, in a process of its own -----------------------

// The child: the program's two windows, the start-up form's confirmation of
// the folder, then the peak resident size.
int peak_memory_child(const QString& folder) {
  const auto lib = make_taglib_library();
  TrackState state;
  ScriptedDialogs d;
  d.yes();
  Form1 form1(state, d, *lib);
  Form2 form2(form1, folder);
  form1.set_startup_form(&form2);
  form2.show();
  QCoreApplication::processEvents();
  const long started = status_kb("VmHWM");
  form2.cmd_set_click();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  const long loaded = status_kb("VmHWM");
  const bool filled = state.file_count == k_files && d.notices().isEmpty() &&
                      !form1.grid().cell_text(col::artist, k_files).isEmpty();
  std::printf("%ld %ld %d\n", started, loaded, filled ? 1 : 0);
  return 0;
}

struct PeakMemory {
  long started_kb = -1, loaded_kb = -1;
  bool filled = false;
};

PeakMemory measure_peak_memory() {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QStringLiteral("/proc/self/exe"),
          {QStringLiteral("--peak-memory-child"), folders().read().path});
  PeakMemory m;
  if (!p.waitForFinished(60000)) return m;
  std::istringstream in(p.readAllStandardOutput().toStdString());
  int filled = 0;
  in >> m.started_kb >> m.loaded_kb >> filled;
  m.filled = filled == 1;
  return m;
}

// --- the report -------------------------------------------------------------------------

struct Result {
  double ms = 0;
  std::map<std::string, double> counters;
};

// The console report, and the medians kept for the summary.
class Collector final : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, Result> medians, singles;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (!median && r.run_type != Run::RT_Iteration) continue;
      Result res;
      res.ms = r.GetAdjustedRealTime();
      for (const auto& [k, c] : r.counters) res.counters[k] = c.value;
      (median ? medians : singles)[r.run_name.function_name] = res;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  const Result* find(const std::string& name) const {
    if (auto it = medians.find(name); it != medians.end()) return &it->second;
    if (auto it = singles.find(name); it != singles.end()) return &it->second;
    return nullptr;
  }
};

struct Row {
  const char* job;
  const char* name;
  const char* ref;
  double max_ratio;  // 0: no target on the ratio
  double max_ms;     // 0: no target on the time
};

const Row k_rows[] = {
    {"Folder confirmed, table filled (in-memory grid)", "fill_table/memory_grid", "ref/header_read", 3, 0},
    {"Folder confirmed, table filled (in-memory grid), beside the whole tag read", "fill_table/memory_grid", "ref/tag_read", 0, 0},
    {"Folder confirmed, table filled and painted (Qt grid)", "fill_table/qt_grid", "ref/header_read", 0, 100},
    {"Tags written in place (tag_write_all)", "tag_write/in_place", "ref/write_4k_fsync", 3, 0},
    {"Tags written, every file rewritten (tag_write_all)", "tag_write/rewrite", "ref/copy_fsync", 1.2, 0},
    {"Album set in place, no cover (tag_write_album)", "album/ours_plain", "album/mid3v2_plain", 0.5, 0},
    {"Album set in place, 2 MB cover (tag_write_album)", "album/ours_cover", "album/mid3v2_cover", 0.5, 0},
    {"100 files renamed, table reloaded (cmd_re_name)", "rename/reload", "ref/rename_header_read", 0, 0},
    {"Import of 100 rows, format 3, from .xls", "import/xls_format3", "ref/read_xls", 0, 0},
    {"Import of 100 rows, format 3, from .xlsx", "import/xlsx_format3", "import/xls_format3", 3, 0},
    {"the same, beside QXmlStreamReader reading its XML alone", "import/xlsx_format3", "ref/import_xlsx_tokenise", 0, 0},
    {"QXmlStreamReader reading that XML alone, beside the .xls import", "ref/import_xlsx_tokenise", "import/xls_format3", 0, 0},
    {"Program start to start-up form shown", "startup/form2_shown", "ref/startup_blank_window", 0, 300},
    {"tagnarabe-cli list, 100 files (whole process), beside mid3v2 --list", "cli/list", "cli/mid3v2_list", 0.5, 0},
    {"tagnarabe-cli list, 100 files (whole process), beside kid3-cli -c get", "cli/list", "cli/kid3_get", 0.5, 0},
};

std::string machine() {
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model = "?";
  while (std::getline(cpu, line))
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  struct utsname u {};
  ::uname(&u);
  std::ostringstream out;
  out << model << ", " << ::sysconf(_SC_NPROCESSORS_ONLN) << " cores, Linux " << u.release;
  return out.str();
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// Milliseconds with three significant digits, never in exponent form.
std::string ms_text(double ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, ms >= 100 ? "%.0f ms" : ms >= 10 ? "%.1f ms" : ms >= 1 ? "%.2f ms" : "%.3f ms", ms);
  return buf;
}

void print_summary(const Collector& c, const PeakMemory& mem, const std::string& load_before) {
  std::printf("\n## Summary (medians of %d repetitions)\n\n", repetitions());
  std::printf("Machine: %s; load average before %s, after %s\n\n", machine().c_str(),
              load_before.c_str(), load_average().c_str());
  std::printf("| Job | Time | CPU | Reference: time, CPU | Ratio: time, CPU | Target | Met |\n"
              "|---|---:|---:|---|---:|---|---|\n");
  auto cpu_of = [](const Result* r) {
    auto it = r->counters.find("cpu_ms");
    return it == r->counters.end() ? 0.0 : it->second;
  };
  for (const Row& row : k_rows) {
    const Result* job = c.find(row.name);
    const Result* ref = c.find(row.ref);
    if (!job) continue;
    std::string target, met = "—";
    bool ok = true;
    const double ratio = ref && ref->ms > 0 ? job->ms / ref->ms : 0;
    const double cpu_ratio = ref && cpu_of(ref) > 0 ? cpu_of(job) / cpu_of(ref) : 0;
    if (row.max_ratio > 0) {
      target += "time ≤ " + std::to_string(row.max_ratio).substr(0, 3) + "× ref";
      if (ref) ok = ok && ratio <= row.max_ratio;
    }
    if (row.max_ms > 0) {
      target += std::string(target.empty() ? "" : ", ") + "< " + std::to_string(int(row.max_ms)) + " ms";
      ok = ok && job->ms < row.max_ms;
    }
    if (!target.empty()) met = ok ? "yes" : "**no**";
    char ref_text[160] = "—";
    if (ref)
      std::snprintf(ref_text, sizeof ref_text, "%s: %s, %s", row.ref, ms_text(ref->ms).c_str(),
                    ms_text(cpu_of(ref)).c_str());
    char ratio_text[64] = "—";
    if (ref) std::snprintf(ratio_text, sizeof ratio_text, "%.2f×, %.2f×", ratio, cpu_ratio);
    std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", row.job, ms_text(job->ms).c_str(),
                ms_text(cpu_of(job)).c_str(), ref_text, ratio_text,
                target.empty() ? "—" : target.c_str(), met.c_str());
  }
  if (mem.loaded_kb > 0) {
    std::printf("| Peak memory, both windows, 100 files loaded (VmHWM) | %.1f MB | — | %.1f MB before loading | — | < 80 MB | %s |\n",
                mem.loaded_kb / 1024.0, mem.started_kb / 1024.0,
                mem.filled && mem.loaded_kb < 80 * 1024 ? "yes" : "**no**");
  }
  const Result* job = c.find("fill_table/memory_grid");
  const Result* ref = c.find("ref/header_read");
  if (job && ref) {
    auto get = [](const Result* r, const char* k) {
      auto it = r->counters.find(k);
      return it == r->counters.end() ? 0.0 : it->second;
    };
    const QByteArray file = tagged_file(0);
    const Result* whole = c.find("ref/tag_read");
    std::printf("\nTag reading, per file: %.0f bytes in %.1f reads (64 KB reference: %.0f bytes in %.1f reads; "
                "whole-tag reference: %.0f bytes); files are %lld bytes, their ID3v2 tag %lld.\n",
                get(job, "bytes_read/file"), get(job, "reads/file"), get(ref, "bytes_read/file"),
                get(ref, "reads/file"), whole ? get(whole, "bytes_read/file") : 0.0,
                static_cast<long long>(file.size()),
                static_cast<long long>(file.size() - audio().size() - 128));
  }
  if (const Result* w = c.find("tag_write/in_place"))
    std::printf("In-place write: %.0f files of 100 rewritten per run (0 expected).\n",
                w->counters.count("files_rewritten") ? w->counters.at("files_rewritten") : -1.0);
  for (const char* kind : {"plain", "cover"}) {
    const Result* ours = c.find(std::string("album/ours_") + kind);
    const Result* peer = c.find(std::string("album/mid3v2_") + kind);
    auto get = [](const Result* r, const char* k) {
      return r && r->counters.count(k) ? r->counters.at(k) : -1.0;
    };
    if (ours && peer)
      std::printf("Album in place (%s): per file we read %.0f and write %.0f bytes (journal included, "
                  "%.0f files rewritten per run), mid3v2 reads %.0f and writes %.0f (and flushes nothing).\n",
                  std::strcmp(kind, "plain") == 0 ? "no cover" : "2 MB cover", get(ours, "bytes_read/file"),
                  get(ours, "bytes_written/file"), get(ours, "files_rewritten"), get(peer, "bytes_read/file"),
                  get(peer, "bytes_written/file"));
  }
  if (const Result* w = c.find("tag_write/rewrite"))
    std::printf("Rewrite: %.0f files of 100 rewritten per run (100 expected).\n",
                w->counters.count("files_rewritten") ? w->counters.at("files_rewritten") : -1.0);
}

void register_all() {
  const int reps = repetitions();
  auto add = [&](const char* name, auto fn, int iterations) {
    benchmark::RegisterBenchmark(name, fn)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations * iteration_scale())
        ->Repetitions(reps)
        ->ReportAggregatesOnly(true);
  };
  add("ref/header_read", BM_ref_header_read, 20);
  add("ref/tag_read", BM_ref_tag_read, 20);
  add("fill_table/memory_grid", BM_fill_memory_grid, 10);
  add("fill_table/qt_grid", BM_fill_qt_grid, 10);
  add("ref/write_4k_fsync", BM_ref_write_4k, 2);
  add("tag_write/in_place", BM_write_in_place, 2);
  add("ref/copy_fsync", BM_ref_copy, 1);
  add("tag_write/rewrite", BM_write_rewrite, 1);
  add("album/mid3v2_plain", [](benchmark::State& st) { BM_album_mid3v2(st, false); }, 2);
  add("album/ours_plain", [](benchmark::State& st) { BM_album_ours(st, false); }, 2);
  add("album/mid3v2_cover", [](benchmark::State& st) { BM_album_mid3v2(st, true); }, 2);
  add("album/ours_cover", [](benchmark::State& st) { BM_album_ours(st, true); }, 2);
  add("ref/rename_header_read", BM_ref_rename, 4);
  add("rename/reload", BM_rename, 4);
  add("ref/read_xls", BM_ref_read_xls, 50);
  add("import/xls_format3", [](benchmark::State& st) { BM_import(st, xls_path()); }, 10);
  add("import/xlsx_format3", [](benchmark::State& st) { BM_import(st, xlsx_path()); }, 10);
  add("ref/import_xlsx_tokenise", BM_ref_tokenise_xlsx, 10);
  add("ref/startup_blank_window",
      [](benchmark::State& st) { BM_startup(st, TAGNARABE_BLANK_WINDOW, ""); }, 5);
  add("startup/form2_shown",
      [](benchmark::State& st) { BM_startup(st, TAGNARABE_PROGRAM, "tn::Form2"); }, 5);
  add("cli/list",
      [](benchmark::State& st) { BM_list_process(st, {TAGNARABE_CLI, "list"}, false, "tagnarabe-cli failed"); }, 5);
  add("cli/mid3v2_list", [](benchmark::State& st) {
    BM_list_process(st, {"/usr/bin/mid3v2", "--list"}, true, "mid3v2 failed (apt-get install python3-mutagen)");
  }, 5);
  add("cli/kid3_get", [](benchmark::State& st) {
    BM_list_process(st, {"/usr/bin/kid3-cli", "-c", "get"}, true, "kid3-cli failed (apt-get install kid3-cli)");
  }, 5);
}

}  // namespace

}  // namespace tn::bench

namespace {
QtMessageHandler previous_handler = nullptr;
// The offscreen platform warns about every window it shows; nothing to act on.
void quiet_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains(QLatin1String("propagateSizeHints"))) return;
  if (previous_handler) previous_handler(type, context, text);
}
}  // namespace

int main(int argc, char** argv) {
  previous_handler = qInstallMessageHandler(quiet_messages);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--peak-memory-child")
    return tn::bench::peak_memory_child(QString::fromLocal8Bit(argv[2]));

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tn::bench::register_all();
  const std::string load_before = tn::bench::load_average();
  tn::bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  const auto filter = benchmark::GetBenchmarkFilter();
  tn::bench::PeakMemory mem;
  if (filter.empty() || filter == "." || filter == "all" || filter.find("memory") != std::string::npos)
    mem = tn::bench::measure_peak_memory();
  tn::bench::print_summary(collector, mem, load_before);
  benchmark::Shutdown();
  return 0;
}
