#pragma once
// よみがな: the reading of a title, album or name in kana, as a careful
// person writes it for sorting. The dictionary reading, not the
// pronunciation (しょうねん, not しょーねん); kana kept and put in one script;
// Latin script, digits, punctuation and spacing kept as they are (Mr.Children
// stays Mr.Children, Official髭男dism reads Officialひげだんdism). The user's
// corrections come first, then the table of well-known names, then the
// analyser; what the program is not sure of is said, with why.

#include <QString>
#include <memory>

#include "readings/kana.h"
#include "readings/reading_table.h"

namespace tn::readings {

class Analyser;

// A person's name (artist, album artist) is read with a preference for
// name readings; a title or album as words.
enum class Kind { title, name };

struct Reading {
  QString text;   // empty when it cannot be read here (why says why)
  bool sure = true;
  QString why;    // for an unsure reading: one of msg::reading_*, with the words concerned
};

// One analyser and dictionary for every text; used from one thread at a time.
class Readings {
 public:
  // The user dictionary from user_dictionary_path(); the analyser opened
  // when first needed.
  Readings();
  // With the user dictionary at a path of the caller's (tests, --import).
  explicit Readings(const QString& user_dictionary);
  ~Readings();
  Readings(const Readings&) = delete;
  Readings& operator=(const Readings&) = delete;

  Reading read(const QString& text, Kind kind, Script script = Script::hiragana);

  // Empty when readings of kanji can be made; else what is missing, to show.
  QString missing();
  // The dictionary folder in use; empty when missing() is not.
  QString dictionary();

  // Remembers the user's reading of a text (any script) for every folder
  // from now on, or forgets it when the reading is empty; false with the
  // message when the dictionary cannot be saved.
  bool correct(const QString& text, const QString& reading, QString* error);
  const ReadingTable& user() const { return user_; }
  // Adds a TSV's entries to the user dictionary and saves it: the entries
  // added, or -1 with the message (bad lines by number).
  int import_tsv(const QString& tsv, QString* error);

 private:
  bool save(QString* error);
  Analyser* analyser();
  Reading read_words(const QString& text, Kind kind, Script script);

  QString path_;
  ReadingTable user_;
  QList<int> bad_lines_;  // lines of the user's file that are not entries
  std::unique_ptr<Analyser> analyser_;
  bool tried_ = false;
  QString missing_;
};

// The user dictionary: readings.tsv in the program's configuration folder,
// beside its settings.
QString user_dictionary_path();

// The table of well-known names the analyser misreads, shipped with the program.
const ReadingTable& known_names();

}  // namespace tn::readings
