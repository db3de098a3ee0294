// The tag access over the five vbmp3_* calls of a tag library that has no
// access of its own (a test's fake): title, artist and album, and the track
// number, in the calls' order of open, read, write, close.

#include "tags/tag_access.h"
#include "tags/tag_library.h"
#include "text/text.h"

namespace tn {

namespace {

constexpr int k_bits[3] = {field_bit::title, field_bit::artist, field_bit::album};

char* record_field(TagRecordBytes& r, int i) { return i == 0 ? r.title : i == 1 ? r.artist : r.album; }

class CallsAccess final : public TagAccess {
 public:
  explicit CallsAccess(TagLibrary& lib) : lib_(lib) {}
  TagReadResult read(const QByteArray& path) override;
  std::vector<FileWritten> write(const std::vector<FileEdits>& files, const WriteOptions& options) override;

 private:
  int error(int fallback) {
    const int e = lib_.vbmp3_getLastErrorNo();
    return e != tag_error::none ? e : fallback;
  }
  // One file written; tag_error::none or why not. The library is closed after.
  int write_one(const FileEdits& file, FileWritten& out);

  TagLibrary& lib_;
};

TagReadResult CallsAccess::read(const QByteArray& path) {
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes record = empty_tag_bytes();
  TagReadResult out;
  if (!lib_.vbmp3_open(path, info)) {
    out = TagFailure{error(tag_error::cannot_open), TagFailure::Stage::open, {}};
  } else if (!lib_.vbmp3_getTagInfo(record)) {
    out = TagFailure{error(tag_error::read_failed), TagFailure::Stage::read, {}};
  } else {
    TagRead r;
    r.identity = lib_.open_file_identity();
    r.no_audio = lib_.open_file_without_audio();
    const int legacy = lib_.legacy_fields();
    r.legacy_block_alone = legacy & k_legacy_v1_alone;
    for (int i = 0; i < 3; ++i) {
      FieldValue& v = r.fields[k_three[i]];
      v.text = field_text(record_field(record, i), k_tag_text_bytes);
      v.source = v.text.isEmpty() ? FieldSource::none : FieldSource::main_tag;
      v.legacy = legacy & k_bits[i];
    }
    out = r;
  }
  lib_.vbmp3_close();
  return out;
}

int CallsAccess::write_one(const FileEdits& file, FileWritten& out) {
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes current = empty_tag_bytes();
  if (!lib_.vbmp3_open(file.path, info) || !lib_.vbmp3_getTagInfo(current)) return error(tag_error::write_failed);
  const std::optional<FileIdentity> now = lib_.open_file_identity();
  if (now && file.read_as && now != file.read_as) return tag_error::changed_on_disk;
  TagRecordBytes fresh = current;
  int from_table = 0;
  for (int i = 0; i < 3; ++i) {
    if (!file.edits[k_three[i]]) continue;
    // As the record carries a cell: cut after its 128th character, blanks up to 128.
    QString padded = first_chars(*file.edits[k_three[i]], k_tag_text_chars);
    padded += QString(k_tag_text_chars - char_count(padded), QLatin1Char(' '));
    set_field(record_field(fresh, i), k_tag_text_bytes, padded);
    from_table |= k_bits[i];
  }
  const std::optional<QString>& track = file.edits[Field::track];
  const int ok = track ? lib_.set_track_number(file.path, fresh, *track)
                       : lib_.vbmp3_setTagInfo(file.path, fresh, from_table, 1);
  if (!ok) return error(tag_error::write_failed);
  out.written = true;
  out.identity = lib_.open_file_identity();
  return tag_error::none;
}

std::vector<FileWritten> CallsAccess::write(const std::vector<FileEdits>& files, const WriteOptions& options) {
  std::vector<FileWritten> out(files.size());
  ChangeObserver* outer = lib_.change_observer();
  lib_.observe_changes(options.observer);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (options.progress) options.progress(static_cast<int>(i));
    const int e = write_one(files[i], out[i]);
    lib_.vbmp3_close();
    if (e != tag_error::none) out[i] = {false, {e, TagFailure::Stage::write, {}}, std::nullopt, {}, false};
  }
  const QByteArrayList lost = lib_.finish_writes();
  for (std::size_t i = 0; i < files.size(); ++i)
    if (out[i].written && lost.contains(files[i].path))
      out[i] = {false, {tag_error::write_failed, TagFailure::Stage::write, {}}, std::nullopt, {}, false};
  lib_.observe_changes(outer);
  return out;
}

}  // namespace

TagLibrary::TagLibrary() = default;
TagLibrary::~TagLibrary() = default;

TagAccess& TagLibrary::access() {
  if (!calls_access_) calls_access_ = std::make_unique<CallsAccess>(*this);
  return *calls_access_;
}

}  // namespace tn
