#pragma once
// Title, artist and album from the ID3v2 tag of a file, reading
// only the frame headers and the bodies of those three frames: everything
// else (a cover picture above all) is stepped over by its size.
//
// For plain tags it gives exactly the texts TagLib gives. It also reads what
// TagLib or mutagen read of tags that are not plain: unsynchronisation,
// extended headers, footers, compressed frames, zero-size frames, frames of
// no valid id, UTF-16 without a byte order mark, a damaged frame or the
// file's end cutting the tag short (the frames before it are read), a 2.2
// tag flagged compressed (as TagLib reads it). What only TagLib's quirks
// decide (odd encodings, sizes that are neither synchsafe nor plain) is
// "can't say", and the caller asks TagLib.

#include <QByteArray>
#include <QString>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "tags/mp3_probe.h"

namespace tn {

// Title, artist, album; empty where the tag has no such frame.
using Id3v2Texts = std::array<QString, 3>;

enum class Id3v2Read {
  done,        // texts filled (all empty without an ID3v2 tag at the start)
  cannot_say,  // ask TagLib
  read_error,  // the file could not be read (or shrank since the probe), or
               // its end cuts the tag short before any of the three texts
};

// fd: open for reading; probe: probe_mp3 of it, without tag_broken unless tag_cut.
Id3v2Read read_id3v2_texts(int fd, const Mp3Probe& probe, Id3v2Texts& texts);

// Where a walk reads a tag from: n bytes at offset (from the tag's first
// byte) into buf; false when there are fewer.
using TagBytes = std::function<bool(std::int64_t offset, void* buf, std::size_t n)>;
// The tag that starts at byte `start` of the file.
TagBytes file_bytes(int fd, std::int64_t start = 0);
// A tag held in memory, which must outlive the reads.
TagBytes memory_bytes(const QByteArray& bytes);

// One frame of a tag.
struct Id3v2Frame {
  std::array<char, 4> id{};  // three letters and a zero in 2.2
  std::int64_t offset = 0;   // of its header, from the tag's first byte (resynchronised)
  std::int64_t size = 0;     // header included
  int field = -1;            // 0, 1, 2: a title, artist or album frame
  int encoding = -1;         // a text frame's encoding byte
  bool readable = true;      // false: encrypted, or its stored form is broken
  bool stepped_over = false; // of no valid id, or of size zero: TagLib stops at it
  bool no_mark = false;      // a text read as UTF-16 without a byte order mark
  QByteArray content;        // with_content: what it holds, flags undone
};

// Every frame of a tag, and what players that take ISO-8859-1 as it is show
// for title, artist and album.
struct Id3v2Layout {
  bool with_content = false;  // asked for: every frame's content
  std::vector<Id3v2Frame> frames;
  std::int64_t frames_end = 10;  // where the padding begins
  Id3v2Texts shown_as_latin1;
  // The field's first frame has an encoding byte of no known encoding: its
  // text is TagLib's guess, not ours.
  std::array<bool, 3> odd_encoding{};
  // No header or frame flags: the frames lie in the file as listed.
  bool plain = true;
  // A frame TagLib would not read as the walk did: one stepped over, or a
  // text without a byte order mark (Id3v2Frame).
  bool stepped_over = false;
  // Every byte up to frames_end is a frame, the rest padding; false when a
  // damaged frame or the file's end stopped the walk.
  bool whole = true;
};

// The walk behind read_id3v2_texts, over any bytes of a tag of `version` and
// `tag_size` (header included): the file's, or a tag being put together.
// With a layout it goes on past the three texts and lists every frame.
// present: how many of the tag's bytes there are (fewer when the file's
// end cuts it short).
Id3v2Read walk_id3v2(const TagBytes& bytes, int version, std::int64_t tag_size, Id3v2Texts& texts,
                     Id3v2Layout* layout = nullptr, std::int64_t present = INT64_MAX);

// The same texts as TagLib reads them (in taglib_library.cpp): the fallback,
// and the yardstick the fast reader is tested against. False when TagLib
// could not open the file.
bool read_id3v2_texts_taglib(int fd, Id3v2Texts& texts);

// The texts of a tag the fast read can't say about, over TagLib's `texts`:
// where only a frame of no known encoding stopped it, our texts of the other
// fields, so that a field reads the same whichever way its tag is read.
// present as for walk_id3v2.
void prefer_own_texts(const TagBytes& bytes, int version, std::int64_t tag_size, Id3v2Texts& texts,
                      std::int64_t present = INT64_MAX);

}  // namespace tn
