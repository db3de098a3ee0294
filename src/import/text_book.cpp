// .csv and .tsv: one sheet of text, quoted fields as spreadsheet programs
// write them, in the encodings Japanese users meet.

#include <QStringDecoder>
#include <algorithm>

#include "import/book.h"
#include "tags/legacy_text.h"
#include "text/text.h"

namespace tn {

namespace {

// The text of the file: a byte-order mark decides, else the same decision
// as for legacy tag text (ASCII, UTF-8, CP932, Latin-1). nullopt for bytes
// that are no text: control characters, or markup (an HTML or XML "sheet"
// that web exports call .xls).
std::optional<QString> file_text(const QByteArray& data) {
  QString text;
  if (data.startsWith("\xEF\xBB\xBF")) {
    text = QString::fromUtf8(data.mid(3));
  } else if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(data[0] == '\xFF' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    text = decoder(data.mid(2));
    if (decoder.hasError()) return std::nullopt;
  } else {
    text = decode_legacy(data);
  }
  if (text.isEmpty()) return std::nullopt;
  for (const QChar c : text)
    if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return std::nullopt;
  const auto first = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isSpace(); });
  if (first != text.cend() && *first == u'<') return std::nullopt;
  return text;
}

// Tab or comma: whichever the first line holds more of outside quotes; the
// file's suffix breaks a tie.
QChar separator_of(const QString& text, const QString& suffix) {
  int commas = 0, tabs = 0;
  bool quoted = false;
  for (const QChar c : text) {
    if (c == u'"') quoted = !quoted;
    else if (!quoted && (c == u'\n' || c == u'\r')) break;
    else if (!quoted && c == u',') ++commas;
    else if (!quoted && c == u'\t') ++tabs;
  }
  if (tabs != commas) return tabs > commas ? u'\t' : u',';
  const QString s = suffix.toLower();
  return s == u"tsv" || s == u"txt" || s == u"tab" ? u'\t' : u',';
}

// Text under another name (a web export called .xls) is taken for a table
// only when it clearly is one: its first two lines hold the same number of
// separators, at least one. A few words are no table.
bool clearly_delimited(const QString& text, QChar sep) {
  int counts[2] = {0, 0}, line = 0;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size() && line < 2; ++i) {
    const QChar c = text[i];
    if (c == u'"') quoted = !quoted;
    else if (!quoted && c == sep) ++counts[line];
    else if (!quoted && c == u'\n') ++line;
  }
  return counts[0] > 0 && counts[0] == counts[1];
}

class TextBook final : public RowBook {
 public:
  TextBook(QString text, QString name, QChar separator)
      : text_(std::move(text)), name_(std::move(name)), sep_(separator) {}

  QStringList sheet_names() const override { return {name_}; }
  bool activate(int index) override { return index == 0; }
  int active() const override { return 0; }

 protected:
  // One record: fields up to the line end (read_delimited_field).
  bool read_row() override {
    const qsizetype n = text_.size();
    if (pos_ >= n || next_row_ >= k_max_rows) {
      done_ = true;
      return true;
    }
    SheetRows::Row cells;
    int col = 0;
    for (;;) {
      const QString field = read_delimited_field(text_, pos_, sep_);
      if (!field.isEmpty() && col < k_max_cols) cells.emplace_back(col, field);
      ++col;
      if (pos_ < n && text_[pos_] == sep_) {
        ++pos_;
        continue;
      }
      if (pos_ < n && text_[pos_] == u'\r') ++pos_;
      if (pos_ < n && text_[pos_] == u'\n') ++pos_;
      break;
    }
    rows_.add(next_row_++, 1, std::move(cells));
    return true;
  }

 private:
  QString text_;
  QString name_;
  QChar sep_;
  qsizetype pos_ = 0;
};

}  // namespace

std::unique_ptr<Book> open_text_book(const QByteArray& data, const QString& sheet_name,
                                     const QString& suffix) {
  auto text = file_text(data);
  if (!text) return nullptr;
  const QChar sep = separator_of(*text, suffix);
  const QString s = suffix.toLower();
  if (s != u"csv" && s != u"tsv" && !clearly_delimited(*text, sep)) return nullptr;
  return std::make_unique<TextBook>(std::move(*text), sheet_name, sep);
}

}  // namespace tn
