#include "readings/readings.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "readings/analyser.h"
#include "readings/messages.h"

// The table of names is a resource of the core library, which is static.
static void init_readings_resource() { Q_INIT_RESOURCE(readings); }

namespace tn::readings {

namespace {

const QString k_header = QStringLiteral("# よみがな: 表記<TAB>読み（一行に一つ）\n");

QString read_file(const QString& path, bool* ok) {
  QFile f(path);
  *ok = f.open(QIODevice::ReadOnly);
  return *ok ? QString::fromUtf8(f.readAll()) : QString();
}

QString line_numbers(const QList<int>& lines) {
  QStringList out;
  for (const int n : lines) out << QString::number(n);
  return out.join(QStringLiteral(", "));
}

// What makes a reading unsure, gathered over its words.
struct Doubts {
  QStringList unknown, several, disagree;
  QString why() const {
    QStringList out;
    if (!unknown.isEmpty()) out << msg::reading_unknown_word + unknown.join(QStringLiteral("、"));
    if (!several.isEmpty()) out << msg::reading_several + several.join(QStringLiteral("、"));
    if (!disagree.isEmpty()) out << msg::reading_disagree + disagree.join(QStringLiteral("、"));
    return out.join(QLatin1Char('\n'));
  }
};

// A rival this much less likely (MeCab's word cost) still counts; more when
// the word stands alone, with no context to choose by (故郷 こきょう/ふるさと).
constexpr int k_close_cost = 1500;
constexpr int k_close_cost_alone = 5000;

bool has_close_rival(const Morpheme& m, bool alone) {
  return std::any_of(m.rivals.begin(), m.rivals.end(), [&](const Rival& r) {
    return !r.name && r.extra_cost <= (alone ? k_close_cost_alone : k_close_cost);
  });
}

bool has_name_rival(const Morpheme& m) {
  return std::any_of(m.rivals.begin(), m.rivals.end(), [](const Rival& r) { return r.name; });
}

qsizetype latin_run(const QString& text, qsizetype at) {
  qsizetype n = 0;
  while (at + n < text.size() && has_latin(QString(text[at + n]))) ++n;
  return n;
}

// A part that cannot be read leaves the whole without a reading.
void add_part(Reading& whole, const Reading& part, bool* failed) {
  *failed = *failed || part.text.isEmpty();
  whole.sure = whole.sure && part.sure;
  if (!part.why.isEmpty()) whole.why += (whole.why.isEmpty() ? QString() : QStringLiteral("\n")) + part.why;
  whole.text = *failed ? QString() : whole.text + part.text;
}

}  // namespace

QString user_dictionary_path() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/tagnarabe/readings.tsv");
}

const ReadingTable& known_names() {
  static const ReadingTable table = [] {
    init_readings_resource();
    bool ok = false;
    ReadingTable t;
    t.add_tsv(read_file(QStringLiteral(":/readings/known_names.tsv"), &ok));
    return t;
  }();
  return table;
}

Readings::Readings() : Readings(user_dictionary_path()) {}

Readings::Readings(const QString& user_dictionary) : path_(user_dictionary) {
  bool ok = false;
  const QString tsv = read_file(path_, &ok);
  bad_lines_ = user_.add_tsv(tsv);
}

Readings::~Readings() = default;

Analyser* Readings::analyser() {
  if (!tried_) {
    tried_ = true;
    analyser_ = Analyser::open(&missing_);
  }
  return analyser_.get();
}

QString Readings::missing() {
  analyser();
  return missing_;
}

QString Readings::dictionary() {
  const Analyser* a = analyser();
  return a ? a->dictionary() : QString();
}

Reading Readings::read(const QString& text, Kind kind, Script script) {
  if (const QString r = user_.exact(text); !r.isEmpty()) return {to_script(r, script), true, {}};
  // The user's entries, then the known names, wherever they stand in the
  // text; the analyser reads what is between them.
  Reading out;
  QString rest;
  bool failed = false;
  const auto flush = [&] {
    if (!rest.isEmpty()) add_part(out, read_words(rest, kind, script), &failed);
    rest.clear();
  };
  for (qsizetype i = 0; i < text.size();) {
    QString r;
    qsizetype n = user_.longest_at(text, i, &r);
    if (n == 0) n = known_names().longest_at(text, i, &r);
    // Latin script and digits are never read (光GENJI: the analyser knows it whole).
    if (n == 0 && (n = latin_run(text, i)) > 0) r = text.mid(i, n);
    if (n == 0) {
      rest += text[i++];
      continue;
    }
    flush();
    add_part(out, {to_script(r, script), true, {}}, &failed);
    i += n;
  }
  flush();
  return out;
}

Reading Readings::read_words(const QString& text, Kind kind, Script script) {
  if (!has_kanji(text)) return {to_script(text, script), true, {}};
  Analyser* a = analyser();
  if (!a) return {{}, false, missing_};
  const Analysis analysis = a->analyse(text);
  Doubts doubts;
  QString out;
  for (const Morpheme& m : analysis.words) {
    out += m.gap;
    if (!has_kanji(m.surface)) {
      out += to_script(m.surface, script);
      continue;
    }
    const QString& r = m.reading;
    if (r.isEmpty()) doubts.unknown << m.surface;
    else if (has_close_rival(m, analysis.words.size() == 1)) doubts.several << m.surface;
    // In a name, the same characters read as a name are a rival reading.
    else if (kind == Kind::name && !m.name && has_name_rival(m)) doubts.disagree << m.surface;
    out += r.isEmpty() ? m.surface : to_script(r, script);
  }
  out += analysis.tail;
  if (!analysis.runner_up.isEmpty()) doubts.disagree << to_script(analysis.runner_up, script);
  const QString why = doubts.why();
  return {out, why.isEmpty(), why};
}

bool Readings::save(QString* error) {
  if (!bad_lines_.isEmpty()) {
    // Saving would drop the lines it could not read: the user's own.
    *error = msg::readings_bad_line + line_numbers(bad_lines_) + QStringLiteral(" (") + path_ + QLatin1Char(')');
    return false;
  }
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSaveFile f(path_);
  if (f.open(QIODevice::WriteOnly) && f.write((k_header + user_.to_tsv()).toUtf8()) >= 0 && f.commit()) return true;
  *error = msg::readings_cannot_save + path_;
  return false;
}

bool Readings::correct(const QString& text, const QString& reading, QString* error) {
  if (reading.trimmed().isEmpty()) user_.remove(text);
  else user_.set(text, reading);
  return save(error);
}

int Readings::import_tsv(const QString& tsv, QString* error) {
  ReadingTable added;
  if (const QList<int> bad = added.add_tsv(tsv); !bad.isEmpty()) {
    *error = msg::readings_bad_line + line_numbers(bad);
    return -1;
  }
  for (auto it = added.entries().begin(); it != added.entries().end(); ++it) user_.set(it.key(), it.value());
  return save(error) ? static_cast<int>(added.size()) : -1;
}

}  // namespace tn::readings
