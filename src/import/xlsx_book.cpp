// .xlsx (Office Open XML): the workbook, its relationships, shared strings
// and styles, and each worksheet read row by row as the cells asked for need.

#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "import/book.h"
#include "import/cell_text.h"
#include "import/zip_part.h"

namespace tn {

namespace {

// "dir/a.xml" + "../b.xml" -> "b.xml"; a target from the root starts with "/".
QString resolve(const QString& base_dir, const QString& target) {
  QStringList parts;
  const QString joined = target.startsWith(u'/') ? target : base_dir + target;
  for (const QString& p : joined.split(u'/', Qt::SkipEmptyParts)) {
    if (p == u"..") {
      if (!parts.isEmpty()) parts.removeLast();
    } else if (p != u".") {
      parts << p;
    }
  }
  return parts.join(u'/');
}
QString dir_of(const QString& part) { return part.left(part.lastIndexOf(u'/') + 1); }

struct Relationship {
  QString type, target;
};

// The relationships of part (from its .rels part), by id.
std::optional<std::unordered_map<QString, Relationship>> relationships(Archive& a, const QString& part) {
  const QString dir = dir_of(part);
  const QString rels = dir + QStringLiteral("_rels/") + part.mid(dir.size()) + QStringLiteral(".rels");
  Part p(a, rels);
  if (!p.readable()) return std::nullopt;
  std::unordered_map<QString, Relationship> out;
  for (auto t = p.next(); t != QXmlStreamReader::EndDocument; t = p.next()) {
    if (t == QXmlStreamReader::Invalid) return std::nullopt;
    if (p.is_start(QLatin1StringView("Relationship")) &&
        p.attr(QLatin1StringView("TargetMode")) != u"External")
      out[p.attr(QLatin1StringView("Id")).toString()] = {
          p.attr(QLatin1StringView("Type")).toString(), resolve(dir, p.attr(QLatin1StringView("Target")).toString())};
  }
  return out;
}

const Relationship* first_of_type(const std::unordered_map<QString, Relationship>& rels,
                                  QLatin1StringView type_end) {
  for (const auto& [id, rel] : rels)
    if (rel.type.endsWith(type_end)) return &rel;
  return nullptr;
}

// Text stored as _xHHHH_ (a character XML cannot hold, such as a carriage
// return) back to its character.
QString unescape_ooxml(QString s) {
  for (qsizetype at = s.indexOf(QLatin1StringView("_x")); at >= 0 && at + 7 <= s.size();
       at = s.indexOf(QLatin1StringView("_x"), at + 1)) {
    bool ok = false;
    const ushort code = s.mid(at + 2, 4).toUShort(&ok, 16);
    if (ok && s[at + 6] == u'_') s.replace(at, 7, QChar(code));
  }
  return s;
}

// The text of a string item (<si>, <is>): its <t> elements, rich-text runs
// joined, phonetic readings (furigana) left out. The start of the item was
// the last token.
std::optional<QString> string_item(Part& p, QLatin1StringView item) {
  QString text;
  int in_t = 0;
  for (;;) {
    switch (p.next()) {
      case QXmlStreamReader::Invalid:
      case QXmlStreamReader::EndDocument: return std::nullopt;
      case QXmlStreamReader::StartElement: {
        const QStringView name = p.xml().name();
        if (name == u"rPh" || name == u"phoneticPr") {
          if (!p.skip()) return std::nullopt;
        } else if (name == u"t") {
          ++in_t;
        }
        break;
      }
      case QXmlStreamReader::Characters:
        if (in_t > 0) text += p.xml().text();
        break;
      case QXmlStreamReader::EndElement: {
        const QStringView name = p.xml().name();
        if (name == u"t") --in_t;
        else if (name == item) return unescape_ooxml(std::move(text));
        break;
      }
      default: break;
    }
  }
}

// The characters of a simple element (<v>) whose start was the last token,
// into text (whose capacity is kept from cell to cell).
bool element_text(Part& p, QString& text) {
  text.resize(0);
  for (;;) {
    const auto t = p.next();
    if (t == QXmlStreamReader::Characters) text += p.xml().text();
    else if (t == QXmlStreamReader::EndElement) return true;
    else if (t != QXmlStreamReader::Comment) return false;
  }
}

// A count or index of plain digits ("0", "42"), the one form producers
// write; anything else goes through the full conversion.
std::optional<int> to_index(QStringView s) {
  if (s.isEmpty() || s.size() > 9) return to_int(s);
  int v = 0;
  for (const QChar c : s) {
    if (c < u'0' || c > u'9') return to_int(s);
    v = v * 10 + (c.unicode() - u'0');
  }
  return v;
}

// True when s is an integer whose number text is s itself: no sign but a
// minus, no leading zero, no point or exponent, short of 10^15.
bool is_integer_text(QStringView s) {
  const QStringView digits = s.startsWith(u'-') ? s.mid(1) : s;
  if (digits.isEmpty() || digits.size() > 15 || (digits[0] == u'0' && (digits.size() > 1 || digits != s)))
    return false;
  return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "BC12" (or "bc12", as some producers write) -> column 54 (from 0); -1
// when it does not start with letters.
int column_of(QStringView ref) {
  int c = 0;
  qsizetype i = 0;
  for (; i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 0x80 && c <= k_max_cols; ++i)
    c = c * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
  return i == 0 ? -1 : c - 1;
}

class XlsxBook final : public RowBook {
 public:
  explicit XlsxBook(std::unique_ptr<Archive> archive) : archive_(std::move(archive)) {}

  bool load() {
    QString workbook = QStringLiteral("xl/workbook.xml");
    if (const auto root = relationships(*archive_, QString())) {
      if (const auto* doc = first_of_type(*root, QLatin1StringView("/officeDocument")))
        workbook = doc->target;
    }
    const auto rels = relationships(*archive_, workbook);
    if (!rels) return false;
    if (const auto* r = first_of_type(*rels, QLatin1StringView("/sharedStrings"))) strings_part_ = r->target;
    if (const auto* r = first_of_type(*rels, QLatin1StringView("/styles")))
      if (!read_styles(r->target)) return false;

    Part p(*archive_, workbook);
    if (!p.readable()) return false;
    for (auto t = p.next(); t != QXmlStreamReader::EndDocument; t = p.next()) {
      if (t == QXmlStreamReader::Invalid) return false;
      if (p.is_start(QLatin1StringView("workbookPr"))) {
        const QStringView v = p.attr(QLatin1StringView("date1904"));
        date1904_ = v == u"1" || v == u"true";
      } else if (p.is_start(QLatin1StringView("sheet"))) {
        const auto rel = rels->find(p.attr(QLatin1StringView("id")).toString());
        if (rel == rels->end() || !rel->second.type.endsWith(QLatin1StringView("/worksheet"))) continue;
        names_ << p.attr(QLatin1StringView("name")).toString();
        sheet_parts_ << rel->second.target;
      }
    }
    // The parts read only as cells are asked for: a book hostile from its
    // first bytes is refused now, not half-way through an import.
    if (!strings_part_.isEmpty() && !prolog_is_sound(*archive_, strings_part_)) return false;
    return std::all_of(sheet_parts_.begin(), sheet_parts_.end(),
                       [&](const QString& part) { return prolog_is_sound(*archive_, part); });
  }

  QStringList sheet_names() const override { return names_; }
  int active() const override { return active_; }

  bool activate(int index) override {
    auto sheet = std::make_unique<Part>(*archive_, sheet_parts_.value(index));
    if (!sheet->readable()) return false;
    sheet_ = std::move(sheet);
    restart();
    active_ = index;
    return true;
  }

 protected:
  bool read_row() override {
    Part& p = *sheet_;
    for (;;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
      if (t == QXmlStreamReader::StartElement && p.xml().name() == u"row") break;
      if (t == QXmlStreamReader::EndElement && p.xml().name() == u"sheetData") {
        done_ = true;
        return true;
      }
    }
    const auto r = to_index(p.attr(QLatin1StringView("r")));
    const int row = r ? *r - 1 : next_row_;
    if (row < next_row_ || row >= k_max_rows) {
      done_ = true;  // out of order, or past what an address reaches
      return true;
    }
    SheetRows::Row cells;
    cells.reserve(last_row_cells_);
    int col = -1;
    for (;;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
      if (t == QXmlStreamReader::EndElement) {
        if (p.xml().name() == u"row") break;
        continue;
      }
      if (t != QXmlStreamReader::StartElement || p.xml().name() != u"c") continue;
      CellType type = CellType::number;
      int style = 0;
      {
        // One pass over one copy of the attributes, gone before the reader
        // moves on (else the reader would copy its own).
        const QXmlStreamAttributes attributes = p.xml().attributes();
        QStringView ref;
        for (const QXmlStreamAttribute& a : attributes) {
          const QStringView name = a.qualifiedName();
          if (name.size() != 1) continue;
          if (name[0] == u'r') ref = a.value();
          else if (name[0] == u't') type = cell_type(a.value());
          else if (name[0] == u's') style = a.value().toInt();
        }
        col = ref.isEmpty() ? col + 1 : column_of(ref);
      }
      if (col < 0) return false;
      auto value = cell_value(type, style);
      if (!value) return false;
      // Columns out of order (no producer writes them) are dropped.
      if (col < k_max_cols && (cells.empty() || col > cells.back().first) &&
          !(value->has_value() && value->value().isEmpty()))
        cells.emplace_back(col, std::move(*value));
    }
    last_row_cells_ = cells.size();
    rows_.add(row, 1, std::move(cells));
    next_row_ = row + 1;
    return true;
  }

 private:
  // The value of the cell whose start was the last token: outer nullopt
  // when the sheet is broken, inner nullopt for an error value.
  enum class CellType { number, shared, inline_text, text, boolean, error, date };
  static CellType cell_type(QStringView t) {
    if (t == u"s") return CellType::shared;
    if (t == u"inlineStr") return CellType::inline_text;
    if (t == u"str") return CellType::text;
    if (t == u"b") return CellType::boolean;
    if (t == u"e") return CellType::error;
    if (t == u"d") return CellType::date;
    return CellType::number;
  }

  std::optional<std::optional<QString>> cell_value(CellType type, int style) {
    Part& p = *sheet_;
    QString& v = value_text_;
    bool has_v = false;
    std::optional<QString> inline_text;
    for (;;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return std::nullopt;
      if (t == QXmlStreamReader::EndElement) {
        if (p.xml().name() == u"c") break;
        continue;
      }
      if (t != QXmlStreamReader::StartElement) continue;
      const QStringView name = p.xml().name();
      if (name == u"v") {
        if (!element_text(p, v)) return std::nullopt;
        has_v = true;
      } else if (name == u"is") {
        inline_text = string_item(p, QLatin1StringView("is"));
        if (!inline_text) return std::nullopt;
      } else if (!p.skip()) {  // a formula, extensions
        return std::nullopt;
      }
    }
    using Value = std::optional<QString>;
    switch (type) {
      case CellType::inline_text: return Value(inline_text.value_or(QString()));
      case CellType::shared: {
        const auto index = has_v ? to_index(v) : std::nullopt;
        return index ? shared_string(*index) : has_v ? Value() : Value(QString());
      }
      case CellType::text: return Value(has_v ? unescape_ooxml(v) : QString());
      case CellType::boolean:
        return Value(!has_v ? QString() : v == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
      case CellType::error: return Value();
      case CellType::date: return Value(has_v ? iso_date_text(v) : QString());
      case CellType::number: break;
    }
    if (!has_v) return Value(QString());
    const NumberKind kind = style >= 0 && style < static_cast<int>(style_kinds_.size())
                              ? style_kinds_[static_cast<size_t>(style)]
                              : NumberKind::none;
    // Most numbers of a track list are integers shown as they are stored.
    if (kind == NumberKind::none && is_integer_text(v)) return Value(v);
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return Value();
    return Value(serial_text(d, kind, date1904_));
  }

  // Shared strings are read as far as the highest index asked for.
  std::optional<QString> shared_string(int index) {
    if (index < 0) return std::nullopt;
    if (!strings_ && !strings_part_.isEmpty()) strings_ = std::make_unique<Part>(*archive_, strings_part_);
    while (strings_ && strings_->readable() && static_cast<int>(strings_read_.size()) <= index) {
      const auto t = strings_->next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) break;
      if (!strings_->is_start(QLatin1StringView("si"))) continue;
      const auto s = string_item(*strings_, QLatin1StringView("si"));
      if (!s) break;
      strings_read_.push_back(*s);
    }
    if (index >= static_cast<int>(strings_read_.size())) return std::nullopt;
    return strings_read_[static_cast<size_t>(index)];
  }

  // The number formats of the cell styles: which of them show a date.
  bool read_styles(const QString& part) {
    Part p(*archive_, part);
    if (!p.readable()) return false;
    std::unordered_map<int, NumberKind> own;
    bool in_cell_xfs = false;
    for (auto t = p.next(); t != QXmlStreamReader::EndDocument; t = p.next()) {
      if (t == QXmlStreamReader::Invalid) return false;
      if (p.is_start(QLatin1StringView("numFmt"))) {
        own[to_int(p.attr(QLatin1StringView("numFmtId"))).value_or(-1)] =
            number_kind_of_format(p.attr(QLatin1StringView("formatCode")).toString());
      } else if (p.is_start(QLatin1StringView("cellXfs"))) {
        in_cell_xfs = true;
      } else if (p.is_end(QLatin1StringView("cellXfs"))) {
        in_cell_xfs = false;
      } else if (in_cell_xfs && p.is_start(QLatin1StringView("xf"))) {
        const int id = to_int(p.attr(QLatin1StringView("numFmtId"))).value_or(0);
        const auto it = own.find(id);
        style_kinds_.push_back(it != own.end() ? it->second : number_kind_of_builtin(id));
      }
    }
    return true;
  }

  std::unique_ptr<Archive> archive_;
  QStringList names_, sheet_parts_;
  QString strings_part_;
  std::vector<NumberKind> style_kinds_;
  bool date1904_ = false;
  int active_ = -1;
  std::unique_ptr<Part> sheet_, strings_;
  std::vector<QString> strings_read_;
  QString value_text_;           // the <v> of the cell being read
  size_t last_row_cells_ = 0;    // cells of the row before, to size the next
};

}  // namespace

std::unique_ptr<Book> open_xlsx_book(std::unique_ptr<Archive> archive) {
  auto book = std::make_unique<XlsxBook>(std::move(archive));
  return book->load() ? std::move(book) : nullptr;
}

}  // namespace tn
