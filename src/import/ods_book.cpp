// .ods (OpenDocument): the sheets of content.xml, each read row by row as
// the cells asked for need.

#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <memory>

#include "import/book.h"
#include "import/cell_text.h"
#include "import/zip_part.h"

namespace tn {

namespace {

constexpr QLatin1StringView k_office("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
constexpr QLatin1StringView k_table("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
constexpr QLatin1StringView k_text("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
constexpr QLatin1StringView k_calcext(
    "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

bool is_table_start(const Part& p) {
  return p.is_start(QLatin1StringView("table")) && p.xml().namespaceUri() == k_table;
}

// "PT36H05M07.5S" -> "36:05:08"
QString duration_text(const QString& v) {
  double h = 0, m = 0, s = 0, n = 0;
  bool in_time = false;
  QString digits;
  for (const QChar c : v) {
    if (c.isDigit() || c == u'.') {
      digits += c;
      continue;
    }
    n = digits.toDouble();
    digits.clear();
    if (c == u'T') in_time = true;
    else if (c == u'D') h += 24 * n;
    else if (in_time && c == u'H') h += n;
    else if (in_time && c == u'M') m = n;
    else if (in_time && c == u'S') s = n;
  }
  return clock_text(std::llround(h * 3600 + m * 60 + s));
}

class OdsBook final : public RowBook {
 public:
  explicit OdsBook(std::unique_ptr<Archive> archive) : archive_(std::move(archive)) {}

  bool load() {
    // A book saved with a password has its parts encrypted; the manifest says so.
    {
      Part manifest(*archive_, QStringLiteral("META-INF/manifest.xml"));
      for (auto t = manifest.readable() ? manifest.next() : QXmlStreamReader::EndDocument;
           t != QXmlStreamReader::EndDocument; t = manifest.next()) {
        if (t == QXmlStreamReader::Invalid) return false;
        if (manifest.is_start(QLatin1StringView("encryption-data"))) return false;
      }
    }
    Part p(*archive_, QStringLiteral("content.xml"));
    if (!p.readable()) return false;
    bool spreadsheet = false;
    for (auto t = p.next(); t != QXmlStreamReader::EndDocument; t = p.next()) {
      if (t == QXmlStreamReader::Invalid) return false;
      if (p.is_start(QLatin1StringView("spreadsheet")) && p.xml().namespaceUri() == k_office) {
        spreadsheet = true;
      } else if (spreadsheet && is_table_start(p)) {
        names_ << p.attr(QLatin1StringView("name"), k_table).toString();
        if (!p.skip()) return false;
      }
    }
    return spreadsheet;
  }

  QStringList sheet_names() const override { return names_; }
  int active() const override { return active_; }

  bool activate(int index) override {
    if (index < 0 || index >= names_.size()) return false;
    auto content = std::make_unique<Part>(*archive_, QStringLiteral("content.xml"));
    for (int seen = -1; content->readable() && seen < index;) {
      const auto t = content->next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
      if (is_table_start(*content) && ++seen < index && !content->skip()) return false;
    }
    if (!content->readable()) return false;
    content_ = std::move(content);
    restart();
    active_ = index;
    return true;
  }

 protected:
  bool read_row() override {
    Part& p = *content_;
    for (;;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
      if (p.is_end(QLatin1StringView("table")) && p.xml().namespaceUri() == k_table) {
        done_ = true;
        return true;
      }
      if (t != QXmlStreamReader::StartElement) continue;
      if (p.is_start(QLatin1StringView("table-row"))) break;
      // Rows may stand in groups and header blocks; anything else (columns,
      // shapes, named ranges) is stepped over.
      if (!p.is_start(QLatin1StringView("table-header-rows")) &&
          !p.is_start(QLatin1StringView("table-row-group")) &&
          !p.is_start(QLatin1StringView("table-rows")) && !p.skip())
        return false;
    }
    const int repeat = std::max(1, to_int(p.attr(QLatin1StringView("number-rows-repeated"), k_table)).value_or(1));
    SheetRows::Row cells;
    int col = 0;
    for (;;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
      if (p.is_end(QLatin1StringView("table-row"))) break;
      if (t != QXmlStreamReader::StartElement) continue;
      const bool covered = p.is_start(QLatin1StringView("covered-table-cell"));
      if (!covered && !p.is_start(QLatin1StringView("table-cell"))) {
        if (!p.skip()) return false;
        continue;
      }
      const int span =
          std::max(1, to_int(p.attr(QLatin1StringView("number-columns-repeated"), k_table)).value_or(1));
      auto value = cell_value(p);
      if (!value) return false;
      // A cell hidden under a merged one reads empty, as in the program
      // that merged it.
      if (!covered && !(value->has_value() && value->value().isEmpty()))
        for (int c = col; c < std::min(k_max_cols, col + span); ++c) cells.emplace_back(c, *value);
      col = std::min(k_max_cols, col + span);
    }
    const int first = next_row_;
    const int count = std::min(repeat, k_max_rows - first);
    rows_.add(first, count, std::move(cells));
    next_row_ = first + count;
    if (next_row_ >= k_max_rows) done_ = true;
    return true;
  }

 private:
  // The value of the cell whose start was the last token (outer nullopt: a
  // broken part; inner: an error value).
  static std::optional<std::optional<QString>> cell_value(Part& p) {
    using Value = std::optional<QString>;
    const QString type = p.attr(QLatin1StringView("value-type"), k_office).toString();
    const bool error = p.attr(QLatin1StringView("value-type"), k_calcext) == u"error";
    Value value;
    if (type == u"float" || type == u"percentage" || type == u"currency") {
      bool ok = false;
      const double d = p.attr(QLatin1StringView("value"), k_office).toDouble(&ok);
      if (ok && std::isfinite(d)) value = number_text(d);
    } else if (type == u"date") {
      value = iso_date_text(p.attr(QLatin1StringView("date-value"), k_office).toString());
    } else if (type == u"time") {
      value = duration_text(p.attr(QLatin1StringView("time-value"), k_office).toString());
    } else if (type == u"boolean") {
      value = p.attr(QLatin1StringView("boolean-value"), k_office) == u"true" ? QStringLiteral("TRUE")
                                                                            : QStringLiteral("FALSE");
    } else if (type == u"string" && p.has_attr(QLatin1StringView("string-value"), k_office)) {
      value = p.attr(QLatin1StringView("string-value"), k_office).toString();
    }
    // The paragraphs: the text of a string cell, read past in any other.
    QString text;
    int paragraphs = 0, in_p = 0;
    for (int depth = 1; depth > 0;) {
      const auto t = p.next();
      if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return std::nullopt;
      if (t == QXmlStreamReader::StartElement) {
        const QStringView name = p.xml().name();
        if (name == u"annotation") {  // a comment on the cell
          if (!p.skip()) return std::nullopt;
          continue;
        }
        ++depth;
        if (p.xml().namespaceUri() != k_text) continue;
        if (name == u"p" || name == u"h") {
          if (paragraphs++ > 0) text += u'\n';
          ++in_p;
        } else if (name == u"s") {
          text += QString(std::clamp(to_int(p.attr(QLatin1StringView("c"), k_text)).value_or(1), 1, 1024), u' ');
        } else if (name == u"tab") {
          text += u'\t';
        } else if (name == u"line-break") {
          text += u'\n';
        }
      } else if (t == QXmlStreamReader::EndElement) {
        --depth;
        if (p.xml().namespaceUri() == k_text && (p.xml().name() == u"p" || p.xml().name() == u"h")) --in_p;
      } else if (t == QXmlStreamReader::Characters && in_p > 0) {
        text += p.xml().text();
      }
    }
    if (error) return Value();
    if (!value && (type.isEmpty() || type == u"string")) value = text;
    if (!value) return Value();  // a number or date the cell does not hold
    return value;
  }

  std::unique_ptr<Archive> archive_;
  QStringList names_;
  int active_ = -1;
  std::unique_ptr<Part> content_;
};

}  // namespace

std::unique_ptr<Book> open_ods_book(std::unique_ptr<Archive> archive) {
  auto book = std::make_unique<OdsBook>(std::move(archive));
  return book->load() ? std::move(book) : nullptr;
}

}  // namespace tn
