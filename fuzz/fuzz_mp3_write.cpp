// A tag write into arbitrary bytes (the seeds are valid MP3 files), as the
// writers do it: open, read, change some fields, (announce,) write; then a re-read.
// A failed write leaves the file as it was; a write that succeeds leaves the
// audio between the tags and any junk before the tag byte for byte, gives
// back the texts written, and leaves no other file in the folder. One input
// in four sets the fields beyond title, artist and album instead, through
// the tag access.

#include <dirent.h>

#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "tags/ape_tag.h"
#include "tags/mp3_probe.h"
#include "tags/tag_access.h"
#include "tags/tag_library.h"

using namespace tn;
using tn::fuzz::check;

namespace {

struct Audio {
  bool ok = false;
  std::int64_t junk = 0;  // before the ID3v2 tag
  std::int64_t begin = 0, end = 0;
};

Audio audio_of(const std::string& path) {
  Audio a;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return a;
  const Mp3Probe p = probe_mp3(fd);
  if (!p.error && !p.tag_broken) {
    a.ok = true;
    a.junk = p.id3v2_major ? p.id3v2_offset : 0;
    a.begin = p.id3v2_major ? p.id3v2_offset + p.id3v2_size : 0;
    a.end = p.file_size - (p.has_id3v1 ? 128 : 0);
    // An APE tag at the end is kept in step by the write, like ID3v1.
    ApeTag ape;
    if (find_ape(fd, a.begin, a.end, ape) == ApeFound::found) a.end = ape.offset;
  }
  ::close(fd);
  return a;
}

int files_in(const std::string& dir) {
  int n = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++n;
    ::closedir(d);
  }
  return n;
}

// The audio (and junk) of a written file as it was before.
void check_audio(const QByteArray& before, const Audio& old_audio, const std::string& path) {
  const QByteArray after = tn::fuzz::read_whole(path);
  const Audio new_audio = audio_of(path);
  check(new_audio.ok, "the written file no longer reads as MP3");
  if (!old_audio.ok) return;
  check(before.left(old_audio.junk) == after.left(old_audio.junk), "the junk before the tag changed");
  check(before.mid(old_audio.begin, old_audio.end - old_audio.begin) ==
            after.mid(new_audio.begin, new_audio.end - new_audio.begin),
        "the audio changed");
}

// The fields beyond the three, set through the tag access as `pick` says
// (kept, emptied or one of two texts each) and read back as set.
void write_others(const QByteArray& before, const Audio& old_audio, const std::string& path, std::uint8_t pick) {
  static const Field fields[4] = {Field::track, Field::year, Field::comment, Field::title_sort};
  static const QString texts[3] = {QString(), QStringLiteral("12"), QStringLiteral("新しい値")};
  const auto access = make_mp3_access();
  const QByteArray native = QByteArray::fromStdString(path);
  const TagReadResult read = access->read(native);
  if (!std::holds_alternative<TagRead>(read)) return;
  FileEdits edits{native, std::get<TagRead>(read).identity, {}};
  for (int i = 0; i < 4; ++i)
    if (const int choice = (pick >> (2 * i)) & 3) edits.edits[fields[i]] = texts[choice - 1];
  const std::vector<FileWritten> done = access->write({edits}, {});
  check(done.size() == 1, "a write run lost its file");
  if (!done.front().written) {
    check(tn::fuzz::read_whole(path) == before, "a failed write changed the file");
    return;
  }
  check_audio(before, old_audio, path);
  const TagReadResult again = access->read(native);
  check(std::holds_alternative<TagRead>(again), "the written file does not read");
  for (Field f : fields) {
    const QString& got = std::get<TagRead>(again).fields[f].text;
    if (edits.edits[f] && got != *edits.edits[f])
      std::fprintf(stderr, "%s: wrote \"%s\", read back \"%s\"\n", qPrintable(field_key(f)),
                   qPrintable(*edits.edits[f]), qPrintable(got));
    check(!edits.edits[f] || got == *edits.edits[f], "a field reads back differently");
  }
}

QString field_string(const char* f) {
  QString s = field_text(f, k_tag_text_bytes);
  while (s.endsWith(QLatin1Char(' '))) s.chop(1);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string dir = tn::fuzz::scratch_dir();
  static const std::string path = dir + "/write.mp3";
  static const QString texts[4] = {QString(), QStringLiteral("a"), QStringLiteral("新しい曲名 "),
                                   QString(120, QChar(0x66F2))};
  if (size == 0) return 0;
  // The last byte picks what is written: for each field, kept or one of the texts.
  const std::uint8_t pick = data[size - 1];
  if (!tn::fuzz::write_whole(path, data, size)) return 0;
  const QByteArray before(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const Audio old_audio = audio_of(path);
  const QByteArray native = QByteArray::fromStdString(path);
  if (size % 4 == 3) {
    write_others(before, old_audio, path, pick);
    check(files_in(dir) == 1, "a file was left beside the written one");
    return 0;
  }

  auto lib = make_taglib_library();
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes current = empty_tag_bytes();
  if (!lib->vbmp3_open(native, info) || !lib->vbmp3_getTagInfo(current)) {
    lib->vbmp3_close();
    return 0;
  }
  TagRecordBytes fresh = current;
  char* fields[3] = {fresh.title, fresh.artist, fresh.album};
  QString want[3] = {field_string(current.title), field_string(current.artist),
                     field_string(current.album)};
  constexpr int bits[3] = {field_bit::title, field_bit::artist, field_bit::album};
  int from_table = 0;
  for (int i = 0; i < 3; ++i) {
    const int choice = (pick >> (2 * i)) & 3;
    if (choice == 0 && (pick & 0xC0) == 0) continue;  // kept as read
    const QString& t = texts[choice];
    set_field(fields[i], k_tag_text_bytes, t, ' ');
    want[i] = field_string(fields[i]);
    from_table |= bits[i];
  }
  // Announced first, as a run of the writers does, every other input: the
  // write then goes under the run's journal.
  if (size % 2) lib->announce_write(native, fresh, from_table);
  const int ok = lib->vbmp3_setTagInfo(native, fresh, from_table, 1);
  lib->vbmp3_close();
  check(lib->finish_writes().isEmpty(), "the flush at the end of the run lost a write");

  const QByteArray after = tn::fuzz::read_whole(path);
  check(files_in(dir) == 1, "a file was left beside the written one");
  if (!ok) {
    check(after == before, "a failed write changed the file");
    return 0;
  }
  if (!audio_of(path).ok) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const Mp3Probe p = probe_mp3(fd);
    ::close(fd);
    std::fprintf(stderr, "before: %lld bytes, audio %lld..%lld; after: %lld bytes, error %d, tag broken %d\n",
                 static_cast<long long>(before.size()), static_cast<long long>(old_audio.begin),
                 static_cast<long long>(old_audio.end), static_cast<long long>(after.size()), p.error,
                 p.tag_broken);
  }
  check_audio(before, old_audio, path);
  auto again = make_taglib_library();
  TagRecordBytes back = empty_tag_bytes();
  check(again->vbmp3_open(native, info) != 0, "the written file does not open");
  check(again->vbmp3_getTagInfo(back) != 0, "the written tag does not read");
  again->vbmp3_close();
  const char* got[3] = {back.title, back.artist, back.album};
  for (int i = 0; i < 3; ++i) {
    if (field_string(got[i]) != want[i])
      std::fprintf(stderr, "field %d: wrote \"%s\", read back \"%s\"\n", i,
                   qPrintable(want[i]), qPrintable(field_string(got[i])));
    check(field_string(got[i]) == want[i], "a field reads back differently");
  }
  return 0;
}
