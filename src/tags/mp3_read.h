#pragma once
// An MP3 file opened and its fields read, shared by the read and by the
// write, which reads the file in its own open before it plans.

#include <QByteArray>
#include <sys/stat.h>

#include "posix/fd.h"
#include "tags/id3v2_reader.h"
#include "tags/mp3_probe.h"
#include "tags/tag_access.h"

namespace tn {

struct Mp3Open {
  Fd fd;
  struct stat st {};
  bool link = false;  // the name's last part was a symbolic link
  Mp3Probe probe;
  // The ID3v2 tag's bytes (from its first), read once for every step of a
  // read or a plan that walks it: the open is not written while it is held.
  TagBytes tag;
};

// Opens path (O_RDONLY or O_RDWR), noting a link by the same open;
// tag_error::none or cannot_open. Not probed.
int open_file(const QByteArray& path, int flags, Mp3Open& out);

// The same, probed; tag_error::none or why not (the probe's error).
int open_mp3(const QByteArray& path, int flags, Mp3Open& out);

// Every field of the opened file, the identity, no_audio and legacy flags
// into out; v1: its ID3v1 block (empty without one). tag_error::none or
// read_failed.
int read_mp3_fields(const Mp3Open& file, TagRead& out, QByteArray& v1);

}  // namespace tn
