#include "durable/journal_record.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "durable/safe_write.h"

namespace tn::journal {

std::uint64_t fnv1a(const char* p, std::size_t n, std::uint64_t h) {
  for (std::size_t i = 0; i < n; ++i) {
    h ^= static_cast<unsigned char>(p[i]);
    h *= 1099511628211ull;
  }
  return h;
}

bool stable_inodes(int fd) {
  struct statfs sf;
  if (::fstatfs(fd, &sf) != 0) return false;
  switch (static_cast<unsigned long>(sf.f_type)) {
    case MSDOS_SUPER_MAGIC:
    case 0x2011BAB0:  // exfat
    case 0x65735546:  // fuse
    case 0x5346544E:  // ntfs
      return false;
    default:
      return true;
  }
}

std::vector<Span> spans_of(const std::vector<Patch>& patches) {
  std::vector<Span> spans;
  for (const Patch& p : patches) spans.push_back({p.offset, p.old_bytes.size()});
  return spans;
}

std::optional<std::uint64_t> outside_print(int fd, std::int64_t file_size, std::vector<Span> ranges) {
  constexpr int k_blocks = 8;
  constexpr std::int64_t k_block = 512;  // small: it is read for every file written
  std::sort(ranges.begin(), ranges.end(), [](const Span& a, const Span& b) { return a.offset < b.offset; });
  std::uint64_t h = fnv1a(nullptr, 0);
  QByteArray block;
  std::int64_t done = 0;  // blocks may overlap in a small file: each byte once
  for (int k = 0; k < k_blocks; ++k) {
    const std::int64_t begin =
        std::max(done, std::max<std::int64_t>(0, file_size - k_block) * k / (k_blocks - 1));
    const std::int64_t end = std::min(file_size, begin + k_block);
    if (end <= begin) continue;
    block.resize(static_cast<qsizetype>(end - begin));
    if (!read_exact(fd, begin, block.data(), static_cast<std::size_t>(block.size()))) return std::nullopt;
    std::int64_t at = begin;
    for (const Span& r : ranges) {
      if (r.offset + r.size <= at || r.offset >= end) continue;
      if (r.offset > at) h = fnv1a(block.constData() + (at - begin), static_cast<std::size_t>(r.offset - at), h);
      at = std::max(at, r.offset + r.size);
    }
    if (at < end) h = fnv1a(block.constData() + (at - begin), static_cast<std::size_t>(end - at), h);
    done = end;
  }
  return h;
}

void encode(QByteArray& out, const QByteArray& name, const struct stat& st, bool stable,
            std::uint64_t print, const std::vector<Patch>& patches, bool started) {
  const qsizetype start = out.size();
  Writer w{out};
  w.raw(k_magic, sizeof k_magic);
  w.u64(0);  // the record's size, set below
  w.u64(st.st_dev);
  w.u64(st.st_ino);
  w.u64(stable);
  w.u64(static_cast<std::uint64_t>(st.st_size));
  w.u64(static_cast<std::uint64_t>(st.st_mtim.tv_sec));
  w.u64(static_cast<std::uint64_t>(st.st_mtim.tv_nsec));
  w.u64(print);
  w.bytes(name);
  w.u64(patches.size());
  for (const Patch& p : patches) {
    w.u64(static_cast<std::uint64_t>(p.offset));
    w.bytes(p.old_bytes);
    w.bytes(p.new_bytes);
  }
  const std::uint64_t total = static_cast<std::uint64_t>(out.size() - start) + 16;
  std::memcpy(out.data() + start + sizeof k_magic, &total, 8);
  w.u64(fnv1a(out.constData() + start, static_cast<std::size_t>(out.size() - start)));
  w.u64(started ? k_started : 0);
}

bool of_a_newer_build(const QByteArray& journal) {
  constexpr std::size_t k_name = sizeof k_magic - 2;  // "TNJRNL", then the version
  for (const char* known : {k_magic, k_magic_v1, k_magic_v2})
    if (journal.startsWith(QByteArray::fromRawData(known, sizeof k_magic))) return false;
  return journal.startsWith(QByteArray::fromRawData(k_magic, k_name));
}

qsizetype decode(const QByteArray& journal, qsizetype at, Record& r) {
  const QByteArray in = QByteArray::fromRawData(journal.constData() + at, journal.size() - at);
  if (in.size() < 24) return -1;
  const bool v1 = std::memcmp(in.constData(), k_magic_v1, sizeof k_magic_v1) == 0;
  const bool v2 = std::memcmp(in.constData(), k_magic_v2, sizeof k_magic_v2) == 0;
  if (!v1 && !v2 && std::memcmp(in.constData(), k_magic, sizeof k_magic) != 0) return -1;
  const qsizetype tail = v1 ? 8 : 16;  // checksum, mark
  Reader rd{in, sizeof k_magic};
  const std::uint64_t total = rd.u64();
  if (total < 16 + static_cast<std::uint64_t>(tail) || total > static_cast<std::uint64_t>(in.size())) return -1;
  const QByteArray body = in.left(static_cast<qsizetype>(total) - tail);
  std::uint64_t sum = 0, mark = k_started;
  std::memcpy(&sum, in.constData() + body.size(), 8);
  if (!v1) std::memcpy(&mark, in.constData() + body.size() + 8, 8);
  if (sum != fnv1a(body.constData(), static_cast<std::size_t>(body.size()))) return -1;
  r.started = mark == k_started;
  Reader b{body, rd.at};
  r.dev = b.u64();
  r.ino = b.u64();
  r.stable = b.u64() != 0;
  r.size = static_cast<std::int64_t>(b.u64());
  r.mtime.tv_sec = static_cast<time_t>(b.u64());
  r.mtime.tv_nsec = static_cast<long>(b.u64());
  if (!v1 && !v2) r.print = b.u64();
  r.name = b.bytes();
  const std::uint64_t count = b.u64();
  for (std::uint64_t i = 0; b.ok && i < count; ++i) {
    Record::Range range;
    range.offset = static_cast<std::int64_t>(b.u64());
    range.old_bytes = b.bytes();
    range.new_bytes = b.bytes();
    if (range.offset < 0 || range.offset > r.size - range.old_bytes.size() ||
        range.new_bytes.size() != range.old_bytes.size())
      return -1;
    r.ranges.push_back(std::move(range));
  }
  const bool whole = b.ok && b.at == body.size() && !r.name.isEmpty() && !r.name.contains('/') &&
                     r.name != "." && r.name != "..";
  return whole ? at + static_cast<qsizetype>(total) : -1;
}

bool lock(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool restore(int fd, const struct stat& st, const std::vector<Patch>& patches) {
  bool ok = true;
  QByteArray check;
  for (const Patch& p : patches) {
    // Bytes past a file-size limit could not be written either way: what
    // decides is that the range reads back old.
    (void)pwrite_all(fd, p.offset, p.old_bytes.constData(), static_cast<std::size_t>(p.old_bytes.size()));
    check.resize(p.old_bytes.size());
    ok = ok && read_exact(fd, p.offset, check.data(), static_cast<std::size_t>(check.size())) &&
         check == p.old_bytes;
  }
  if (!ok || ::fdatasync(fd) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  (void)::futimens(fd, times);
  return true;
}

}  // namespace tn::journal
