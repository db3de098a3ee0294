#pragma once
// A tag write, in the order it happens, each step in a room of its own:
//  1. what each field becomes (wanted_fields, here);
//  2. the new ID3v1 block (id3v1_block.h) and APE tag (ape_tag.h), and the
//     check that no text is replaced the table did not show (frame_check.h);
//  3. the new ID3v2 tag: planned from the frame headers, every other frame
//     carried (text_frames.h), or else rendered by TagLib (taglib_tag.h);
//  4. carried out: the ranges that differ overwritten in place under the
//     journal, or a new file renamed over the old (Mp3Writer::apply in
//     mp3_apply.cpp, the one place a write changes the file).
// This header holds what travels from step to step.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "durable/journal.h"
#include "tags/fields.h"
#include "tags/tag_access.h"

namespace tn {

constexpr int k_fields = 3;  // title, artist, album
constexpr const char* k_frame_ids[k_fields] = {"TIT2", "TPE1", "TALB"};

// One field of the new tag: title, artist, album.
struct WantedText {
  QString text;             // what a read must give afterwards
  bool written = false;     // the caller took it from the table
  bool kept = false;        // the file's frame stays as it is
  bool from_id3v1 = false;  // kept, but shown from ID3v1: goes into ID3v2 if it has no frame
};
using WantedTexts = std::array<WantedText, k_fields>;

// A field beyond title, artist and album that a write sets; an empty text
// removes it.
struct OtherEdit {
  Field field;
  QString text;
};
using OtherEdits = std::vector<OtherEdit>;

// Step 1. now: the file as read in the write's own open; edits and
// shown_chars as the write run was given them (tag_access.h). The other
// fields set go to `others`.
WantedTexts wanted_fields(const TagRead& now, const PerField<std::optional<QString>>& edits, int shown_chars,
                          OtherEdits& others);

// A piece of a new tag that does not fit the old one's space, in order:
// bytes of the old file (from `from` on), or `bytes`, or else `size` zeros.
struct TagPiece {
  std::int64_t from = -1;
  std::int64_t size = 0;
  QByteArray bytes;
};

// Step 3's answer: the new ID3v2 tag.
struct NewId3v2 {
  enum class Kind { same, in_place, rewrite };
  Kind kind = Kind::same;
  std::vector<Patch> patches;  // in_place: where the new tag differs (may be none)
  std::vector<TagPiece> tag;   // rewrite: the whole new tag, which does not fit the old space
};

// What step 4 carries out.
struct FileChange {
  enum class Kind { none, in_place, rewrite };
  Kind kind = Kind::none;
  // in_place: the ranges of ID3v2, APE and ID3v1 to overwrite, old and new bytes.
  std::vector<Patch> patches;
  // rewrite: the new file is `tag`, the old file's audio [audio_begin,
  // audio_end), then the APE tag ape and the ID3v1 block v1 (either may be
  // none). The old tag is the old file's [0, audio_begin), what follows the
  // audio its [audio_end, end).
  std::vector<TagPiece> tag;
  std::int64_t audio_begin = 0, audio_end = 0;
  QByteArray ape, v1;
};

// The tail of a file a write keeps in step: an APE tag (ape_at: where it
// begins, -1 for none) and an ID3v1 block, old and new.
struct TailChange {
  std::int64_t ape_at = -1;
  QByteArray ape_old, ape, v1_old, v1;
};

// Step 4's plan from steps 2 and 3: in place where everything keeps its
// size, else a rewrite. tag_end: where the old ID3v2 tag ends (0 for
// none; past any junk before it).
FileChange file_change(std::int64_t tag_end, std::int64_t file_size, NewId3v2 v2, const TailChange& tail);

}  // namespace tn
