#include "zip_writer.h"

#include <zip.h>

#include <QStringList>

#include <ctime>
#include <stdexcept>

namespace tn::test {

QByteArray zip_bytes(const std::vector<ZipPart>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* za = out ? zip_open_from_source(out, ZIP_TRUNCATE, &error) : nullptr;
  zip_error_fini(&error);
  if (!za) {
    if (out) zip_source_free(out);
    throw std::runtime_error("libzip: cannot make an archive");
  }
  zip_source_keep(out);
  auto fail = [&](const std::string& what) {
    zip_discard(za);
    zip_source_free(out);
    throw std::runtime_error("libzip: " + what);
  };
  std::tm day{};
  day.tm_year = 124;
  day.tm_mday = 1;
  const time_t when = timegm(&day);
  for (const ZipPart& p : parts) {
    zip_source_t* src = zip_source_buffer(za, p.data.constData(), static_cast<zip_uint64_t>(p.data.size()), 0);
    if (!src) fail("cannot add " + p.name.toStdString());
    const zip_int64_t i = zip_file_add(za, p.name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (i < 0) {
      zip_source_free(src);
      fail("cannot add " + p.name.toStdString());
    }
    zip_set_file_compression(za, static_cast<zip_uint64_t>(i), p.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 6);
    zip_file_set_mtime(za, static_cast<zip_uint64_t>(i), when, 0);
  }
  if (zip_close(za) != 0) fail("cannot write the archive");
  QByteArray bytes;
  zip_stat_t st;
  if (zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0) {
    bytes.resize(static_cast<qsizetype>(st.size));
    if (zip_source_read(out, bytes.data(), st.size) != static_cast<zip_int64_t>(st.size)) bytes.clear();
    zip_source_close(out);
  }
  zip_source_free(out);
  if (bytes.isEmpty()) throw std::runtime_error("libzip: cannot read the archive back");
  return bytes;
}

std::vector<ZipPart> zip_entries(const QByteArray& zip) {
  std::vector<ZipPart> parts;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_buffer_create(zip.constData(), static_cast<zip_uint64_t>(zip.size()), 0, &error);
  zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY, &error) : nullptr;
  if (!za) {
    if (src) zip_source_free(src);
    zip_error_fini(&error);
    return parts;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_file_t* f = zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) == 0
                        ? zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0)
                        : nullptr;
    if (!f) continue;
    QByteArray data(static_cast<qsizetype>(st.size), '\0');
    if (zip_fread(f, data.data(), st.size) == static_cast<zip_int64_t>(st.size))
      parts.push_back({QString::fromUtf8(st.name), data});
    zip_fclose(f);
  }
  zip_discard(za);
  zip_error_fini(&error);
  return parts;
}

std::vector<ZipPart> xlsx_parts(const std::vector<XlsxSheet>& sheets, const QByteArray& shared_strings,
                                const QByteArray& styles) {
  const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const QByteArray ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
  QByteArray types = head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                            "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + ct + "sheet.main+xml\"/>";
  for (size_t i = 1; i <= sheets.size(); ++i)
    types += "<Override PartName=\"/xl/worksheets/sheet" + QByteArray::number(qulonglong(i)) +
             ".xml\" ContentType=\"" + ct + "worksheet+xml\"/>";
  if (!shared_strings.isEmpty())
    types += "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + ct + "sharedStrings+xml\"/>";
  if (!styles.isEmpty())
    types += "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + ct + "styles+xml\"/>";
  types += "</Types>";
  QByteArray root = head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                           "</Relationships>";
  QByteArray book = head + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\"><sheets>";
  QByteArray book_rels = head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<ZipPart> parts{{"[Content_Types].xml", types}, {"_rels/.rels", root}};
  int n = 0;
  for (const XlsxSheet& s : sheets) {
    ++n;
    const QByteArray id = "rId" + QByteArray::number(n);
    book += "<sheet name=\"" + s.name.toHtmlEscaped().toUtf8() + "\" sheetId=\"" + QByteArray::number(n) +
            "\" r:id=\"" + id + "\"/>";
    book_rels += "<Relationship Id=\"" + id + "\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet" +
                 QByteArray::number(n) + ".xml\"/>";
    parts.push_back({"xl/worksheets/sheet" + QString::number(n) + ".xml",
                     head + "<worksheet xmlns=\"" + main + "\"><sheetData>" + s.sheet_data +
                         "</sheetData></worksheet>"});
  }
  book += "</sheets></workbook>";
  if (!shared_strings.isEmpty()) {
    book_rels += "<Relationship Id=\"rIdS\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    parts.push_back({"xl/sharedStrings.xml", head + "<sst xmlns=\"" + main + "\">" + shared_strings + "</sst>"});
  }
  if (!styles.isEmpty()) {
    book_rels += "<Relationship Id=\"rIdT\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/>";
    parts.push_back({"xl/styles.xml", head + "<styleSheet xmlns=\"" + main + "\">" + styles + "</styleSheet>"});
  }
  book_rels += "</Relationships>";
  parts.push_back({"xl/workbook.xml", book});
  parts.push_back({"xl/_rels/workbook.xml.rels", book_rels});
  return parts;
}

QByteArray xlsx_rows(const std::vector<std::vector<QString>>& rows) {
  QByteArray out;
  int r = 0;
  for (const auto& row : rows) {
    out += "<row r=\"" + QByteArray::number(++r) + "\">";
    char col = 'A';
    for (const QString& text : row) {
      if (!text.isEmpty())
        out += "<c r=\"" + QByteArray(1, col) + QByteArray::number(r) + "\" t=\"inlineStr\"><is><t>" +
               text.toHtmlEscaped().toUtf8() + "</t></is></c>";
      ++col;
    }
    out += "</row>";
  }
  return out;
}

std::vector<ZipPart> xlsx_shared_parts(const std::vector<std::vector<QString>>& rows) {
  QByteArray data, strings;
  QStringList shared;
  int r = 0;
  for (const auto& row : rows) {
    const QByteArray n = QByteArray::number(++r);
    data += "<row r=\"" + n + "\">";
    char col = 'A';
    for (const QString& text : row) {
      const QByteArray ref = QByteArray(1, col++) + n;
      bool number = false;
      text.toLongLong(&number);
      if (number) {
        data += "<c r=\"" + ref + "\"><v>" + text.toUtf8() + "</v></c>";
        continue;
      }
      if (!shared.contains(text)) {
        shared << text;
        strings += "<si><t>" + text.toHtmlEscaped().toUtf8() + "</t></si>";
      }
      data += "<c r=\"" + ref + "\" t=\"s\"><v>" + QByteArray::number(shared.indexOf(text)) + "</v></c>";
    }
    data += "</row>";
  }
  return xlsx_parts({{QStringLiteral("Sheet1"), data}}, strings);
}

std::vector<ZipPart> ods_parts(const QByteArray& body, const QByteArray& manifest_extra) {
  const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const QByteArray content =
      head +
      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
      " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
      " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.3\">"
      "<office:body><office:spreadsheet>" + body + "</office:spreadsheet></office:body></office:document-content>";
  const QByteArray manifest =
      head +
      "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.3\">"
      "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
      "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\">" + manifest_extra +
      "</manifest:file-entry></manifest:manifest>";
  return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
          {"content.xml", content},
          {"META-INF/manifest.xml", manifest}};
}

}  // namespace tn::test
