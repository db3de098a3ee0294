#include "tags/mp3_probe.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "id3/header.h"
#include "durable/safe_write.h"
#include "tags/tag_library.h"

namespace tn {

namespace {

// How far past the ID3v2 tag (or from the start) we look for the first frame:
// padding beyond the declared tag size, junk and a second tag are common
// after some editors, sometimes megabytes of them. Read a chunk at a time.
constexpr std::int64_t k_scan_limit = 16 << 20;
constexpr std::int64_t k_scan_chunk = 64 * 1024;
constexpr std::int64_t k_lookahead = 10;  // an ID3v2 header straddling two chunks

// Size of the whole ID3v2 tag whose header is at p (10 bytes), or 0.
std::int64_t id3v2_tag_size(const unsigned char* p) {
  const std::optional<Id3v2Header> header = id3v2_header(p);
  return header ? header->tag_size() : 0;
}

}  // namespace

int mpeg_frame_length(const unsigned char* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
  const int version = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
  const int layer = (p[1] >> 1) & 3;    // 1: III, 2: II, 3: I
  const int bitrate_index = p[2] >> 4;
  const int rate_index = (p[2] >> 2) & 3;
  if (version == 1 || layer == 0 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3)
    return 0;
  static constexpr short kbps[5][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, I
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, II
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, III
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2, I
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2, II/III
  };
  static constexpr int rates[3] = {44100, 48000, 32000};
  const bool mpeg1 = version == 3;
  const int table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
  const int bitrate = kbps[table][bitrate_index] * 1000;
  const int rate = rates[rate_index] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const int pad = (p[2] >> 1) & 1;
  if (layer == 3) return (12 * bitrate / rate + pad) * 4;
  const int factor = (layer == 1 && !mpeg1) ? 72 : 144;
  return factor * bitrate / rate + pad;
}

namespace {

// What the first bytes say: an ID3v2 tag (whose size says where audio
// starts: `start`), a frame at the very start, or neither. False when that
// alone decides the probe.
bool probe_head(int fd, std::int64_t audio_end, Mp3Probe& pr, unsigned char (&head)[10], std::int64_t& start) {
  const std::size_t head_len = static_cast<std::size_t>(std::min<std::int64_t>(10, pr.file_size));
  if (head_len > 0 && !read_exact(fd, 0, head, head_len)) {
    pr.error = tag_error::cannot_open;
    return false;
  }
  if (head_len >= 3 && head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
    // An ID3v2 tag: it has to be whole for its size to say where audio starts.
    const std::optional<Id3v2Header> header = head_len == 10 ? id3v2_header(head) : std::nullopt;
    if (!header) {
      pr.tag_broken = true;
      return false;
    }
    pr.id3v2_major = header->version;
    pr.id3v2_size = header->tag_size();
    if (pr.id3v2_size > audio_end) {
      pr.tag_broken = true;
      pr.tag_cut = true;
      return false;
    }
    start = pr.id3v2_size;
  } else if (head_len >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) {
    // Frame sync at the very start: either a valid header or a broken one.
    if (head_len < 4 || mpeg_frame_length(head) == 0)
      pr.error = tag_error::bad_frame_header;
    else
      pr.audio_offset = 0;
    return false;
  } else if (head_len == 0) {
    pr.error = tag_error::unknown_format;
    return false;
  }
  return true;
}

// The search for the first frame from `start`, past padding, junk or a
// second tag. Away from the expected place a frame counts only when a
// second one follows, so that chance sync bytes in garbage are not taken
// for audio; stray bytes at the head of the file (other than zeros) may
// hide audio behind them, so a text or a picture is no MP3.
class AudioScan {
 public:
  AudioScan(int fd, std::int64_t start, std::int64_t audio_end, bool stray_start, Mp3Probe& pr)
      : fd_(fd), start_(start), audio_end_(audio_end), stray_start_(stray_start), only_zeros_(!stray_start), pr_(pr) {}

  // True when it found the audio (pr.audio_offset) or failed (pr.error).
  bool run() {
    const std::int64_t limit = std::min(audio_end_, start_ + k_scan_limit);
    buf_.resize(static_cast<std::size_t>(k_scan_chunk + k_lookahead));
    for (std::int64_t pos = start_; pos + 4 <= limit;) {
      const std::int64_t n = std::min(k_scan_chunk + k_lookahead, audio_end_ - pos);
      if (!read_exact(fd_, pos, buf_.data(), static_cast<std::size_t>(n))) {
        pr_.error = tag_error::cannot_open;
        return true;
      }
      const std::int64_t step = std::min(k_scan_chunk, limit - pos);
      std::int64_t skip_to = -1;
      if (chunk(pos, n, step, skip_to)) return true;
      if (skip_to >= 0) only_zeros_ = false;
      pos = skip_to >= 0 ? skip_to : pos + step;
    }
    return false;
  }

 private:
  // The first `step` bytes of the n read at pos: true when audio starts
  // there; skip_to is set past a second tag met.
  bool chunk(std::int64_t pos, std::int64_t n, std::int64_t step, std::int64_t& skip_to) {
    for (std::int64_t i = 0; i < step && i + 4 <= n; ++i) {
      const unsigned char* p = &buf_[static_cast<std::size_t>(i)];
      if (p[0] == 'I' && i + 10 <= n) {
        // A second tag: stepped over whole, its picture may hold sync bytes.
        // The first one after junk at the head is the file's tag.
        if (const std::int64_t size = id3v2_tag_size(p)) {
          skip_to = pos + i + size;
          if (start_ == 0 && pr_.id3v2_major == 0 && pos + i < k_tag_search && skip_to <= audio_end_) {
            pr_.id3v2_major = p[3];
            pr_.id3v2_size = size;
            pr_.id3v2_offset = pos + i;
          }
          return false;
        }
      }
      const int len = p[0] == 0xFF ? mpeg_frame_length(p) : 0;
      if (len > 0 && confirmed(p, pos + i + len)) {
        pr_.audio_offset = pos + i;
        return true;
      }
      only_zeros_ = only_zeros_ && p[0] == 0;
    }
    return false;
  }

  // Whether the frame p (the next at `next`) counts as the audio's first.
  bool confirmed(const unsigned char* p, std::int64_t next) const {
    if (only_zeros_ || (next >= audio_end_ && !stray_start_)) return true;
    unsigned char h2[4];
    return read_exact(fd_, next, h2, 4) && mpeg_frame_length(h2) > 0 && (h2[1] & 0xFE) == (p[1] & 0xFE) &&
           (h2[2] & 0x0C) == (p[2] & 0x0C);
  }

  const int fd_;
  const std::int64_t start_, audio_end_;
  const bool stray_start_;
  bool only_zeros_;
  Mp3Probe& pr_;
  std::vector<unsigned char> buf_;
};

}  // namespace

Mp3Probe probe_mp3(int fd) {
  Mp3Probe pr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    pr.error = tag_error::cannot_open;
    return pr;
  }
  pr.file_size = st.st_size;
  if (pr.file_size >= 128) {
    unsigned char tag[3];
    if (!read_exact(fd, pr.file_size - 128, tag, 3)) {
      pr.error = tag_error::cannot_open;
      return pr;
    }
    pr.has_id3v1 = tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
  }
  const std::int64_t audio_end = pr.file_size - (pr.has_id3v1 ? 128 : 0);
  unsigned char head[10] = {};
  std::int64_t start = 0;
  if (!probe_head(fd, audio_end, pr, head, start)) return pr;
  // The common case first: a frame right where it belongs.
  unsigned char first[4];
  if (audio_end - start >= 4 && read_exact(fd, start, first, 4) && mpeg_frame_length(first) > 0) {
    pr.audio_offset = start;
    return pr;
  }
  if (AudioScan(fd, start, audio_end, start == 0 && head[0] != 0, pr).run()) return pr;
  // No audio: a tag is read all the same; with none, the file is no MP3.
  if (pr.id3v2_major || pr.has_id3v1)
    pr.no_audio = true;
  else
    pr.error = tag_error::unknown_format;
  return pr;
}

}  // namespace tn
