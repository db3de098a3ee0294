#pragma once
// The morphological analyser behind the readings: MeCab with a dictionary
// from the system's packages, loaded as a library when first needed, so the
// program starts and works (without readings) where neither is installed.

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tn::readings {

// Another dictionary entry for the same characters.
struct Rival {
  QString reading;
  int extra_cost = 0;  // how much less likely than the chosen entry (MeCab's word cost)
  bool name = false;
};

// One word of the analysed text.
struct Morpheme {
  QString gap;      // the blanks before it, kept as the text has them
  QString surface;  // as written
  QString reading;  // katakana as the dictionary writes it (not as spoken); empty when not in it
  bool name = false;         // a surname or given name in the dictionary
  std::vector<Rival> rivals;  // with another reading
};

struct Analysis {
  std::vector<Morpheme> words;  // the best reading
  QString tail;                 // the blanks after the last word
  QString runner_up;            // the next-best path's reading where it differs and is close; else empty
};

class Analyser {
 public:
  // The analyser, or null with why in *missing (one of msg::readings_*).
  static std::unique_ptr<Analyser> open(QString* missing);
  virtual ~Analyser() = default;
  virtual Analysis analyse(const QString& text) = 0;
  // The dictionary's folder, for the README's figures and bug reports.
  virtual QString dictionary() const = 0;
};

// Where to look for a dictionary, best first; TAGNARABE_MECAB_DIC, when set,
// names the only one.
QStringList dictionary_candidates();

}  // namespace tn::readings
