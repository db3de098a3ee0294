#pragma once
// An APE tag (version 1 or 2) at the end of a file, before an ID3v1 block or
// not, as some players and loudness tools leave them: kept in step with the
// texts a write sets, as the ID3v1 block is (step 2 of write_plan.h), for
// players that read it before ID3. Every other item (ReplayGain, a cover,
// custom ones) stays byte for byte.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "tags/write_plan.h"

namespace tn {

struct ApeTag {
  std::int64_t offset = -1;  // of its first byte (header, or first item); -1: no tag
  QByteArray bytes;          // the whole tag as stored
};

enum class ApeFound { none, found, broken };

// The APE tag that ends at `end` (the file's size, or where its ID3v1 block
// begins), no earlier than `start` (the end of the ID3v2 tag). broken: a
// footer whose tag can't be walked item by item.
ApeFound find_ape(int fd, std::int64_t start, std::int64_t end, ApeTag& tag);

// The tag with the items of the fields the write sets (Title, Artist, Album;
// of others those an APE tag has a key for: Track, Year, Genre, …) holding
// the new texts, added where missing, removed where the text is empty.
// False when the tag can't be carried whole (a field's item that is no text).
bool new_ape(const QByteArray& old, const WantedTexts& wanted, const OtherEdits* others, QByteArray& out);

}  // namespace tn
