#include "tags/fields.h"

namespace tn {

namespace {
constexpr const char* k_keys[k_field_count] = {
    "title",    "album",   "artist",     "track",      "disc",       "year",        "genre",
    "album_artist", "composer", "comment", "title_sort", "album_sort", "artist_sort", "album_artist_sort",
};
}

const std::array<Field, k_field_count>& all_fields() {
  static const std::array<Field, k_field_count> fields = [] {
    std::array<Field, k_field_count> out{};
    for (int i = 0; i < k_field_count; ++i) out[static_cast<std::size_t>(i)] = static_cast<Field>(i);
    return out;
  }();
  return fields;
}

QString field_key(Field f) { return QString::fromLatin1(k_keys[static_cast<int>(f)]); }

std::optional<Field> field_from_key(const QString& key) {
  for (Field f : all_fields())
    if (field_key(f) == key) return f;
  return std::nullopt;
}

}  // namespace tn
