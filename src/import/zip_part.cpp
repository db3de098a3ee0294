// .xlsx (Office Open XML) and .ods (OpenDocument): zip archives of XML parts.
// Parts are inflated and parsed as the cells asked for need them.

#include "import/zip_part.h"

#include "import/book.h"

namespace tn {

namespace {

// Parts are inflated only as far as the cells read need; the rows a track
// list needs, and even 65,536 rows of one, are a few megabytes of XML. A
// part that inflates to more than this before them is a zip bomb.
constexpr qint64 k_max_part_bytes = 32LL * 1024 * 1024;

}  // namespace

Archive::Archive(QByteArray data) : data_(std::move(data)) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data_.constData(),
                                                  static_cast<zip_uint64_t>(data_.size()), 0, &error);
  if (source) {
    zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip_) zip_source_free(source);
  }
  zip_error_fini(&error);
}

Archive::~Archive() {
  if (zip_) zip_discard(zip_);
}

zip_int64_t Archive::find(const QString& name) const {
  const zip_int64_t index = zip_name_locate(zip_, name.toUtf8().constData(), 0);
  zip_stat_t st;
  if (index < 0 || zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0) return -1;
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) return -1;
  return index;
}

Part::Part(Archive& archive, const QString& name) {
  const zip_int64_t index = archive.find(name);
  if (index >= 0) file_ = archive.open(index);
  over_ = !file_;
}

Part::~Part() {
  if (file_) zip_fclose(file_);
}

QXmlStreamReader::TokenType Part::next() {
  while (!over_) {
    const auto t = xml_.readNext();
    if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference) break;
    if (t == QXmlStreamReader::EndDocument) {
      over_ = true;
      return t;
    }
    if (t != QXmlStreamReader::Invalid) return t;
    if (xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError || !feed()) break;
  }
  over_ = true;
  return QXmlStreamReader::Invalid;
}

bool Part::skip() {
  for (int depth = 1; depth > 0;) {
    const auto t = next();
    if (t == QXmlStreamReader::StartElement) ++depth;
    else if (t == QXmlStreamReader::EndElement) --depth;
    else if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
  }
  return true;
}

QStringView Part::attr(QLatin1StringView local, QLatin1StringView ns) const {
  // A const copy: iterating the reader's own list would detach it.
  const QXmlStreamAttributes attributes = xml_.attributes();
  for (const auto& a : attributes)
    if (a.name() == local && (ns.isEmpty() || a.namespaceUri() == ns)) return a.value();
  return {};
}

bool Part::has_attr(QLatin1StringView local, QLatin1StringView ns) const {
  const QXmlStreamAttributes attributes = xml_.attributes();
  for (const auto& a : attributes)
    if (a.name() == local && (ns.isEmpty() || a.namespaceUri() == ns)) return true;
  return false;
}

bool Part::feed() {
  if (!file_) return false;
  // Inflated straight into the array the reader keeps.
  QByteArray chunk(64 * 1024, Qt::Uninitialized);
  const zip_int64_t n = zip_fread(file_, chunk.data(), static_cast<zip_uint64_t>(chunk.size()));
  if (n <= 0) return false;  // a read error, or the part ended inside the document
  inflated_ += n;
  if (inflated_ > k_max_part_bytes) return false;
  chunk.truncate(static_cast<qsizetype>(n));
  xml_.addData(chunk);
  return true;
}

bool prolog_is_sound(Archive& archive, const QString& name) {
  // A missing part fails where it is needed, as it always did.
  if (archive.find(name) < 0) return true;
  Part p(archive, name);
  for (;;) {
    const auto t = p.next();
    if (t == QXmlStreamReader::StartElement) return true;
    if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument) return false;
  }
}

std::optional<int> to_int(QStringView s) {
  bool ok = false;
  const int v = s.toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

std::unique_ptr<Book> open_zip_book(QByteArray data) {
  // OpenDocument keeps its sheets in content.xml, Office Open XML lists its
  // parts in [Content_Types].xml.
  auto archive = std::make_unique<Archive>(std::move(data));
  if (!archive->ok()) return nullptr;
  if (archive->find(QStringLiteral("content.xml")) >= 0 &&
      archive->find(QStringLiteral("[Content_Types].xml")) < 0)
    return open_ods_book(std::move(archive));
  return open_xlsx_book(std::move(archive));
}

}  // namespace tn
