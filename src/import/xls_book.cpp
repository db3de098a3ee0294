// .xls of Excel 5 to 2003 (BIFF5, BIFF7 and BIFF8), read record by record
// from the workbook stream: every cell of every worksheet once at the open,
// numbers through the number format of their cell as the spreadsheet shows
// them.

#include <QByteArray>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "import/biff.h"
#include "import/book.h"
#include "import/cell_text.h"
#include "import/compound_file.h"

namespace tn {

namespace {

using biff::Cursor;
using biff::Record;
using biff::u16;
using biff::u32;

// The used ranges the DIMENSION records claim, together: more than a full
// sheet's cells is a forged file.
constexpr std::uint64_t k_max_cells = 65536ULL * 256;

enum : std::uint16_t {
  k_formula = 0x0006, k_eof = 0x000A, k_datemode = 0x0022, k_filepass = 0x002F,
  k_codepage = 0x0042, k_boundsheet = 0x0085, k_mulrk = 0x00BD, k_sst = 0x00FC,
  k_labelsst = 0x00FD, k_rstring = 0x00D6, k_xf = 0x00E0, k_dimension = 0x0200,
  k_number = 0x0203, k_label = 0x0204, k_boolerr = 0x0205, k_string = 0x0207,
  k_rk = 0x027E, k_format = 0x041E, k_bof = 0x0809
};

// A record too short for the fixed fields it must hold is no record of a
// spreadsheet program.
bool record_sound(int biff, std::uint16_t type, qsizetype len) {
  switch (type) {
    case k_bof: case k_xf: return len >= 4;
    case k_codepage: case k_datemode: case k_string: return len >= 2;
    case k_number: case k_formula: return len >= 14;
    case k_boolerr: case k_sst: return len >= 8;
    case k_rk: case k_labelsst: return len >= 10;
    case k_mulrk: return len >= 6;
    case k_dimension: return len >= (biff == 8 ? 12 : 8);
    case k_boundsheet: return len >= 7;
    case k_format: return len >= 3;
    case k_label: case k_rstring: return len >= 8;
    default: return true;
  }
}

double rk_number(std::uint32_t rk) {
  double d;
  if (rk & 0x02) {
    d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32;
    std::memcpy(&d, &bits, sizeof d);
  }
  return rk & 0x01 ? d / 100 : d;
}

std::uint32_t cell_key(int row, int col) { return static_cast<std::uint32_t>(row) << 8 | static_cast<std::uint32_t>(col); }

struct Sheet {
  QString name;
  std::uint32_t offset;  // of its BOF record in the stream
  std::unordered_map<std::uint32_t, std::optional<QString>> cells;  // nullopt: an error value
};

// One pass over the records: the book's globals, then the cells of each
// worksheet's substream. False for a stream that is no sound workbook or
// one encrypted with a password.
class Reader {
 public:
  std::vector<Sheet> sheets;

  bool read(const QByteArray& stream) {
    biff::Records records(stream);
    Record r;
    while (records.next(r)) {
      if (biff_ == 0 && !first_bof(r)) return false;
      if (!record_sound(biff_, r.type, r.own_length()) || !record(r)) return false;
    }
    // A stream that ends inside a sheet was cut, or a record swallowed the
    // sheet's end.
    return !records.broken() && biff_ != 0 && !in_substream_;
  }

 private:
  bool first_bof(const Record& r) {
    if (r.type != k_bof || r.body.size() < 4) return false;
    const std::uint16_t version = u16(r.body.constData());
    if (version != 0x0500 && version != 0x0600) return false;
    biff_ = version == 0x0600 ? 8 : 5;
    codepage_ = biff_ == 8 ? 1200 : 1252;
    return true;
  }

  bool record(const Record& r) {
    const char* b = r.body.constData();
    switch (r.type) {
      case k_bof: return substream(r);
      case k_eof: in_substream_ = false; sheet_ = -1; return true;
      case k_filepass: return false;
      case k_codepage: codepage_ = u16(b); return true;
      case k_datemode: date1904_ = u16(b) == 1; return true;
      case k_xf: if (sheet_ < 0) xf_formats_.push_back(u16(b + 2)); return true;
      case k_format: return format(r);
      case k_boundsheet: return boundsheet(r);
      case k_sst: read_sst(r); return true;
      case k_dimension: return dimension(b);
      case k_string: return formula_string(r);
      default: return sheet_ < 0 || r.body.size() < 4 || cell(r);
    }
  }

  // A BOF opens the substream of the sheet whose BOUNDSHEET points at it.
  bool substream(const Record& r) {
    if (in_substream_) return false;  // the sheet before never ended
    in_substream_ = true;
    sheet_ = -1;
    for (size_t i = 0; i < sheets.size() && sheet_ < 0; ++i)
      if (sheets[i].offset == static_cast<std::uint32_t>(r.offset)) sheet_ = static_cast<int>(i);
    return true;
  }

  bool boundsheet(const Record& r) {
    Cursor c(r, 6, biff_, codepage_);
    const auto name = c.string(1);
    if (!name) return false;
    // Worksheets only: charts, macro sheets and modules hold no cells.
    if (r.body[5] == 0) sheets.push_back({*name, u32(r.body.constData()), {}});
    return true;
  }

  bool format(const Record& r) {
    Cursor c(r, 2, biff_, codepage_);
    const auto code = c.string(biff_ == 8 ? 2 : 1);
    if (!code) return false;
    format_kinds_[u16(r.body.constData())] = number_kind_of_format(*code);
    return true;
  }

  // As many strings as the table holds, whatever count it states.
  void read_sst(const Record& r) {
    Cursor c(r, 8, biff_, codepage_);
    const std::uint32_t count = u32(r.body.constData() + 4);
    for (std::uint32_t i = 0; i < count && c.pos() < r.body.size(); ++i) {
      auto s = c.string(2);
      if (!s) break;
      sst_.push_back(std::move(*s));
    }
  }

  bool dimension(const char* b) {
    const std::uint64_t rows = biff_ == 8 ? u32(b + 4) : u16(b + 2);
    const std::uint64_t cols = biff_ == 8 ? u16(b + 10) : u16(b + 6);
    claimed_cells_ += rows * cols;
    return claimed_cells_ <= k_max_cells;
  }

  NumberKind kind_of_xf(std::uint16_t xf) const {
    if (xf >= xf_formats_.size()) return NumberKind::none;
    const std::uint16_t format = xf_formats_[xf];
    const auto own = format_kinds_.find(format);
    return own != format_kinds_.end() ? own->second : number_kind_of_builtin(format);
  }

  std::optional<QString> number(std::uint16_t xf, double d) const {
    if (!std::isfinite(d)) return std::nullopt;
    return serial_text(d, kind_of_xf(xf), date1904_);
  }

  // Two records for one cell come from no spreadsheet program.
  bool put(int row, int col, std::optional<QString> value) {
    if (col >= k_max_cols) return true;
    return sheets[static_cast<size_t>(sheet_)].cells.emplace(cell_key(row, col), std::move(value)).second;
  }

  bool cell(const Record& r) {
    const char* b = r.body.constData();
    const int row = u16(b), col = u16(b + 2);
    switch (r.type) {
      case k_number: {
        double d;
        std::memcpy(&d, b + 6, sizeof d);  // little-endian IEEE, as on every host we build for
        return put(row, col, number(u16(b + 4), d));
      }
      case k_rk: return put(row, col, number(u16(b + 4), rk_number(u32(b + 6))));
      case k_mulrk:
        for (qsizetype at = 4; at + 6 + 2 <= r.body.size(); at += 6)
          if (!put(row, col + static_cast<int>((at - 4) / 6), number(u16(b + at), rk_number(u32(b + at + 2)))))
            return false;
        return true;
      case k_label:
      case k_rstring: {
        Cursor c(r, 6, biff_, codepage_);
        const auto text = c.string(2);
        return text && put(row, col, *text);
      }
      case k_labelsst: {
        const std::uint32_t index = u32(b + 6);
        return put(row, col, index < sst_.size() ? sst_[index] : QString());
      }
      case k_boolerr:
        return put(row, col, b[7] ? std::nullopt
                                  : std::optional<QString>(b[6] ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
      case k_formula: return formula(r, row, col);
      default: return true;
    }
  }

  // A formula's last result; a text result follows in a STRING record.
  bool formula(const Record& r, int row, int col) {
    const char* b = r.body.constData();
    pending_string_.reset();
    if (u16(b + 12) != 0xFFFF) {
      double d;
      std::memcpy(&d, b + 6, sizeof d);
      return put(row, col, number(u16(b + 4), d));
    }
    switch (static_cast<unsigned char>(b[6])) {
      case 0: pending_string_ = cell_key(row, col); return put(row, col, QString());
      case 1: return put(row, col, b[8] ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
      case 3: return put(row, col, QString());
      default: return put(row, col, std::nullopt);
    }
  }

  bool formula_string(const Record& r) {
    if (!pending_string_ || sheet_ < 0) return true;
    Cursor c(r, 0, biff_, codepage_);
    const auto text = c.string(2);
    if (!text) return false;
    sheets[static_cast<size_t>(sheet_)].cells[*pending_string_] = *text;
    pending_string_.reset();
    return true;
  }

  int biff_ = 0, codepage_ = 1252;
  bool date1904_ = false, in_substream_ = false;
  int sheet_ = -1;  // the worksheet whose substream is being read
  std::vector<std::uint16_t> xf_formats_;  // the number format of each cell style
  std::unordered_map<std::uint16_t, NumberKind> format_kinds_;
  std::vector<QString> sst_;
  std::uint64_t claimed_cells_ = 0;
  std::optional<std::uint32_t> pending_string_;
};

class XlsBook final : public Book {
 public:
  explicit XlsBook(std::vector<Sheet> sheets) : sheets_(std::move(sheets)) {}

  QStringList sheet_names() const override {
    QStringList names;
    for (const Sheet& s : sheets_) names << s.name;
    return names;
  }
  int active() const override { return active_; }

  bool activate(int index) override {
    if (index < 0 || index >= static_cast<int>(sheets_.size())) return false;
    active_ = index;
    return true;
  }

  std::optional<QString> cell(int row, int col) override {
    if (active_ < 0) return std::nullopt;
    const auto& cells = sheets_[static_cast<size_t>(active_)].cells;
    const auto it = cells.find(cell_key(row, col));
    return it == cells.end() ? QString() : it->second;
  }

 private:
  std::vector<Sheet> sheets_;
  int active_ = -1;
};

}  // namespace

std::unique_ptr<Book> open_xls_book(const QByteArray& data) {
  const auto stream = compound_stream(data, {QStringLiteral("Workbook"), QStringLiteral("Book")});
  if (!stream) return nullptr;
  Reader reader;
  if (!reader.read(*stream)) return nullptr;
  return std::make_unique<XlsBook>(std::move(reader.sheets));
}

}  // namespace tn
