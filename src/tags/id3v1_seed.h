#pragma once
// The ID3v2 tag a write starts from when a file has only an ID3v1 block:
// its year, genre, track and comment as frames, so that players that look
// no further than the new ID3v2 tag still show them. (Title, artist and
// album go in with the write's own texts.)

#include <QByteArray>

namespace tn {

// An ID3v2.3 tag of those frames (without padding), or nothing when the
// block holds none of them.
QByteArray id3v2_from_id3v1(const QByteArray& block);

}  // namespace tn
