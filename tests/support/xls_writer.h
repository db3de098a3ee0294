#pragma once
// Real .xls files for the import tests: a small writer of BIFF8 (or BIFF5
// with Shift-JIS or Latin-1 text) inside an OLE2 compound file. It writes what a reader
// needs, not what a spreadsheet program would add for its own use.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>
#include <vector>

#include "compound_writer.h"

namespace tn::test {

class XlsSheet {
 public:
  explicit XlsSheet(QString name) : name_(std::move(name)) {}
  const QString& name() const { return name_; }

  // Cells by address ("A1"). text() goes into the shared string table (as
  // spreadsheet programs store text); label() stores it in the cell record.
  XlsSheet& text(const QString& addr, const QString& s) { return put(addr, {Kind::text, s}); }
  XlsSheet& label(const QString& addr, const QString& s) { return put(addr, {Kind::label, s}); }
  XlsSheet& number(const QString& addr, double d) { return put(addr, {Kind::number, {}, d}); }
  XlsSheet& rk(const QString& addr, int n) { return put(addr, {Kind::rk, {}, double(n)}); }
  // builtin: the program's own date format (index 14); else "yyyy/mm/dd".
  XlsSheet& date(const QString& addr, QDate d, bool builtin = true);
  // Days as a duration shown "[h]:mm:ss".
  XlsSheet& duration(const QString& addr, double days) { return put(addr, {Kind::duration, {}, days}); }
  // Text with a formatting run: shared with a phonetic reading (BIFF8), or
  // in its own RSTRING record (BIFF5).
  XlsSheet& rich(const QString& addr, const QString& s) { return put(addr, {Kind::rich, s}); }
  XlsSheet& boolean(const QString& addr, bool b) { return put(addr, {Kind::boolean, {}, b ? 1.0 : 0.0}); }
  XlsSheet& error(const QString& addr, int code = 0x07) { return put(addr, {Kind::error, {}, double(code)}); }
  // Formula cells with their last result.
  XlsSheet& formula_number(const QString& addr, double d) { return put(addr, {Kind::f_number, {}, d}); }
  XlsSheet& formula_text(const QString& addr, const QString& s) { return put(addr, {Kind::f_text, s}); }
  XlsSheet& formula_error(const QString& addr, int code = 0x2A) { return put(addr, {Kind::f_error, {}, double(code)}); }
  // texts into rows first_row, first_row + 1, … of column letter; empty
  // texts leave their cells out.
  XlsSheet& column(char letter, const QStringList& texts, int first_row = 1);

  enum class Kind { text, rich, label, number, rk, date, date_custom, duration, boolean, error, f_number, f_text, f_error };
  struct Cell {
    Kind kind;
    QString s;
    double d = 0;
  };
  const std::map<std::pair<int, int>, Cell>& cells() const { return cells_; }  // (row, col) from 0

 private:
  XlsSheet& put(const QString& addr, Cell cell);
  QString name_;
  std::map<std::pair<int, int>, Cell> cells_;
};

struct XlsBook {
  std::vector<XlsSheet> sheets;
  // 1200: BIFF8, Unicode; 932: BIFF5 with Shift-JIS text; 0: BIFF5 in
  // Latin-1 without a CODEPAGE record, as Excel 5 writes it.
  int codepage = 1200;
  bool password = false;  // a FILEPASS record, as in a book protected by a password
  bool date1904 = false;  // the Macintosh date system
  QString stream_name;    // empty: "Workbook" for BIFF8, else "Book"
  // Longest string-table record: past it the table goes on in CONTINUE
  // records, a string's characters split between them as Excel splits them.
  int record_limit = 8224;

  XlsSheet& add(const QString& name) { return sheets.emplace_back(name); }
  QByteArray workbook_stream() const;
  QByteArray bytes() const;  // the whole compound file
  void save(const QString& path) const;
};

// compound_file (compound_writer.h) wraps a stream into a file.

}  // namespace tn::test
