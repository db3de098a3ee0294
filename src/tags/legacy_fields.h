#pragma once
// Which texts a tag read decoded from legacy bytes, so that the table can
// tell the user that other players show them garbled until they are written.

#include <QByteArray>

#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

// The fields (field_bit values) of read that the file holds in legacy bytes:
// an ID3v1 field, or an ID3v2 frame of encoding 0, whose text is not what
// its bytes give as ISO-8859-1. fd: the file read, probe its probe_mp3;
// id3v1: its ID3v1 block, if it has one. Only a tag with a text beyond ASCII
// is walked again.
int legacy_fields(int fd, const Mp3Probe& probe, const LastRead& read, const QByteArray& id3v1);

}  // namespace tn
