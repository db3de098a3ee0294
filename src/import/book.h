#pragma once
// One opened workbook, whatever its format; the workbook layer (workbook.h)
// keeps these and dispatches on the file's content.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tn {

// The largest sheet the addresses reach: rows 1..65536, columns A..IV.
constexpr int k_max_rows = 65536;
constexpr int k_max_cols = 256;

class Book {
 public:
  virtual ~Book() = default;
  virtual QStringList sheet_names() const = 0;
  // Makes sheet index (into sheet_names) the active one.
  virtual bool activate(int index) = 0;
  // The value of the active sheet's cell (row, col from 0): nullopt for an
  // error value or a sheet that breaks off before the cell. Text files have
  // their one sheet active from the open.
  virtual std::optional<QString> cell(int row, int col) = 0;
  virtual int active() const = 0;
};

// Rows of a sheet read so far, for the formats read on demand: runs of equal
// rows (a format may repeat one row many times) with their cells.
class SheetRows {
 public:
  // (column, value) in increasing columns; empty cells left out.
  using Row = std::vector<std::pair<int, std::optional<QString>>>;
  void add(int first, int count, Row cells);
  const std::optional<QString>* find(int row, int col) const;
  void clear() { runs_.clear(); }

 private:
  struct Run {
    int first, last;
    Row cells;
  };
  std::vector<Run> runs_;  // in increasing rows
};

// A book whose active sheet is parsed row by row, only as far as the cells
// asked for need: the import reads at most 100 rows of any sheet.
class RowBook : public Book {
 public:
  std::optional<QString> cell(int row, int col) override;

 protected:
  // Reads the next row (or run of equal rows) of the active sheet into
  // rows_ and moves next_row_ past it; sets done_ at the sheet's end. False
  // when the sheet breaks off.
  virtual bool read_row() = 0;
  // Forgets the rows of the sheet before.
  void restart();

  SheetRows rows_;
  int next_row_ = 0;  // first row not read yet
  bool done_ = false;

 private:
  bool broken_ = false;
};

// nullptr when data is not a sound workbook of that format (or one protected
// by a password).
std::unique_ptr<Book> open_xls_book(const QByteArray& data);
std::unique_ptr<Book> open_zip_book(QByteArray data);  // .xlsx or .ods
// A .csv or .tsv file; its one sheet is named sheet_name. suffix breaks a
// tie between comma and tab.
std::unique_ptr<Book> open_text_book(const QByteArray& data, const QString& sheet_name,
                                     const QString& suffix);

}  // namespace tn
