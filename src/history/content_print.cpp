// The print by which the history knows a file's content when its identity
// has changed (copied with new inodes, touched): what our writes change and
// another tag editor would change (the ID3v2 tag with its size, the end with
// its ID3v1 and APE blocks) in full, a cover and the audio by samples.

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "history/history.h"
#include "durable/safe_write.h"

namespace tn::history {

namespace {

constexpr std::int64_t k_edge = 8 << 10;
// A cover makes a tag of megabytes: its header (and so its size) is in the
// print, its first 64 KiB in full, the rest by samples.
constexpr std::int64_t k_max_head = 64 << 10;
constexpr int k_blocks = 8;
constexpr std::int64_t k_block = 512;

using ReadAt = std::function<bool(std::int64_t offset, char* out, std::int64_t n)>;

constexpr std::uint64_t k_prime = 0x100000001b3ull;

std::uint64_t step(std::uint64_t h, std::uint64_t w) { return ((h ^ w) * k_prime) ^ (h >> 29); }

// Kind 1: one chain, a word at a time.
std::uint64_t mix(std::uint64_t h, const char* p, std::size_t n) {
  std::uint64_t w = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::memcpy(&w, p, 8);
    h = step(h, w);
  }
  w = 0;
  std::memcpy(&w, p, n);
  return step(h, w ^ (std::uint64_t{n} << 56));
}

// Kind 2: the same step in four chains side by side, each taking every
// fourth word, folded into one at the end. The tag, cover included, is
// hashed for every file a run writes: one chain waits on its multiply
// word after word, four keep the processor busy. Four plain variables, not
// an array: in an array the compiler turns the chains into vector code
// that has no 64-bit multiply and runs at half the speed.
std::uint64_t mix_wide(std::uint64_t h, const char* p, std::size_t n) {
  std::uint64_t a = h, b = h ^ 0x9e3779b97f4a7c15ull, c = h ^ 0xc2b2ae3d27d4eb4full, d = h ^ 0x165667b19e3779f9ull;
  for (; n >= 32; p += 32, n -= 32) {
    std::uint64_t w[4];
    std::memcpy(w, p, sizeof w);
    a = step(a, w[0]);
    b = step(b, w[1]);
    c = step(c, w[2]);
    d = step(d, w[3]);
  }
  return mix(step(step(step(a, b), c), d), p, n);
}

// The ID3v2 tag's whole size from its header, 0 without one.
std::int64_t id3v2_size(const ReadAt& read, std::int64_t size) {
  unsigned char h[10];
  if (size < 10 || !read(0, reinterpret_cast<char*>(h), 10) || h[0] != 'I' || h[1] != 'D' || h[2] != '3') return 0;
  std::int64_t body = 0;
  for (int i = 6; i < 10; ++i) body = (body << 7) | (h[i] & 0x7f);
  return 10 + body + ((h[5] & 0x10) ? 10 : 0);
}

std::uint64_t print(const ReadAt& read, std::int64_t size, int kind) {
  if (kind != 1 && kind != 2) return 0;  // of a later version: unknown
  const auto hash = kind == 1 ? mix : mix_wide;
  std::uint64_t h = hash(14695981039346656037ull, reinterpret_cast<const char*>(&size), sizeof size);
  const std::int64_t head = std::min(size, std::clamp(id3v2_size(read, size), k_edge, k_max_head));
  const std::int64_t tail_at = std::max(head, size - k_edge);
  QByteArray bytes;
  auto take = [&](std::int64_t at, std::int64_t n) {
    bytes.resize(static_cast<qsizetype>(n));
    if (n > 0 && !read(at, bytes.data(), n)) return false;
    h = hash(h, bytes.constData(), static_cast<std::size_t>(n));
    return true;
  };
  if (!take(0, head)) return 0;
  const std::int64_t between = tail_at - head;
  for (int k = 0; between > 0 && k < k_blocks; ++k) {
    const std::int64_t at = head + std::max<std::int64_t>(0, between - k_block) * k / (k_blocks - 1);
    if (!take(at, std::min(k_block, tail_at - at))) return 0;
  }
  if (!take(tail_at, size - tail_at)) return 0;
  return h | 1;  // never 0, which stands for unknown
}

}  // namespace

std::uint64_t print_of(const QByteArray& content, int kind) {
  return print(
      [&](std::int64_t at, char* out, std::int64_t n) {
        if (at < 0 || at + n > content.size()) return false;
        std::copy_n(content.constData() + at, n, out);
        return true;
      },
      content.size(), kind);
}

std::uint64_t print_of_file(int fd, int kind) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return 0;
  return print([&](std::int64_t at, char* out, std::int64_t n) { return read_exact(fd, at, out, static_cast<std::size_t>(n)); },
               st.st_size, kind);
}

}  // namespace tn::history
