#pragma once
// Zip archives for the import tests and the demo folder, through libzip:
// crafted .xlsx and .ods files (bombs, broken parts, a million rows) that no
// spreadsheet program would write, and small well-formed ones.

#include <QByteArray>
#include <QString>
#include <vector>

namespace tn::test {

struct ZipPart {
  QString name;
  QByteArray data;
  bool deflate = true;  // else stored
};
// Entries dated 2024-01-01, so the same parts give the same bytes.
QByteArray zip_bytes(const std::vector<ZipPart>& parts);
// The entries of a zip archive (for the fuzz seeds); empty when it is none.
std::vector<ZipPart> zip_entries(const QByteArray& zip);

struct XlsxSheet {
  QString name;
  QByteArray sheet_data;  // the XML inside <sheetData>
};
// A minimal .xlsx: the sheets, shared strings (the <si> items) and cell
// styles (the <xf> items of cellXfs, after their <numFmts>) when given.
std::vector<ZipPart> xlsx_parts(const std::vector<XlsxSheet>& sheets, const QByteArray& shared_strings = {},
                                const QByteArray& styles = {});
// Rows 1.. of <row><c t="inlineStr"> cells, one text per column from A.
QByteArray xlsx_rows(const std::vector<std::vector<QString>>& rows);
// A one-sheet ("Sheet1") .xlsx as spreadsheet programs store one: whole
// numbers as numbers, texts in the shared strings, each once.
std::vector<ZipPart> xlsx_shared_parts(const std::vector<std::vector<QString>>& rows);

// A minimal .ods whose content.xml has body inside <office:spreadsheet>.
std::vector<ZipPart> ods_parts(const QByteArray& body, const QByteArray& manifest_extra = {});

}  // namespace tn::test
