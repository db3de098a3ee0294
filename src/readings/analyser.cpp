#include "readings/analyser.h"

#include <QFileInfo>
#include <QLibrary>

#include "readings/messages.h"

#ifdef TAGNARABE_HAVE_MECAB
#include <mecab.h>
#endif

namespace tn::readings {

QStringList dictionary_candidates() {
  const QString chosen = qEnvironmentVariable("TAGNARABE_MECAB_DIC");
  if (!chosen.isEmpty()) return {chosen};
  // UniDic writes rendaku into its readings (天城越え あまぎごえ) and reads
  // more names; IPADIC is the small fallback (figures in the README).
  const QString root = QStringLiteral("/var/lib/mecab/dic/");
  return {root + QStringLiteral("unidic"), root + QStringLiteral("ipadic-utf8"), root + QStringLiteral("naist-jdic"),
          root + QStringLiteral("debian")};
}

#ifndef TAGNARABE_HAVE_MECAB

std::unique_ptr<Analyser> Analyser::open(QString* missing) {
  *missing = msg::readings_not_built;
  return nullptr;
}

#else

namespace {

// The C interface of libmecab, resolved at run time.
struct Api {
  decltype(&mecab_model_new) model_new;
  decltype(&mecab_model_destroy) model_destroy;
  decltype(&mecab_model_new_tagger) new_tagger;
  decltype(&mecab_destroy) destroy;
  decltype(&mecab_model_new_lattice) new_lattice;
  decltype(&mecab_lattice_destroy) lattice_destroy;
  decltype(&mecab_lattice_set_sentence2) set_sentence;
  decltype(&mecab_lattice_set_request_type) set_request_type;
  decltype(&mecab_parse_lattice) parse;
  decltype(&mecab_lattice_get_bos_node) bos;
  decltype(&mecab_lattice_get_begin_nodes) begin_nodes;
  decltype(&mecab_lattice_next) next;

  bool load(QLibrary& lib) {
    bool ok = true;
    auto get = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(lib.resolve(name));
      ok = ok && fn;
    };
    get(model_new, "mecab_model_new");
    get(model_destroy, "mecab_model_destroy");
    get(new_tagger, "mecab_model_new_tagger");
    get(destroy, "mecab_destroy");
    get(new_lattice, "mecab_model_new_lattice");
    get(lattice_destroy, "mecab_lattice_destroy");
    get(set_sentence, "mecab_lattice_set_sentence2");
    get(set_request_type, "mecab_lattice_set_request_type");
    get(parse, "mecab_parse_lattice");
    get(bos, "mecab_lattice_get_bos_node");
    get(begin_nodes, "mecab_lattice_get_begin_nodes");
    get(next, "mecab_lattice_next");
    return ok;
  }
};

// A second path this much dearer than the best is no longer a rival.
constexpr long k_close_path_cost = 1000;

// A dictionary entry's features: comma-separated, a field with commas quoted.
QStringList split_features(const char* feature) {
  QStringList out{QString()};
  bool quoted = false;
  for (const QChar c : QString::fromUtf8(feature)) {
    if (c == QLatin1Char('"')) quoted = !quoted;
    else if (c == QLatin1Char(',') && !quoted) out << QString();
    else out.back() += c;
  }
  return out;
}

struct Fields {
  QStringList f;
  // IPADIC and NAIST-jdic: reading at 7 (8 is the pronunciation). UniDic:
  // the written kana form at 20, with rendaku (9 is the pronunciation).
  QString reading() const {
    const int at = f.size() > 20 ? 20 : f.size() > 8 ? 7 : -1;
    return at < 0 || f[at] == QLatin1String("*") ? QString() : f[at];
  }
  // UniDic's form without rendaku, where the entry is the voiced form (川 ガワ -> カワ).
  QString unvoiced() const {
    return f.size() > 23 && f[14] == QStringLiteral("濁音形") ? f[23] : QString();
  }
  bool name() const { return f.size() > 2 && f[2] == QStringLiteral("人名"); }
};

Fields fields_of(const mecab_node_t* n) { return {split_features(n->feature)}; }

QString surface_of(const mecab_node_t* n) { return QString::fromUtf8(n->surface, n->length); }

class MecabAnalyser final : public Analyser {
 public:
  MecabAnalyser(std::unique_ptr<QLibrary> lib, Api api, QString dir)
      : lib_(std::move(lib)), api_(api), dir_(std::move(dir)) {}
  ~MecabAnalyser() override {
    if (lattice_) api_.lattice_destroy(lattice_);
    if (tagger_) api_.destroy(tagger_);
    if (model_) api_.model_destroy(model_);
  }

  bool start() {
    const QByteArray d = QFile::encodeName(dir_), rc = QFile::encodeName(dir_ + QStringLiteral("/dicrc"));
    // The dictionary's own dicrc as the resource file: no mecabrc needed.
    const char* argv[] = {"mecab", "-r", rc.constData(), "-d", d.constData()};
    model_ = api_.model_new(5, const_cast<char**>(argv));
    if (model_) tagger_ = api_.new_tagger(model_);
    if (tagger_) lattice_ = api_.new_lattice(model_);
    return lattice_;
  }

  QString dictionary() const override { return dir_; }

  Analysis analyse(const QString& text) override {
    Analysis out;
    const QByteArray utf8 = text.toUtf8();
    api_.set_request_type(lattice_, MECAB_NBEST);
    api_.set_sentence(lattice_, utf8.constData(), static_cast<size_t>(utf8.size()));
    if (!api_.parse(tagger_, lattice_)) return out;
    long best_cost = 0;
    const char* end = utf8.constData();
    for (const mecab_node_t* n = api_.bos(lattice_)->next; n && n->stat != MECAB_EOS_NODE; n = n->next) {
      Morpheme m = word(n, utf8.constData());
      m.gap = QString::fromUtf8(end, static_cast<int>(n->surface - end));
      // Rendaku joins a word to the one before: none at the start.
      if (n->prev->stat == MECAB_BOS_NODE || !m.gap.isEmpty())
        if (const QString plain = fields_of(n).unvoiced(); !plain.isEmpty()) m.reading = plain;
      end = n->surface + n->length;
      out.words.push_back(std::move(m));
      best_cost = n->cost;
    }
    out.tail = QString::fromUtf8(end, static_cast<int>(utf8.constData() + utf8.size() - end));
    if (api_.next(lattice_)) out.runner_up = runner_up(best_cost, out.words);
    return out;
  }

 private:
  Morpheme word(const mecab_node_t* n, const char* sentence) {
    Morpheme m;
    m.surface = surface_of(n);
    const Fields f = fields_of(n);
    m.reading = n->stat == MECAB_UNK_NODE ? QString() : f.reading();
    m.name = f.name();
    const auto at = static_cast<size_t>(n->surface - sentence);
    for (const mecab_node_t* o = api_.begin_nodes(lattice_, at); o; o = o->bnext) {
      if (o == n || o->length != n->length || o->stat == MECAB_UNK_NODE) continue;
      const Fields of = fields_of(o);
      const QString r = of.reading();
      if (!r.isEmpty() && r != m.reading) m.rivals.push_back({r, o->wcost - n->wcost, of.name()});
    }
    return m;
  }

  // The second path's reading of the whole text, when it reads it otherwise
  // at nearly the same cost.
  QString runner_up(long best_cost, const std::vector<Morpheme>& best) {
    QString second, first;
    long cost = 0;
    for (const mecab_node_t* n = api_.bos(lattice_)->next; n && n->stat != MECAB_EOS_NODE; n = n->next) {
      const QString r = n->stat == MECAB_UNK_NODE ? QString() : fields_of(n).reading();
      second += r.isEmpty() ? surface_of(n) : r;
      cost = n->cost;
    }
    for (const Morpheme& m : best) first += m.reading.isEmpty() ? m.surface : m.reading;
    return second != first && cost - best_cost <= k_close_path_cost ? second : QString();
  }

  std::unique_ptr<QLibrary> lib_;
  Api api_;
  QString dir_;
  mecab_model_t* model_ = nullptr;
  mecab_t* tagger_ = nullptr;
  mecab_lattice_t* lattice_ = nullptr;
};

}  // namespace

std::unique_ptr<Analyser> Analyser::open(QString* missing) {
  auto lib = std::make_unique<QLibrary>(QStringLiteral("mecab"), 2);
  Api api{};
  if (!lib->load() || !api.load(*lib)) {
    *missing = msg::readings_no_library;
    return nullptr;
  }
  for (const QString& dir : dictionary_candidates()) {
    if (!QFileInfo::exists(dir + QStringLiteral("/sys.dic"))) continue;
    auto a = std::make_unique<MecabAnalyser>(std::move(lib), api, dir);
    if (a->start()) return a;
    lib = std::make_unique<QLibrary>(QStringLiteral("mecab"), 2);
    lib->load();
  }
  *missing = msg::readings_no_dictionary;
  return nullptr;
}

#endif

}  // namespace tn::readings
