#include "import/workbook.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "import/book.h"

namespace tn {

namespace {

// Larger files are refused rather than read into memory: a list of at most
// a hundred tracks is a few kilobytes, and the biggest sheet a few megabytes.
constexpr qint64 k_max_file_size = 256LL * 1024 * 1024;

}  // namespace

void SheetRows::add(int first, int count, Row cells) {
  // A row out of order (no producer writes one) is dropped: the runs stay
  // sorted for the search below.
  if (count <= 0 || cells.empty() || (!runs_.empty() && first <= runs_.back().last)) return;
  runs_.push_back({first, first + count - 1, std::move(cells)});
}

const std::optional<QString>* SheetRows::find(int row, int col) const {
  auto it = std::upper_bound(runs_.begin(), runs_.end(), row,
                             [](int r, const Run& run) { return r < run.first; });
  if (it == runs_.begin() || row > std::prev(it)->last) return nullptr;
  const auto& cells = std::prev(it)->cells;
  const auto cell = std::lower_bound(cells.begin(), cells.end(), col,
                                     [](const auto& c, int wanted) { return c.first < wanted; });
  return cell == cells.end() || cell->first != col ? nullptr : &cell->second;
}

std::optional<QString> RowBook::cell(int row, int col) {
  while (!done_ && next_row_ <= row) {
    if (!read_row()) {
      broken_ = done_ = true;
    }
  }
  if (broken_ && row >= next_row_) return std::nullopt;
  const auto* value = rows_.find(row, col);
  return value ? *value : QString();
}

void RowBook::restart() {
  rows_.clear();
  next_row_ = 0;
  done_ = broken_ = false;
}

Workbooks::Workbooks() = default;
Workbooks::~Workbooks() { close_all(); }

bool Workbooks::open(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > k_max_file_size) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  // Read once: every format is checked and read from these very bytes.
  QByteArray data = file.readAll();
  file.close();
  if (data.size() > k_max_file_size) return false;

  // The content decides, not the name: web exports call CSV or .xlsx ".xls".
  std::unique_ptr<Book> book;
  if (data.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
    book = open_xls_book(data);
  else if (data.startsWith("PK\x03\x04"))
    book = open_zip_book(std::move(data));
  else
    book = open_text_book(data, info.completeBaseName(), info.suffix());
  if (!book) return false;
  active_ = book.get();
  books_.push_back(std::move(book));
  return true;
}

bool Workbooks::activate_sheet(const QString& name) {
  if (!active_) return false;
  const QStringList names = active_->sheet_names();
  qsizetype found = names.indexOf(name);
  for (qsizetype i = 0; i < names.size() && found < 0; ++i)
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) found = i;
  return found >= 0 && active_->activate(static_cast<int>(found));
}

bool Workbooks::has_active_sheet() const { return active_ && active_->active() >= 0; }

std::optional<QString> Workbooks::cell_value(const QString& address) const {
  int col = 0, row = 0;
  if (!has_active_sheet() || !parse_address(address, col, row)) return std::nullopt;
  return active_->cell(row, col);
}

void Workbooks::close_all() {
  books_.clear();
  active_ = nullptr;
}

QStringList Workbooks::sheet_names() const { return active_ ? active_->sheet_names() : QStringList(); }

bool parse_address(const QString& address, int& col, int& row) {
  qsizetype i = 0;
  int c = 0;
  while (i < address.size() && i < 3 && address[i] >= u'A' && address[i] <= u'Z')
    c = c * 26 + (address[i++].unicode() - u'A' + 1);
  if (i == 0 || i == address.size() || address[i] == u'0' || c > k_max_cols) return false;
  qint64 r = 0;
  for (; i < address.size(); ++i) {
    if (address[i] < u'0' || address[i] > u'9' || r > k_max_rows) return false;
    r = r * 10 + (address[i].unicode() - u'0');
  }
  if (r < 1 || r > k_max_rows) return false;
  col = c - 1;
  row = static_cast<int>(r - 1);
  return true;
}

}  // namespace tn
