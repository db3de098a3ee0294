#pragma once
// Title, artist and album from the ID3v2 tag at the start of a file, reading
// only the frame headers and the bodies of those three frames: everything
// else (a cover picture above all) is stepped over by its size.
//
// It answers only for plain tags and gives exactly the texts TagLib gives.
// Anything unusual (unsynchronisation, an extended header or footer, frame
// flags, sizes that do not add up, odd encodings) is "can't say", and the
// caller asks TagLib instead.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "tags/mp3_probe.h"

namespace tn {

// Title, artist, album; empty where the tag has no such frame.
using Id3v2Texts = std::array<QString, 3>;

enum class Id3v2Read {
  done,        // texts filled (all empty without an ID3v2 tag at the start)
  cannot_say,  // not a plain tag: ask TagLib
  read_error,  // the file could not be read (or shrank since the probe)
};

// fd: open for reading; probe: probe_mp3 of it, without tag_broken.
Id3v2Read read_id3v2_texts(int fd, const Mp3Probe& probe, Id3v2Texts& texts);

// Where a walk reads a tag from: n bytes at offset (from the tag's first
// byte) into buf; false when there are fewer.
using TagBytes = std::function<bool(std::int64_t offset, void* buf, std::size_t n)>;
TagBytes file_bytes(int fd);

// One frame of a plain tag, as TagLib would read it.
struct Id3v2Frame {
  std::array<char, 4> id{};
  std::int64_t offset = 0;  // of its header, from the tag's first byte
  std::int64_t size = 0;    // header included
  int field = -1;           // 0, 1, 2: a title, artist or album frame
  int encoding = -1;        // a text frame's encoding byte
};

// Every frame of a plain tag, and what players that take ISO-8859-1 as it is
// show for title, artist and album.
struct Id3v2Layout {
  std::vector<Id3v2Frame> frames;
  std::int64_t frames_end = 10;  // where the padding begins
  Id3v2Texts shown_as_latin1;
};

// The walk behind read_id3v2_texts, over any bytes of a tag of `version` and
// `tag_size` (header included): the file's, or a tag being put together.
// With a layout it goes on past the three texts and lists every frame.
Id3v2Read walk_id3v2(const TagBytes& bytes, int version, std::int64_t tag_size, Id3v2Texts& texts,
                     Id3v2Layout* layout = nullptr);

// The same texts as TagLib reads them (in taglib_library.cpp): the fallback,
// and the yardstick the fast reader is tested against. False when TagLib
// could not open the file.
bool read_id3v2_texts_taglib(int fd, Id3v2Texts& texts);

}  // namespace tn
