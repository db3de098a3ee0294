#pragma once
// The shared values behind the track table: edit folder, file count and the
// file list as last listed from the folder.

#include <QString>
#include <array>
#include <optional>

#include "posix/file_identity.h"
#include "tags/fields.h"

namespace tn {

constexpr int k_max_files = 100;

// Every field (columns 3 on, in the fields' order) as a file holds it.
using TagTexts = std::array<QString, k_field_count>;
// One yes or no for each of them.
using TagFlags = std::array<bool, k_field_count>;
inline std::size_t field_index(Field f) { return static_cast<std::size_t>(f); }

// A yes or no for each field, by Field.
using FieldSet = PerField<bool>;
// Title, album and artist: always shown, whatever else is.
constexpr bool always_shown(Field f) { return f == Field::title || f == Field::album || f == Field::artist; }
// Those three alone, as the table starts; every field.
FieldSet default_shown();
FieldSet every_field();
inline TagFlags flags_of(const FieldSet& set) {
  TagFlags out{};
  for (Field f : all_fields()) out[field_index(f)] = set[f];
  return out;
}

class TrackState {
 public:
  QString edit_folder;   // always ends in "/"
  qint16 file_count = 0;  // N, 1 to 100 once a folder is confirmed
  // The fields whose columns the table shows (title, album and artist
  // always): what 全て書込 writes beside those three and what an export
  // writes.
  FieldSet shown_fields = default_shown();

  // Entry i of the file list; throws std::out_of_range outside 0..99.
  const QString& file(int i) const;
  // Entry i as listed from the folder (empty: row i has no file). A new
  // name forgets the identity of the entry's file.
  void set_file(int i, const QString& name);
  // Empties entry i after its file failed to read: the row is skipped until
  // the folder is listed again. The name it was listed with is kept, so an
  // undo can give the row back its own file, and no other.
  void clear_file(int i);
  // The name entry i was last listed with, also after clear_file.
  const QString& listed(int i) const;

  // The file entry i named when its tag was last read into the table.
  const std::optional<FileIdentity>& identity(int i) const;
  void set_identity(int i, const std::optional<FileIdentity>& id);

  // What entry i's file holds in the tag columns, as last read or written;
  // nullopt while no tag of the entry's file is in the table. Forgotten with
  // the identity.
  const std::optional<TagTexts>& on_disk(int i) const;
  void set_on_disk(int i, const std::optional<TagTexts>& texts);
  // Which of them entry i's file holds in legacy bytes (Shift-JIS, or UTF-8
  // where its tag says ISO-8859-1) that other players show garbled; all no
  // while on_disk is nullopt.
  const TagFlags& legacy(int i) const;
  void set_legacy(int i, const TagFlags& fields);
  // Whether entry i's file, as last read, holds a tag but no MPEG audio (cut
  // away, a tag alone): it reads and writes all the same, and its row says so.
  bool no_audio(int i) const { return no_audio_[static_cast<size_t>(i)]; }
  void set_no_audio(int i, bool none) { no_audio_[static_cast<size_t>(i)] = none; }
  // Whether those are an ID3v1 block's with no ID3v2 tag beside it: any
  // write of the file stores them in Unicode.
  bool legacy_v1_alone(int i) const { return legacy_v1_alone_[static_cast<size_t>(i)]; }
  void set_legacy_v1_alone(int i, bool alone) { legacy_v1_alone_[static_cast<size_t>(i)] = alone; }

  QString path_of(int i) const { return edit_folder + file(i); }

 private:
  std::array<QString, k_max_files> files_;
  std::array<QString, k_max_files> listed_;
  std::array<std::optional<FileIdentity>, k_max_files> identities_;
  std::array<std::optional<TagTexts>, k_max_files> on_disk_;
  std::array<TagFlags, k_max_files> legacy_{};
  std::array<bool, k_max_files> legacy_v1_alone_{};
  std::array<bool, k_max_files> no_audio_{};
};

// Track order text of row r: "01".."09", then "10".."100".
QString track_order(int row);

}  // namespace tn
