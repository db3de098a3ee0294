#pragma once
// The records of a BIFF5, BIFF7 or BIFF8 workbook stream (.xls since
// Excel 5), with their CONTINUE records joined on, and the strings inside
// them. Every length is checked against the bytes: nothing here trusts the
// file.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tn::biff {

inline std::uint16_t u16(const char* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                    static_cast<unsigned char>(p[1]) << 8);
}
inline std::uint32_t u32(const char* p) {
  return static_cast<std::uint32_t>(u16(p)) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}

// One record and the CONTINUE records after it, as one body.
struct Record {
  std::uint16_t type = 0;
  qsizetype offset = 0;  // of the record's header in the stream
  QByteArray body;
  // Where in body each CONTINUE's bytes begin: a string's characters that
  // go on there start with a flag byte of their own (BIFF8).
  std::vector<qsizetype> breaks;
  // The length of the record itself, before any CONTINUE.
  qsizetype own_length() const { return breaks.empty() ? body.size() : breaks.front(); }
};

class Records {
 public:
  explicit Records(const QByteArray& stream) : stream_(stream) {}
  // The next record into r; false at the end of the stream, and also (with
  // broken() set) at a record that runs past it or is longer than BIFF allows.
  bool next(Record& r);
  bool broken() const { return broken_; }

 private:
  bool header(qsizetype at, std::uint16_t& type, std::uint16_t& len);
  const QByteArray& stream_;
  qsizetype pos_ = 0;
  bool broken_ = false;
};

// Text of a legacy code page (BIFF5 strings); files without a CODEPAGE
// record are Windows Latin 1, as Excel 5 writes them.
QString decode_codepage(const QByteArray& bytes, int codepage);

// Reads fields of one record from pos on; a read past the record fails
// and leaves ok() false.
class Cursor {
 public:
  Cursor(const Record& r, qsizetype pos, int biff, int codepage)
      : r_(r), pos_(pos), biff_(biff), codepage_(codepage) {}
  bool ok() const { return ok_; }
  qsizetype pos() const { return pos_; }
  std::uint8_t u8();
  std::uint16_t u16();
  // A string with a length field of len_bytes (1 or 2): BIFF8 Unicode text
  // whose rich-text runs and phonetic readings are skipped, or BIFF5 bytes
  // in the book's code page.
  std::optional<QString> string(int len_bytes);

 private:
  bool need(qsizetype n);
  std::optional<QString> unicode_chars(qsizetype count, bool wide);
  const Record& r_;
  qsizetype pos_;
  int biff_, codepage_;
  bool ok_ = true;
};

}  // namespace tn::biff
