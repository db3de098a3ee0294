#pragma once
// Texts with their readings, as a readable TSV ("text<TAB>reading" a line,
// '#' comments): the user's own corrections, and the product's table of
// well-known names the analyser cannot read.

#include <QList>
#include <QMap>
#include <QString>

namespace tn::readings {

class ReadingTable {
 public:
  // Adds the lines of a TSV (later lines win); the numbers (from 1) of the
  // lines that are neither an entry, a comment nor blank.
  QList<int> add_tsv(const QString& tsv);
  QString to_tsv() const;

  // Readings are kept in hiragana, whatever script they came in.
  void set(const QString& text, const QString& reading);
  void remove(const QString& text) { entries_.remove(text); }
  QString exact(const QString& text) const { return entries_.value(text); }
  // The longest entry of at least min_length characters that text holds at
  // position at: its length (0 when none) and reading.
  qsizetype longest_at(const QString& text, qsizetype at, QString* reading, qsizetype min_length = 2) const;

  qsizetype size() const { return entries_.size(); }
  const QMap<QString, QString>& entries() const { return entries_; }

 private:
  QMap<QString, QString> entries_;
  qsizetype longest_ = 0;
};

}  // namespace tn::readings
