#pragma once
// The tag access: what a program needs of a song file's tags, whatever its
// format. A read gives every field the program knows (fields.h) with where
// it came from; a write run takes, per file, the fields to set and leaves
// every other byte of the tags as it was. A run plans every file, journals
// the plans together (one flush), carries them out and makes them durable
// before it returns, telling the observer it is handed what changed.
//
// Adding a field is adding it to fields.h: no call here changes. Another
// format (FLAC, MP4) is another implementation of TagAccess.

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "posix/file_identity.h"
#include "tags/fields.h"
#include "tags/tag_error.h"

namespace tn {

class ChangeObserver;

// Where a field's text came from.
enum class FieldSource {
  none,      // the file has no such field: the text is empty
  main_tag,  // the format's own tag (an ID3v2 frame)
  id3v1,     // the fixed block at an MP3 file's end, with no main-tag field beside it
  ape,       // an APE tag
};

struct FieldValue {
  QString text;  // whole, as the file holds it
  FieldSource source = FieldSource::none;
  // Decoded from legacy bytes (Shift-JIS or UTF-8 stored as ISO-8859-1):
  // other players show it garbled until it is written again.
  bool legacy = false;
  // The text a double-encoded text was ("ãƒ\x9dãƒƒãƒ—ã‚¹" → ポップス): what
  // the table shows instead, not yet written.
  std::optional<QString> repaired;
  bool operator==(const FieldValue&) const = default;
};

// A file read.
struct TagRead {
  std::optional<FileIdentity> identity;  // as of the read; nullopt: the access can't tell
  PerField<FieldValue> fields;
  bool no_audio = false;  // a tag but no audio (cut away, a tag alone)
  // The fields come from an old fixed block alone: any write carries them
  // into the main tag, in Unicode.
  bool legacy_block_alone = false;
};

// A read or write that failed: the error number (tag_error) and a detail
// (the system's reason, or the frame a write could not carry, in words
// that follow the refusal's text; may be empty).
struct TagFailure {
  enum class Stage { open, read, write };
  int number = tag_error::none;
  Stage stage = Stage::open;
  QString detail;
  bool operator==(const TagFailure&) const = default;
};

using TagReadResult = std::variant<TagRead, TagFailure>;

// One file of a write run.
struct FileEdits {
  QByteArray path;  // in the file system's bytes
  // The identity the caller read the file as: any other file, or this one
  // changed since, is refused (tag_error::changed_on_disk) with nothing
  // written. nullopt: not checked.
  std::optional<FileIdentity> read_as;
  // Per field: a text = store it (in Unicode, even when it is what the
  // file holds); an empty text = remove the field; nullopt = keep the
  // field's bytes as they are.
  PerField<std::optional<QString>> edits;
};

struct WriteOptions {
  // The caller shows texts cut after this many characters (0: whole). A set
  // text that is such a cut of the file's longer text keeps the file's.
  int shown_chars = 0;
  // Told of every change, before and after (the run's history); nullptr: nobody.
  ChangeObserver* observer = nullptr;
  // Called with the index of each file as the run reaches it.
  std::function<void(int index)> progress;
};

// What became of one file of a run.
struct FileWritten {
  bool written = false;     // false: refused, `failure` says why, the file as it was
  TagFailure failure;
  std::optional<FileIdentity> identity;  // written: the file's identity now
  // written: which fields the file now holds in legacy bytes, and whether
  // only an old fixed block holds them (TagRead's).
  PerField<bool> legacy;
  bool legacy_block_alone = false;
};

class TagAccess {
 public:
  virtual ~TagAccess() = default;
  // path in the file system's bytes.
  virtual TagReadResult read(const QByteArray& path) = 0;
  // One run: every file read and planned once, the plans journaled with one
  // flush, carried out, flushed and recorded (options.observer made durable)
  // before the journal goes. One answer per file, in order. A file refused
  // leaves the others going.
  virtual std::vector<FileWritten> write(const std::vector<FileEdits>& files, const WriteOptions& options) = 0;
};

// The MP3 access: ID3v2 (2.2, 2.3, 2.4), ID3v1 and APE, over TagLib where
// a tag is unusual.
std::unique_ptr<TagAccess> make_mp3_access();

}  // namespace tn
