#pragma once
// Tags as taggers in the wild wrote them, each readable by a careful
// reader: for the tests of reading and writing them and the fuzz seeds.

#include <QStringList>

#include "mp3_fixture.h"

namespace tn::test {

enum class Unusual {
  zero_size_first,   // empty TENC, 2-byte WXXX, empty TCOP, then the texts (2.4)
  zero_size_middle,  // an empty TENC after the title (2.3)
  zero_size_end,     // an empty TCOP after the last frame (2.3)
  compressed_23,     // the title zlib-compressed (2.3)
  compressed_24,     // the same with a data length indicator (2.4)
  extended_23,       // an extended header (2.3)
  extended_24,
  extended_23_crc,   // an extended header with a CRC (2.3)
  extended_24_all,   // one with every flag: update, CRC (0x20), restrictions (2.4)
  unsynchronised,    // the whole tag unsynchronised (2.3)
  v22_date,          // 2.2 with TYE, TDA, TIM, a comment and a picture
  v22_unknown,       // the same and a frame of no 2.3 form
  invalid_utf8,      // a 2.4 UTF-8 album holding a byte of no UTF-8
  invalid_id_first,  // a first frame of no valid id ("Date") (2.3)
  zero_size_flagged, // an empty TXXX with unknown flag bits before the padding (2.3)
  utf16_no_mark,     // title and artist UTF-16 without a byte order mark (2.3)
  encrypted_23,      // an encrypted comment, its method registered (ENCR)
  encrypted_24,      // an encrypted private frame (2.4)
  grouped_23,        // a composer in a group (GRID)
  grouped_24,
  data_length_24,    // a band frame with a data length indicator (2.4)
  discard_flagged,   // a frame to be discarded when the tag changes (2.3)
  odd_utf16_length,  // a TLEN whose UTF-16 text has an odd trailing byte (2.3)
  plain_sizes_24,    // frame sizes as plain integers, the picture first (iTunes, 2.4)
  unsynchronised_24, // every frame unsynchronised, the header saying so (2.4)
};
constexpr Unusual k_unusual[] = {
    Unusual::zero_size_first, Unusual::zero_size_middle, Unusual::zero_size_end, Unusual::compressed_23,
    Unusual::compressed_24, Unusual::extended_23, Unusual::extended_24, Unusual::extended_23_crc,
    Unusual::extended_24_all, Unusual::unsynchronised, Unusual::v22_date, Unusual::v22_unknown,
    Unusual::invalid_utf8, Unusual::invalid_id_first, Unusual::zero_size_flagged, Unusual::utf16_no_mark,
    Unusual::encrypted_23, Unusual::encrypted_24, Unusual::grouped_23, Unusual::grouped_24,
    Unusual::data_length_24, Unusual::discard_flagged, Unusual::odd_utf16_length, Unusual::plain_sizes_24,
    Unusual::unsynchronised_24};
// Title, artist and album are k_unusual_texts, but for zero_size_first
// ("Emit and exude", "she", "emit and exude"), the 2.2 tags ("Title",
// "Artist", "Album"), the compressed title (k_unusual_texts' title and 40
// あ) and invalid_utf8 ("Title", "Artist", "Al\uFFFDbum").
Id3v2 unusual_tag(Unusual kind);
// An item of an APE tag: flags 0 for UTF-8 text, 2 for binary data.
struct ApeItem {
  QByteArray key, value;
  quint32 flags = 0;
};
// An APE tag of these items: version 2000 with a header, or 1000 (no header).
QByteArray ape_tag_bytes(const QList<ApeItem>& items, int version = 2000);

// Files where a careful reader finds a tag though no audio follows it, or
// though it does not start the file.
enum class OddFile {
  tag_alone,       // an ID3v2.3 tag with a picture, nothing after it
  crc_tag_alone,   // extended_24_all, nothing after it
  v1_alone,        // an ID3v1 tag, nothing else
  v1_after_junk,   // a few bytes of junk, then an ID3v1 tag
  tag_after_junk,  // 2 KB of junk, then an ID3v2.3 tag and audio
};
constexpr OddFile k_odd_files[] = {OddFile::tag_alone, OddFile::crc_tag_alone, OddFile::v1_alone,
                                   OddFile::v1_after_junk, OddFile::tag_after_junk};
// The texts are k_unusual_texts; the ID3v1 ones "Title A", "Artist A", "Album A".
QByteArray odd_file(OddFile kind);
inline const QStringList k_unusual_texts{QStringLiteral("春の歌"), QStringLiteral("歌手"),
                                         QStringLiteral("アルバム")};

}  // namespace tn::test
