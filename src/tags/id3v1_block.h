#pragma once
// The ID3v1 block at the end of a file: the texts a read takes from it, and
// the block a write leaves (step 2 of write_plan.h). It is patched field by
// field: TagLib's own ID3v1 renderer would turn an empty year into "0", cut a
// 30-byte comment to 28 and split double-byte characters.

#include <QByteArray>
#include <QString>

#include "tags/fields.h"
#include "tags/mp3_probe.h"
#include "tags/write_plan.h"

namespace tn {

constexpr int k_id3v1_size = 128;

// The file's last 128 bytes, which probe says are an ID3v1 block.
bool read_id3v1(int fd, const Mp3Probe& probe, QByteArray& block);

// Field i (title, artist, album) of a block: its bytes up to the first zero,
// trailing blanks dropped; its text, through the legacy decision.
QByteArray id3v1_bytes(const QByteArray& block, int i);
QString id3v1_text(const QByteArray& block, int i);

// A field of the block as a read shows it (title, artist, album, year,
// comment, track of an ID3v1.1 block, genre by name); empty for a field
// the block has no room for. legacy: whether it is decoded from legacy bytes.
QString id3v1_field(const QByteArray& block, Field f, bool* legacy = nullptr);

// The block with the fields that change stored anew. others: the write's
// other fields; a track number ("3/12") goes into the ID3v1.1 track byte
// where the block has one (the comment's 29th byte zero), a year, comment
// and genre into theirs (a genre by its number in the list, or none).
QByteArray new_id3v1(const QByteArray& old, const WantedTexts& wanted, const OtherEdits* others = nullptr);

}  // namespace tn
