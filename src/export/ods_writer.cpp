// .ods: the smallest package spreadsheet programs open, a stored mimetype
// first, the manifest and content.xml with every cell a text.

#include <zip.h>

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include "export/export.h"

namespace tn {

namespace {

const QString k_office = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString k_table = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString k_text = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QByteArray k_mimetype = "application/vnd.oasis.opendocument.spreadsheet";

const QByteArray k_manifest =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">\n"
    " <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>\n"
    " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
    "</manifest:manifest>\n";

// A paragraph collapses runs of blanks and drops them at its ends, so every
// blank after another one, first or last is a <text:s/>, tabs and line
// breaks their own elements: the text comes back as it was.
void write_paragraph(QXmlStreamWriter& w, const QString& text) {
  w.writeStartElement(k_text, QStringLiteral("p"));
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == u' ') --end;
  QString run;
  bool after_blank = true;
  const auto flush = [&] {
    if (!run.isEmpty()) w.writeCharacters(run);
    run.clear();
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\t' || c == u'\n' || (c == u' ' && (after_blank || i >= end))) {
      flush();
      w.writeEmptyElement(k_text, c == u'\t' ? QStringLiteral("tab")
                                  : c == u'\n' ? QStringLiteral("line-break")
                                               : QStringLiteral("s"));
    } else {
      // What XML cannot hold at all (other control characters) shows as U+FFFD.
      run += (c.unicode() < 0x20 || c.unicode() >= 0xFFFE) ? QChar(QChar::ReplacementCharacter) : c;
    }
    after_blank = c == u' ' || c == u'\t' || c == u'\n';
  }
  flush();
  w.writeEndElement();
}

void write_cell(QXmlStreamWriter& w, const QString& text) {
  w.writeStartElement(k_table, QStringLiteral("table-cell"));
  if (!text.isEmpty()) {
    w.writeAttribute(k_office, QStringLiteral("value-type"), QStringLiteral("string"));
    write_paragraph(w, text);
  }
  w.writeEndElement();
}

QByteArray content_xml(const std::vector<ExportColumn>& columns) {
  QByteArray xml;
  QXmlStreamWriter w(&xml);
  w.writeStartDocument();
  w.writeNamespace(k_office, QStringLiteral("office"));
  w.writeNamespace(k_table, QStringLiteral("table"));
  w.writeNamespace(k_text, QStringLiteral("text"));
  w.writeStartElement(k_office, QStringLiteral("document-content"));
  w.writeAttribute(k_office, QStringLiteral("version"), QStringLiteral("1.2"));
  w.writeStartElement(k_office, QStringLiteral("body"));
  w.writeStartElement(k_office, QStringLiteral("spreadsheet"));
  w.writeStartElement(k_table, QStringLiteral("table"));
  w.writeAttribute(k_table, QStringLiteral("name"), QStringLiteral("Sheet1"));
  w.writeEmptyElement(k_table, QStringLiteral("table-column"));
  w.writeAttribute(k_table, QStringLiteral("number-columns-repeated"), QString::number(columns.size()));
  const qsizetype rows = columns.empty() ? 0 : columns.front().values.size();
  for (qsizetype r = -1; r < rows; ++r) {
    w.writeStartElement(k_table, QStringLiteral("table-row"));
    for (const ExportColumn& c : columns) write_cell(w, r < 0 ? c.header : c.values.value(r));
    w.writeEndElement();
  }
  w.writeEndDocument();
  if (w.hasError()) return {};
  return xml;
}

bool add_part(zip_t* za, const char* name, const QByteArray& data, bool stored) {
  zip_source_t* src = zip_source_buffer(za, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
  if (!src) return false;
  const zip_int64_t i = zip_file_add(za, name, src, ZIP_FL_ENC_UTF_8);
  if (i < 0) {
    zip_source_free(src);
    return false;
  }
  return zip_set_file_compression(za, static_cast<zip_uint64_t>(i), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                  0) == 0;
}

}  // namespace

std::optional<QByteArray> ods_bytes(const std::vector<ExportColumn>& columns) {
  const QByteArray content = content_xml(columns);
  if (content.isEmpty()) return std::nullopt;
  QTemporaryDir dir;
  if (!dir.isValid()) return std::nullopt;
  const QString path = dir.filePath(QStringLiteral("sheet.ods"));
  int error = 0;
  zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!za) return std::nullopt;
  // The mimetype first and stored, so that a reader knows the kind at once.
  if (!add_part(za, "mimetype", k_mimetype, true) || !add_part(za, "META-INF/manifest.xml", k_manifest, false) ||
      !add_part(za, "content.xml", content, false)) {
    zip_discard(za);
    return std::nullopt;
  }
  if (zip_close(za) != 0) {
    zip_discard(za);
    return std::nullopt;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  return f.readAll();
}

}  // namespace tn
