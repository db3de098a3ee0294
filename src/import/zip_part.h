#pragma once
// The zip side of .xlsx and .ods: the archive read from memory through
// libzip, and its XML parts inflated piece by piece into QXmlStreamReader,
// each under a cap on what it may inflate to.

#include <zip.h>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <memory>
#include <optional>

namespace tn {

class Book;

class Archive {
 public:
  explicit Archive(QByteArray data);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool ok() const { return zip_ != nullptr; }
  // The entry's index, or -1 when it is missing or encrypted.
  zip_int64_t find(const QString& name) const;
  zip_file_t* open(zip_int64_t index) { return zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0); }

 private:
  QByteArray data_;  // the archive reads from these bytes
  zip_t* zip_ = nullptr;
};

// One XML part, inflated piece by piece as the parser asks for more.
class Part {
 public:
  Part(Archive& archive, const QString& name);
  ~Part();
  Part(const Part&) = delete;
  Part& operator=(const Part&) = delete;

  // False once the part has ended or failed: no more tokens.
  bool readable() const { return !over_; }
  QXmlStreamReader& xml() { return xml_; }
  const QXmlStreamReader& xml() const { return xml_; }

  // The next token; Invalid at the end and on any fault: a malformed or cut
  // document, a document type declaration (no sound part has one, and its
  // entities could expand without end), too many inflated bytes.
  QXmlStreamReader::TokenType next();

  // Steps over the element whose start was the last token.
  bool skip();

  bool is_start(QLatin1StringView local) const {
    return xml_.tokenType() == QXmlStreamReader::StartElement && xml_.name() == local;
  }
  bool is_end(QLatin1StringView local) const {
    return xml_.tokenType() == QXmlStreamReader::EndElement && xml_.name() == local;
  }
  // An attribute of the current start element by its local name, in any
  // namespace or in ns; empty when it is missing. The view holds until the
  // next token.
  QStringView attr(QLatin1StringView local, QLatin1StringView ns = {}) const;
  bool has_attr(QLatin1StringView local, QLatin1StringView ns = {}) const;

 private:
  bool feed();

  zip_file_t* file_ = nullptr;
  QXmlStreamReader xml_;
  qint64 inflated_ = 0;
  bool over_ = false;
};

// False when the part is there but its prolog, up to the root element,
// is broken or holds a document type declaration: checked at the open for
// each part read later on, so that no cell is taken from such a book.
// Nothing past the root's start is parsed.
bool prolog_is_sound(Archive& archive, const QString& name);

std::optional<int> to_int(QStringView s);

// The book of each format, nullptr when the archive is not a sound one.
std::unique_ptr<Book> open_xlsx_book(std::unique_ptr<Archive> archive);
std::unique_ptr<Book> open_ods_book(std::unique_ptr<Archive> archive);

}  // namespace tn
