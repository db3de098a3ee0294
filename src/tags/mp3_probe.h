#pragma once
// A small look at the start and end of a file: is it MPEG audio, where does
// its ID3v2 tag end, does it end in an ID3v1 tag. A normal file is read at its
// first bytes after the tag and its last 128 only; where the audio starts
// late, at most 16 MB past the tag are scanned, so that TagLib is only handed
// files whose start it can find. A tag with no audio after it (a file cut
// short, a tag alone) is a tag all the same: read, with no_audio set.

#include <cstdint>

namespace tn {

struct Mp3Probe {
  int error = 0;             // 0 or a tag_error number (cannot_open, unknown_format, bad_frame_header)
  bool tag_broken = false;   // an ID3v2 header that is unusable or runs past the end
  bool tag_cut = false;      // of those: a tag whose size runs past the end, read as far as it goes
  int id3v2_major = 0;       // 2, 3 or 4; 0 without an ID3v2 tag
  std::int64_t id3v2_size = 0;  // the whole tag, header (and footer) included
  // Where the tag starts: 0, or past junk at the head of the file (within
  // k_tag_search, before any audio, as TagLib finds it).
  std::int64_t id3v2_offset = 0;
  std::int64_t audio_offset = -1;
  bool no_audio = false;     // a tag (ID3v2 or ID3v1) but no MPEG audio
  bool has_id3v1 = false;
  std::int64_t file_size = 0;
};

// How far into a file without a tag at its start an ID3v2 tag is looked for.
constexpr std::int64_t k_tag_search = 64 * 1024;

// fd: open for reading, positioned anywhere (pread is used).
Mp3Probe probe_mp3(int fd);

// Length of the MPEG audio frame whose 4-byte header is at p, or 0 when the
// header is not a valid one.
int mpeg_frame_length(const unsigned char* p);

}  // namespace tn
