#pragma once
// The two records exchanged with the tag library, in their fixed byte layout,
// and the program's own form of the tag record.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tn {

// A text field keeps 128 characters; in UTF-8 any 128 of them fit in 512 bytes.
constexpr int k_tag_text_chars = 128;
constexpr int k_tag_text_bytes = 4 * k_tag_text_chars;
constexpr int k_year_bytes = 5;

// The byte form: texts in this platform's code page (UTF-8), one fixed field
// each, read up to the first zero byte (the whole field when it holds none).
// The fields are wide enough for 128 characters of any script, so no text the
// table keeps is cut by the byte form.
struct TagRecordBytes {
  char title[k_tag_text_bytes];
  char artist[k_tag_text_bytes];
  char album[k_tag_text_bytes];
  char year[k_year_bytes];
  char comment[k_tag_text_bytes];
  char gap[3];
  std::int32_t genre_no;
  char genre_name[k_tag_text_bytes];
};
static_assert(sizeof(TagRecordBytes) == 2572);
static_assert(offsetof(TagRecordBytes, artist) == 512);
static_assert(offsetof(TagRecordBytes, album) == 1024);
static_assert(offsetof(TagRecordBytes, year) == 1536);
static_assert(offsetof(TagRecordBytes, comment) == 1541);
static_assert(offsetof(TagRecordBytes, genre_no) == 2056);
static_assert(offsetof(TagRecordBytes, genre_name) == 2060);

struct OpenRecordBytes {
  char text1[128];
  char text2[128];
  std::int32_t value[4];
};
static_assert(sizeof(OpenRecordBytes) == 272);

// The program's form: texts of up to 128 characters (year: 5).
struct TagRecord {
  QString title, artist, album, year, comment;
  std::int32_t genre_no = 0;
  QString genre_name;
};

// A zeroed record.
TagRecordBytes empty_tag_bytes();
OpenRecordBytes empty_open_bytes();

// Text of a fixed field: up to its first zero byte, decoded as UTF-8.
QString field_text(const char* field, int width);
// Stores text into a fixed field as UTF-8. A character that does not fit
// whole is dropped, never cut in half; the rest of the field is filled with
// `pad` (zero, or a blank as the writers hand it over).
void set_field(char* field, int width, const QString& text, char pad = '\0');

// A fixed field's bytes up to its first zero, trailing blanks dropped.
QByteArray field_bytes(const char* field);

TagRecordBytes to_bytes(const TagRecord& record, char pad = '\0');
TagRecord from_bytes(const TagRecordBytes& bytes);

}  // namespace tn
