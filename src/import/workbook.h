#pragma once
// Our stand-in for the spreadsheet application: workbooks opened by path, a
// sheet picked by name and made active, cell values by address, all closed
// at once. Reads .xls (BIFF5, BIFF7 and BIFF8) record by record, .xlsx and
// .ods through libzip and QXmlStreamReader, and .csv/.tsv text; the file's
// content decides which.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace tn {

class Book;

class Workbooks {
 public:
  Workbooks();
  ~Workbooks();  // closes whatever is still open
  Workbooks(const Workbooks&) = delete;
  Workbooks& operator=(const Workbooks&) = delete;

  // Opens the workbook at path; it becomes the active workbook, with no
  // active sheet yet, except for a text file, whose one sheet (named after
  // the file) is active at once. False, with nothing left open, for a missing
  // path, a file that is not a workbook, a broken or truncated one, or one
  // protected by a password.
  bool open(const QString& path);
  // Makes the sheet of the active workbook whose name equals name, case
  // aside, the active sheet. False when there is no such sheet.
  bool activate_sheet(const QString& name);
  // The value of the cell at address ("A1", "D100") of the active sheet:
  // text as it is, integers as their digits, other numbers in plain decimal
  // notation, dates as YYYY-MM-DD, durations as their whole hours, truth
  // values as TRUE/FALSE, empty and unused cells as the empty text.
  // nullopt for an error value, a malformed address or when no sheet is
  // active.
  std::optional<QString> cell_value(const QString& address) const;
  void close_all();
  // True once a sheet of the active workbook is active.
  bool has_active_sheet() const;

  int open_count() const { return static_cast<int>(books_.size()); }
  // Sheet names of the active workbook, in workbook order.
  QStringList sheet_names() const;

 private:
  std::vector<std::unique_ptr<Book>> books_;
  Book* active_ = nullptr;
};

// "B12" -> column 1, row 11 (both from 0); false for anything else.
bool parse_address(const QString& address, int& col, int& row);

}  // namespace tn
