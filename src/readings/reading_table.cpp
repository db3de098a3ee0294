#include "readings/reading_table.h"

#include <QStringList>

#include "readings/kana.h"

namespace tn::readings {

QList<int> ReadingTable::add_tsv(const QString& tsv) {
  QList<int> bad;
  const QStringList lines = tsv.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (i == 0 && line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    const QStringList cells = line.split(QLatin1Char('\t'));
    if (cells.size() != 2 || cells[0].isEmpty() || cells[1].trimmed().isEmpty()) {
      bad << i + 1;
      continue;
    }
    set(cells[0], cells[1]);
  }
  return bad;
}

QString ReadingTable::to_tsv() const {
  QString out;
  for (auto it = entries_.begin(); it != entries_.end(); ++it)
    out += it.key() + QLatin1Char('\t') + it.value() + QLatin1Char('\n');
  return out;
}

namespace {
// A tab or line break would split the line it is saved on.
QString one_cell(QString s) {
  for (QChar& c : s)
    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
  return s;
}
}  // namespace

void ReadingTable::set(const QString& text, const QString& reading) {
  entries_.insert(one_cell(text), one_cell(to_script(reading, Script::hiragana)));
  longest_ = std::max(longest_, text.size());
}

qsizetype ReadingTable::longest_at(const QString& text, qsizetype at, QString* reading, qsizetype min_length) const {
  for (qsizetype n = std::min(longest_, text.size() - at); n >= min_length; --n) {
    const auto it = entries_.constFind(text.mid(at, n));
    if (it == entries_.constEnd()) continue;
    *reading = it.value();
    return n;
  }
  return 0;
}

}  // namespace tn::readings
