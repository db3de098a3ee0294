#pragma once
// The journal's records and what its writer and its recovery share: how a
// record is laid out on disk, and the few file steps both take.

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "durable/journal.h"

namespace tn::journal {

// Records of version 2 and 3 end in a mark set when their file is about to
// be written; version 1 (a record written just before its file) has none.
// Version 3 also holds a print of the file's bytes outside its ranges.
constexpr char k_magic[8] = {'T', 'N', 'J', 'R', 'N', 'L', '3', '\n'};
constexpr char k_magic_v2[8] = {'T', 'N', 'J', 'R', 'N', 'L', '2', '\n'};
constexpr char k_magic_v1[8] = {'T', 'N', 'J', 'R', 'N', 'L', '1', '\n'};
constexpr std::uint64_t k_started = 0x2144455452415453;  // "STARTED!"
inline const QByteArray k_journal_prefix = ".tagnarabe-journal-";
inline const QByteArray k_aside_prefix = ".tagnarabe-unapplied-";

std::uint64_t fnv1a(const char* p, std::size_t n, std::uint64_t h = 14695981039346656037ull);

// Inode numbers of FAT and exFAT (and of most FUSE file systems) are made up
// at mount time: after a replug the same file has another one.
bool stable_inodes(int fd);

// Little helpers to put fixed-width numbers and sized byte strings into a
// record and take them out again.
struct Writer {
  QByteArray& b;
  void raw(const void* p, std::size_t n) { b.append(static_cast<const char*>(p), static_cast<qsizetype>(n)); }
  void u64(std::uint64_t v) { raw(&v, sizeof v); }
  void bytes(const QByteArray& v) {
    u64(static_cast<std::uint64_t>(v.size()));
    b.append(v);
  }
};

struct Reader {
  const QByteArray& b;
  qsizetype at = 0;
  bool ok = true;
  std::uint64_t u64() {
    std::uint64_t v = 0;
    if (at + 8 > b.size()) {
      ok = false;
      return 0;
    }
    std::memcpy(&v, b.constData() + at, 8);
    at += 8;
    return v;
  }
  QByteArray bytes() {
    const std::uint64_t n = u64();
    if (!ok || n > static_cast<std::uint64_t>(b.size() - at)) {
      ok = false;
      return {};
    }
    QByteArray v = b.mid(at, static_cast<qsizetype>(n));
    at += static_cast<qsizetype>(n);
    return v;
  }
};

struct Record {
  std::uint64_t dev = 0, ino = 0;
  bool stable = true;
  std::int64_t size = 0;
  struct timespec mtime {};
  std::optional<std::uint64_t> print;  // of the bytes outside the ranges; none before version 3
  QByteArray name;
  bool started = true;  // its file may have been written
  struct Range {
    std::int64_t offset;
    QByteArray old_bytes, new_bytes;
  };
  std::vector<Range> ranges;
};

// A print of the file's bytes outside the ranges (at offset, of size):
// blocks spread over the whole file, the ranges left out. A copy of the
// file has the same print whatever its inode; another song has another, as
// has a file another program changed outside our ranges. Nullopt on a read
// error.
struct Span {
  std::int64_t offset, size;
};
std::optional<std::uint64_t> outside_print(int fd, std::int64_t file_size, std::vector<Span> ranges);
std::vector<Span> spans_of(const std::vector<Patch>& patches);

// Appends one record to out; its mark is the last 8 bytes.
void encode(QByteArray& out, const QByteArray& name, const struct stat& st, bool stable,
            std::uint64_t print, const std::vector<Patch>& patches, bool started);

// The record at `at`, and where the next one begins; -1 for anything but a
// whole record: a record cut short by its writer's death was written before
// its file was touched, and so was everything after it.
qsizetype decode(const QByteArray& journal, qsizetype at, Record& r);

// A journal whose first record is of a version this build does not know was
// left by a newer build: only that build can put its files back.
bool of_a_newer_build(const QByteArray& journal);

// An exclusive lock held for the life of the open file description.
bool lock(int fd);

// Puts back the old bytes of the patches and the old modification time;
// true when the file reads as its old self again.
bool restore(int fd, const struct stat& st, const std::vector<Patch>& patches);

}  // namespace tn::journal
