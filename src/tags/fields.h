#pragma once
// The fields of a file's tag the program reads, shows and writes, in the
// order of the table's columns. The names are those of the command line's
// options and of the JSON keys; what each field is stored as in a given
// format (an ID3v2 frame, an APE item) is the tag access's business.

#include <QString>
#include <array>
#include <optional>

namespace tn {

enum class Field : int {
  title,
  album,
  artist,
  track,
  disc,
  year,
  genre,
  album_artist,
  composer,
  comment,
  title_sort,
  album_sort,
  artist_sort,
  album_artist_sort,
};
inline constexpr int k_field_count = 14;

// The three fields the tag record and the ID3v2 walk hold apart, in their
// order there (the record's, not the table's): title, artist, album.
inline constexpr std::array<Field, 3> k_three{Field::title, Field::artist, Field::album};

// Every field, in the table's order.
const std::array<Field, k_field_count>& all_fields();
// "title", "album_artist", …
QString field_key(Field f);
std::optional<Field> field_from_key(const QString& key);

// One text a field of every kind, indexed by Field.
template <typename T>
class PerField {
 public:
  T& operator[](Field f) { return v_[static_cast<std::size_t>(f)]; }
  const T& operator[](Field f) const { return v_[static_cast<std::size_t>(f)]; }
  bool operator==(const PerField&) const = default;

 private:
  std::array<T, k_field_count> v_{};
};

}  // namespace tn
