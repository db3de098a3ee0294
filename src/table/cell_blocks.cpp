#include "table/cell_blocks.h"

#include <QCollator>
#include <algorithm>
#include <numeric>

#include "table/folder.h"
#include "text/text.h"

namespace tn {

namespace {

QString quoted_if_needed(const QString& cell) {
  static const QString special = QStringLiteral("\t\n\r\"");
  if (std::none_of(cell.begin(), cell.end(), [](QChar c) { return special.contains(c); }))
    return cell;
  QString out = cell;
  out.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + out + QLatin1Char('"');
}

}  // namespace

QString to_tsv(const CellBlock& block) {
  QStringList lines;
  for (const QStringList& row : block) {
    QStringList cells;
    for (const QString& cell : row) cells << quoted_if_needed(cell);
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

CellBlock from_tsv(const QString& text) {
  CellBlock block;
  QStringList row;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    row << read_delimited_field(text, i, u'\t');
    if (i < n && text[i] == u'\t') {
      if (++i < n) continue;
      row << QString();  // the row's last cell, left empty
    } else if (i + 1 < n && text[i] == u'\r' && text[i + 1] == u'\n') {
      ++i;
    }
    ++i;  // past the line break, or the end
    block << row;
    row.clear();
  }
  return block;
}

std::vector<int> sorted_rows(const Grid& g, int col) {
  QStringList texts;
  for (int r = 1; r <= g.row_count(); ++r) texts << g.cell_text(col, r);
  std::vector<int> rows(static_cast<std::size_t>(g.row_count()));
  std::iota(rows.begin(), rows.end(), 1);
  const QCollator collator = natural_collator();
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    const QString& x = texts[a - 1];
    const QString& y = texts[b - 1];
    if (x.isEmpty() || y.isEmpty()) return !x.isEmpty() && y.isEmpty();
    return collator.compare(x, y) < 0;
  });
  return rows;
}

}  // namespace tn
