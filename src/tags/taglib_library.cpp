// The tag library of the five vbmp3_* calls, a thin adapter over the MP3
// tag access (tag_access.h): an open is a read, a write a run of one file.
// What the 128-character record can't say (a text longer than it holds,
// handed back unchanged) is decided here, where the record lives.

#include <memory>

#include "tags/tag_access.h"
#include "tags/tag_library.h"
#include "tags/write_plan.h"
#include "text/text.h"

namespace tn {

namespace {

constexpr int k_bits[k_fields] = {field_bit::title, field_bit::artist, field_bit::album};

char* record_field(TagRecordBytes& r, int i) { return i == 0 ? r.title : i == 1 ? r.artist : r.album; }
const char* record_field(const TagRecordBytes& r, int i) { return i == 0 ? r.title : i == 1 ? r.artist : r.album; }

class TaglibLibrary final : public TagLibrary {
 public:
  TaglibLibrary() : mp3_(make_mp3_access()) {}
  TagAccess& access() override { return *mp3_; }
  int vbmp3_open(const QByteArray& path, OpenRecordBytes& info) override;
  int vbmp3_getTagInfo(TagRecordBytes& record) override;
  int vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record, int from_table, int) override {
    return write(path, edits_of(path, record, from_table));
  }
  void vbmp3_close() override {
    is_open_ = false;
    shown_.reset();
  }
  int vbmp3_getLastErrorNo() override { return last_error_; }
  std::optional<FileIdentity> open_file_identity() const override {
    const TagRead* r = open_read();
    return r ? r->identity : std::nullopt;
  }
  int legacy_fields() const override;
  bool open_file_without_audio() const override { return open_read() && open_read()->no_audio; }
  int set_track_number(const QByteArray& path, const TagRecordBytes& record, const QString& track) override {
    PerField<std::optional<QString>> edits = edits_of(path, record, 0);
    edits[Field::track] = track;
    return write(path, edits);
  }

 private:
  // The read of the open file; nullptr when nothing is open or its tag
  // could not be read.
  const TagRead* open_read() const { return is_open_ ? std::get_if<TagRead>(&read_) : nullptr; }
  int fail(int error) {
    last_error_ = error;
    return 0;
  }
  // The record's fields as edits: one the caller took from the table, or
  // changed from what the last read gave, is stored; one handed back as
  // read stays byte for byte, and so does a text longer than the record
  // holds, come back unchanged.
  PerField<std::optional<QString>> edits_of(const QByteArray& path, const TagRecordBytes& record, int from_table) const;
  int write(const QByteArray& path, const PerField<std::optional<QString>>& edits);

  std::unique_ptr<TagAccess> mp3_;
  bool is_open_ = false;
  QByteArray open_path_;
  TagReadResult read_;
  // The record the last tag read of the open file gave, when it still
  // describes the file.
  std::optional<TagRecordBytes> shown_;
  int last_error_ = tag_error::none;
};

int TaglibLibrary::vbmp3_open(const QByteArray& path, OpenRecordBytes& info) {
  vbmp3_close();
  info = empty_open_bytes();
  read_ = mp3_->read(path);
  // A broken tag still opens; reading it then reports the failure.
  if (const auto* f = std::get_if<TagFailure>(&read_); f && f->stage == TagFailure::Stage::open)
    return fail(f->number);
  is_open_ = true;
  open_path_ = path;
  last_error_ = tag_error::none;
  return 1;
}

int TaglibLibrary::vbmp3_getTagInfo(TagRecordBytes& record) {
  if (!is_open_) return fail(tag_error::no_file_open);
  if (const auto* f = std::get_if<TagFailure>(&read_)) return fail(f->number);
  // Every field is filled, so a reused record never carries another file's text.
  record = empty_tag_bytes();
  const TagRead& r = std::get<TagRead>(read_);
  for (int i = 0; i < k_fields; ++i)
    set_field(record_field(record, i), k_tag_text_bytes, first_chars(r.fields[k_three[i]].text, k_tag_text_chars));
  shown_ = record;
  last_error_ = tag_error::none;
  return 1;
}

int TaglibLibrary::legacy_fields() const {
  if (!is_open_ || !shown_) return 0;
  const TagRead& r = std::get<TagRead>(read_);
  int bits = 0;
  for (int i = 0; i < k_fields; ++i)
    if (r.fields[k_three[i]].legacy) bits |= k_bits[i];
  return bits | (r.legacy_block_alone ? k_legacy_v1_alone : 0);
}

PerField<std::optional<QString>> TaglibLibrary::edits_of(const QByteArray& path, const TagRecordBytes& record,
                                                         int from_table) const {
  const bool known = is_open_ && open_path_ == path && shown_;
  PerField<std::optional<QString>> edits;
  for (int i = 0; i < k_fields; ++i) {
    const QByteArray bytes = field_bytes(record_field(record, i));
    if (!known || bytes != field_bytes(record_field(*shown_, i))) {
      edits[k_three[i]] = QString::fromUtf8(bytes);
      continue;
    }
    const QString& whole = std::get<TagRead>(read_).fields[k_three[i]].text;
    const bool cut = char_count(whole) > k_tag_text_chars;
    if ((from_table & k_bits[i]) && !cut) edits[k_three[i]] = whole;
  }
  return edits;
}

int TaglibLibrary::write(const QByteArray& path, const PerField<std::optional<QString>>& edits) {
  FileEdits file{path, std::nullopt, edits};
  if (is_open_ && open_path_ == path) file.read_as = open_file_identity();
  WriteOptions options;
  options.observer = change_observer();
  const FileWritten done = mp3_->write({file}, options).front();
  // The file has changed (or may have): what was read no longer describes
  // it, and an open handle on it is renewed.
  if (is_open_ && open_path_ == path) {
    OpenRecordBytes info;
    const QByteArray p = open_path_;
    vbmp3_open(p, info);
  }
  if (!done.written) return fail(done.failure.number != tag_error::none ? done.failure.number : tag_error::write_failed);
  last_error_ = tag_error::none;
  return 1;
}

}  // namespace

std::unique_ptr<TagLibrary> make_taglib_library() { return std::make_unique<TaglibLibrary>(); }

}  // namespace tn
