#include "table/track_state.h"

#include <stdexcept>

namespace tn {

static void check_index(int i) {
  if (i < 0 || i >= k_max_files)
    throw std::out_of_range("file list index " + std::to_string(i) + " outside 0..99");
}

const QString& TrackState::file(int i) const {
  check_index(i);
  return files_[static_cast<size_t>(i)];
}

void TrackState::set_file(int i, const QString& name) {
  check_index(i);
  if (files_[static_cast<size_t>(i)] != name) {
    identities_[static_cast<size_t>(i)].reset();
    set_on_disk(i, std::nullopt);
  }
  files_[static_cast<size_t>(i)] = name;
  listed_[static_cast<size_t>(i)] = name;
}

void TrackState::clear_file(int i) {
  check_index(i);
  files_[static_cast<size_t>(i)].clear();
  identities_[static_cast<size_t>(i)].reset();
  set_on_disk(i, std::nullopt);
}

const QString& TrackState::listed(int i) const {
  check_index(i);
  return listed_[static_cast<size_t>(i)];
}

const std::optional<FileIdentity>& TrackState::identity(int i) const {
  check_index(i);
  return identities_[static_cast<size_t>(i)];
}

void TrackState::set_identity(int i, const std::optional<FileIdentity>& id) {
  check_index(i);
  identities_[static_cast<size_t>(i)] = id;
}

const std::optional<TagTexts>& TrackState::on_disk(int i) const {
  check_index(i);
  return on_disk_[static_cast<size_t>(i)];
}

void TrackState::set_on_disk(int i, const std::optional<TagTexts>& texts) {
  check_index(i);
  on_disk_[static_cast<size_t>(i)] = texts;
  if (!texts) legacy_[static_cast<size_t>(i)] = {};
  if (!texts) no_audio_[static_cast<size_t>(i)] = false;
}

const TagFlags& TrackState::legacy(int i) const {
  check_index(i);
  return legacy_[static_cast<size_t>(i)];
}

void TrackState::set_legacy(int i, const TagFlags& fields) {
  check_index(i);
  legacy_[static_cast<size_t>(i)] = fields;
}

FieldSet default_shown() {
  FieldSet out;
  for (Field f : all_fields()) out[f] = always_shown(f);
  return out;
}

FieldSet every_field() {
  FieldSet out;
  for (Field f : all_fields()) out[f] = true;
  return out;
}

QString track_order(int row) {
  return row < 10 ? QStringLiteral("0") + QString::number(row) : QString::number(row);
}

}  // namespace tn
