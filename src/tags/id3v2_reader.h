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

// The same texts as TagLib reads them (in taglib_library.cpp): the fallback,
// and the yardstick the fast reader is tested against. False when TagLib
// could not open the file.
bool read_id3v2_texts_taglib(int fd, Id3v2Texts& texts);

}  // namespace tn
