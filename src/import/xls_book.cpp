// .xls (BIFF8, and BIFF5/7) through FreeXL, after a pass of our own over the
// records: FreeXL trusts what it reads, and misses some kinds of cell.

#include <freexl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "import/book.h"
#include "import/cell_text.h"
#include "import/compound_file.h"

namespace tn {

namespace {

// FreeXL keeps a cell slot for every cell of every sheet's used range; a
// forged range would make it allocate without end. This is one full sheet.
constexpr std::uint64_t k_max_cells = 65536ULL * 256;

std::uint16_t u16(const char* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                    static_cast<unsigned char>(p[1]) << 8);
}
std::uint32_t u32(const char* p) {
  return static_cast<std::uint32_t>(u16(p)) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}

// Text of a legacy code page (BIFF5 strings) through glibc's iconv.
QString decode_codepage(const QByteArray& bytes, int codepage) {
  if (codepage == 1200 || codepage == 0) return QString::fromLatin1(bytes);
  const QByteArray name = codepage == 0x8001   ? QByteArray("CP1252")
                          : codepage == 0x8000 ? QByteArray("MACINTOSH")
                                               : "CP" + QByteArray::number(codepage);
  iconv_t cd = iconv_open("UTF-16LE", name.constData());
  if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes);
  QByteArray in = bytes, out(bytes.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return QString::fromLatin1(bytes);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()),
                            static_cast<qsizetype>((out.size() - static_cast<qsizetype>(ol)) / 2));
}

std::uint64_t cell_key(int sheet, int row, int col) {
  return static_cast<std::uint64_t>(sheet) << 40 | static_cast<std::uint64_t>(row) << 16 |
         static_cast<std::uint64_t>(col);
}

// What FreeXL does not tell: it reads a truth value or an error value as the
// integer 0 or 1 and skips formula cells entirely. A pass of our own over the
// records finds those cells (and a password, and forged sizes) first.
struct Scan {
  bool sound = false;
  bool encrypted = false;
  std::uint64_t cells = 0;
  // nullopt marks an error value.
  std::unordered_map<std::uint64_t, std::optional<QString>> special;
};

// FreeXL takes the fields of a record where they should be, whatever the
// record's length says; a record too short for them would have it read past
// the data. Every record it parses must hold what it reads.
bool unicode_fits(const char* flags, qsizetype avail, qsizetype chars) {
  if (avail < 1) return false;
  const unsigned char f = static_cast<unsigned char>(*flags);
  const qsizetype header = 1 + (f & 0x08 ? 2 : 0) + (f & 0x04 ? 4 : 0);
  return header + chars * (f & 0x01 ? 2 : 1) <= avail;
}

bool record_sound(int biff, std::uint16_t type, const char* b, qsizetype len) {
  switch (type) {
    case 0x0809: return len >= 4;                        // BOF
    case 0x0042: case 0x0022: return len >= 2;           // CODEPAGE, DATEMODE
    case 0x00E0: return len >= 4;                        // XF
    case 0x0203: return len >= 14;                       // NUMBER
    case 0x0205: return len >= 8;                        // BOOLERR
    case 0x027E: case 0x00FD: return len >= 10;          // RK, LABELSST
    case 0x00BD: return len >= 4;                        // MULRK
    case 0x00FC: return len >= 8;                        // SST
    case 0x0200: return len >= (biff == 8 ? 12 : 8);     // DIMENSION
    case 0x0085:                                         // BOUNDSHEET
      if (len < 8) return false;
      return biff == 8 ? unicode_fits(b + 7, len - 7, static_cast<unsigned char>(b[6]))
                       : 7 + static_cast<unsigned char>(b[6]) <= len;
    case 0x041E:                                         // FORMAT
      return biff == 8 ? len >= 5 && unicode_fits(b + 4, len - 4, u16(b + 2)) : len >= 4;
    case 0x0204:                                         // LABEL
      if (len < 8) return false;
      return biff == 8 ? unicode_fits(b + 8, len - 8, u16(b + 6)) : 8 + u16(b + 6) <= len;
    default: return true;
  }
}

// The shared strings as FreeXL walks them: a string's header must lie in one
// record, its characters may go on into the next record once, and what
// follows them (formatting runs, extensions) must end in the record after.
bool sst_sound(const std::vector<QByteArray>& parts) {
  if (parts.empty() || parts[0].size() < 8) return true;
  const std::uint32_t count = u32(parts[0].constData() + 4);
  size_t part = 0;
  qsizetype pos = 8, skip_into_next = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (pos >= parts[part].size()) {
      if (++part == parts.size()) return true;  // the rest is missing: FreeXL fails cleanly
      pos = skip_into_next;
      skip_into_next = 0;
      if (pos > parts[part].size()) return false;
      if (pos == parts[part].size()) { --i; continue; }
    }
    const QByteArray& r = parts[part];
    if (pos + 3 > r.size()) return false;
    const qsizetype cch = u16(r.constData() + pos);
    const unsigned char f = static_cast<unsigned char>(r[pos + 2]);
    const qsizetype header = 3 + (f & 0x08 ? 2 : 0) + (f & 0x04 ? 4 : 0);
    if (pos + header > r.size()) return false;
    const qsizetype extra = (f & 0x08 ? 4 * qsizetype(u16(r.constData() + pos + 3)) : 0) +
                            (f & 0x04 ? qsizetype(u32(r.constData() + pos + 3 + (f & 0x08 ? 2 : 0))) : 0);
    const qsizetype width = f & 0x01 ? 2 : 1;
    pos += header;
    const qsizetype here = (r.size() - pos) / width;
    if (cch <= here) {
      pos += cch * width + extra;
      if (pos > r.size()) {
        skip_into_next = pos - r.size();
        pos = r.size();
      }
      continue;
    }
    // Split: the rest of the characters open the next record, after a flag byte.
    if (++part == parts.size()) return true;
    const QByteArray& next = parts[part];
    if (next.isEmpty()) return false;
    const qsizetype rest = cch - here;
    const qsizetype next_width = next[0] & 0x01 ? 2 : 1;
    pos = 1 + rest * next_width + extra;
    if (pos > next.size()) return false;
  }
  return true;
}

// The code of a FORMAT record, whose size record_sound has checked.
QString format_code(int biff, const char* body, qsizetype len, int codepage) {
  if (biff == 5) {
    const qsizetype n = std::min<qsizetype>(static_cast<unsigned char>(body[2]), len - 3);
    return decode_codepage(QByteArray(body + 3, std::max<qsizetype>(n, 0)), codepage);
  }
  const qsizetype chars = u16(body + 2);
  const unsigned char flags = static_cast<unsigned char>(body[4]);
  const qsizetype at = 5 + (flags & 0x08 ? 2 : 0) + (flags & 0x04 ? 4 : 0);
  if (flags & 0x01)
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(body + at), chars);
  return QString::fromLatin1(body + at, chars);
}

Scan scan_records(const QByteArray& stream) {
  enum : std::uint16_t {
    k_formula = 0x0006, k_filepass = 0x002F, k_codepage = 0x0042,
    k_boundsheet = 0x0085, k_dimension = 0x0200, k_boolerr = 0x0205, k_string = 0x0207,
    k_bof = 0x0809, k_sst = 0x00FC, k_continue = 0x003C, k_datemode = 0x0022,
    k_xf = 0x00E0, k_format = 0x041E
  };
  auto in_sheet = [](int sheet) { return sheet != -1; };
  Scan scan;
  std::vector<std::uint32_t> sheet_offsets;
  int biff = 0, codepage = 0, sheet = -1;
  std::optional<std::uint64_t> pending_string;  // a formula's text result follows
  std::vector<QByteArray> sst_parts;
  std::set<int> dimensioned, worksheets;
  std::unordered_set<std::uint64_t> written;
  // Number formats of the cell styles, for formulas whose result is a date.
  std::vector<std::uint16_t> xf_formats;
  std::unordered_map<std::uint16_t, DateKind> format_kinds;
  bool date1904 = false;
  std::uint16_t last_type = 0;
  bool in_substream = false;
  const char* base = stream.constData();
  qsizetype pos = 0;
  while (pos + 4 <= stream.size()) {
    const std::uint16_t type = u16(base + pos), len = u16(base + pos + 2);
    if (type == 0 && len == 0) break;  // padding after the last record
    if (pos + 4 + len > stream.size()) return scan;
    const char* body = base + pos + 4;
    if (len > 8224 || (biff != 0 && !record_sound(biff, type, body, len))) return scan;
    if (type == k_sst) {
      if (!sst_parts.empty()) return scan;  // one string table to a book
      sst_parts.assign(1, QByteArray(body, len));
    } else if (type == k_continue && last_type == k_sst) {
      sst_parts.emplace_back(body, len);
    }
    if (type != k_continue) last_type = type;
    if (biff == 0) {
      if (type != k_bof || len < 4) return scan;
      const std::uint16_t version = u16(body);
      if (version != 0x0500 && version != 0x0600) return scan;
      biff = version == 0x0600 ? 8 : 5;
      in_substream = true;
    } else if (type == 0x000A) {
      in_substream = false;
    } else if (type == k_bof) {
      // FreeXL would take a BOF inside a substream for a cell record of the
      // sheet before.
      if (in_substream) return scan;
      in_substream = true;
      // As FreeXL: the first sheet whose offset is here; it stays the sheet
      // of every cell record up to the next BOF.
      const auto at = std::find(sheet_offsets.begin(), sheet_offsets.end(),
                                static_cast<std::uint32_t>(pos));
      sheet = at == sheet_offsets.end() ? -2 : static_cast<int>(at - sheet_offsets.begin());
      if (sheet >= 0 && u16(body + 2) == 0x0010) worksheets.insert(sheet);
    } else if (type == k_filepass) {
      scan.encrypted = true;
      return scan;
    } else if (type == k_codepage && len >= 2) {
      codepage = u16(body);
    } else if (type == k_datemode && len >= 2) {
      date1904 = u16(body) == 1;
    } else if (type == k_xf && !in_sheet(sheet)) {
      xf_formats.push_back(u16(body + 2));
    } else if (type == k_format) {
      format_kinds[u16(body)] = date_kind_of_format(format_code(biff, body, len, codepage));
    } else if (type == k_boundsheet && len >= 4) {
      if (body[5] == 0) worksheets.insert(static_cast<int>(sheet_offsets.size()));
      sheet_offsets.push_back(u32(body));
    } else if (type == k_dimension) {
      std::uint64_t rows = 0, cols = 0;
      if (biff == 8 && len >= 12) {
        rows = u32(body + 4);
        cols = u16(body + 10);
      } else if (biff == 5 && len >= 8) {
        rows = u16(body + 2);
        cols = u16(body + 6);
      }
      // A second used range for one sheet would have FreeXL drop the first
      // one's memory.
      if (sheet >= 0 && !dimensioned.insert(sheet).second) return scan;
      scan.cells += rows * cols;
      if (scan.cells > k_max_cells) return scan;
    }
    // FreeXL overwrites a cell's text without freeing it, and a sheet without
    // a used range gets the memory of another: neither comes from a sound file.
    if (sheet >= 0 && (type == 0x0204 || type == 0x00FD || type == 0x0203 || type == 0x027E ||
                       type == k_boolerr || type == 0x00BD)) {
      const int row = u16(body), first = u16(body + 2);
      int count = 1;
      if (type == 0x00BD) count = len > 10 ? static_cast<int>((len - 5) / 6) : 0;
      for (int c = 0; c < count; ++c)
        if (!written.insert(cell_key(sheet, row, first + c)).second) return scan;
    }
    if (sheet >= 0 && type == k_boolerr && len >= 8) {
      const std::uint64_t key = cell_key(sheet, u16(body), u16(body + 2));
      if (body[7] != 0)
        scan.special[key] = std::nullopt;
      else
        scan.special[key] = body[6] ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (sheet >= 0 && type == k_formula && len >= 14) {
      const std::uint64_t key = cell_key(sheet, u16(body), u16(body + 2));
      pending_string.reset();
      if (u16(body + 12) != 0xFFFF) {
        double d;
        std::memcpy(&d, body + 6, 8);  // little-endian IEEE, as on every host we build for
        const std::uint16_t xf = u16(body + 4);
        DateKind kind = DateKind::none;
        if (xf < xf_formats.size()) {
          const std::uint16_t format = xf_formats[xf];
          const auto own = format_kinds.find(format);
          kind = own != format_kinds.end() ? own->second : date_kind_of_builtin(format);
        }
        scan.special[key] = std::isfinite(d) ? std::optional<QString>(serial_text(d, kind, date1904))
                                             : std::nullopt;
      } else {
        switch (static_cast<unsigned char>(body[6])) {
          case 0: pending_string = key; scan.special[key] = QString(); break;
          case 1: scan.special[key] = body[8] ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); break;
          case 3: scan.special[key] = QString(); break;
          default: scan.special[key] = std::nullopt; break;
        }
      }
    } else if (type == k_string && pending_string && len >= 2) {
      const int cch = u16(body);
      QString text;
      if (biff == 8 && len >= 3) {
        const bool wide = body[2] & 0x01;
        const int avail = (len - 3) / (wide ? 2 : 1);
        const int n = std::min(cch, avail);
        text = wide ? QString::fromUtf16(reinterpret_cast<const char16_t*>(body + 3), n)
                    : QString::fromLatin1(body + 3, n);
      } else if (biff == 5) {
        text = decode_codepage(QByteArray(body + 2, std::min(cch, len - 2)), codepage);
      }
      scan.special[*pending_string] = text;
      pending_string.reset();
    }
    pos += 4 + len;
  }
  scan.sound = biff != 0 && (biff == 5 || sst_sound(sst_parts)) &&
               std::includes(dimensioned.begin(), dimensioned.end(), worksheets.begin(),
                             worksheets.end());
  return scan;
}

class XlsBook final : public Book {
 public:
  ~XlsBook() override {
    if (handle_) freexl_close(handle_);
  }

  // FreeXL reads only from a path. It gets a private copy of the checked
  // stream in a file of its own, in memory: the picked file may be replaced
  // (a spreadsheet program saving it) between our check and FreeXL's read.
  bool load(const QByteArray& stream) {
    scan_ = scan_records(stream);
    if (!scan_.sound || scan_.encrypted) return false;
    const bool biff5 = stream.size() >= 6 && u16(stream.constData() + 4) == 0x0500;
    const QByteArray copy =
        compound_file(biff5 ? QStringLiteral("Book") : QStringLiteral("Workbook"), stream);
    if (copy.isEmpty()) return false;
    const int fd = memfd_create("tagnarabe-workbook", MFD_CLOEXEC);
    if (fd < 0) return false;
    bool written = true;
    for (qsizetype done = 0; written && done < copy.size();) {
      const ssize_t n = ::write(fd, copy.constData() + done, static_cast<size_t>(copy.size() - done));
      written = n > 0;
      done += n > 0 ? n : 0;
    }
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    const int rc = written ? freexl_open(path.constData(), &handle_) : FREEXL_FILE_NOT_FOUND;
    ::close(fd);
    if (rc != FREEXL_OK || !handle_) return false;
    unsigned int value = 0;
    // FreeXL reports anything but "plain" for a protected book.
    if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &value) != FREEXL_OK ||
        value != FREEXL_BIFF_PLAIN)
      return false;
    unsigned int count = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) return false;
    for (unsigned int i = 0; i < count && i < 0x10000; ++i) {
      const char* name = nullptr;
      if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) != FREEXL_OK)
        return false;
      names_ << QString::fromUtf8(name ? name : "");
    }
    return true;
  }

  QStringList sheet_names() const override { return names_; }
  int active() const override { return active_; }

  bool activate(int index) override {
    if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)) != FREEXL_OK)
      return false;
    active_ = index;
    return true;
  }

  std::optional<QString> cell(int row, int col) override {
    const auto special = scan_.special.find(cell_key(active_, row, col));
    if (special != scan_.special.end()) return special->second;
    FreeXL_CellValue v;
    const int rc = freexl_get_cell_value(handle_, static_cast<unsigned int>(row),
                                         static_cast<unsigned short>(col), &v);
    if (rc == FREEXL_ILLEGAL_CELL_ROW_COL) return QString();  // beyond the used range
    if (rc != FREEXL_OK) return std::nullopt;
    switch (v.type) {
      case FREEXL_CELL_NULL: return QString();
      case FREEXL_CELL_INT: return QString::number(v.value.int_value);
      case FREEXL_CELL_DOUBLE: return number_text(v.value.double_value);
      case FREEXL_CELL_TEXT:
      case FREEXL_CELL_SST_TEXT:
      case FREEXL_CELL_DATE:
      case FREEXL_CELL_DATETIME:
      case FREEXL_CELL_TIME: return QString::fromUtf8(v.value.text_value ? v.value.text_value : "");
      default: return std::nullopt;
    }
  }

 private:
  const void* handle_ = nullptr;
  QStringList names_;
  int active_ = -1;
  Scan scan_;
};

}  // namespace

std::unique_ptr<Book> open_xls_book(const QByteArray& data) {
  const auto stream = compound_stream(data, {QStringLiteral("Workbook"), QStringLiteral("Book")});
  if (!stream) return nullptr;
  auto book = std::make_unique<XlsBook>();
  if (!book->load(*stream)) return nullptr;
  return book;
}

}  // namespace tn
