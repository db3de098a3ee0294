// Readings (よみがな): the rules of a reading, its accuracy over a list of
// real names and titles, the user's dictionary and its moves, the sort
// values proposed for the rows, and よみがなを付ける on the track table and
// the command line.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "readings/fill_readings.h"
#include "readings/messages.h"
#include "readings/readings.h"
#include "readings/sort_values.h"
#include "mp3_fixture.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "table_fixture.h"
#include "tag_rows/read_tags.h"

using namespace tn;
using namespace tn::readings;
using tn::test::Enc;

namespace {

struct Known {
  Kind kind;
  QString text, reading;
  bool held_out;
};

std::vector<Known> known_list() {
  QFile f(QFINDTESTDATA("known_readings.tsv"));
  if (!f.open(QIODevice::ReadOnly)) qFatal("known_readings.tsv missing");
  std::vector<Known> out;
  for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
    const QStringList cells = line.split(QLatin1Char('\t'));
    if (line.startsWith(QLatin1Char('#')) || cells.size() != 3) continue;
    // Every fourth row is held out from tuning the table of known names.
    const bool held_out = out.size() % 4 == 3;
    out.push_back({cells[0] == QLatin1String("name") ? Kind::name : Kind::title, cells[1], cells[2], held_out});
  }
  return out;
}

struct Tally {
  int rows = 0, exact = 0, wrong_unsure = 0;
  double exact_share() const { return rows ? 100.0 * exact / rows : 0; }
  double flagged_share() const { return rows - exact ? 100.0 * wrong_unsure / (rows - exact) : 100; }
  QString line(const char* name) const {
    return QStringLiteral("%1: %2/%3 exact (%4%), %5/%6 wrong ones unsure (%7%)")
        .arg(QLatin1String(name)).arg(exact).arg(rows).arg(exact_share(), 0, 'f', 1)
        .arg(wrong_unsure).arg(rows - exact).arg(flagged_share(), 0, 'f', 1);
  }
};

// The Latin letters and digits of a text, in order.
QString latin_of(const QString& text) {
  QString out;
  for (const QChar c : text)
    if (has_latin(QString(c))) out += c;
  return out;
}

QString temp_dictionary(const QTemporaryDir& dir) { return dir.filePath(QStringLiteral("readings.tsv")); }

struct CliRun {
  int code = -1;
  QByteArray out;
  QString err;
};

CliRun run_cli(const QStringList& args) {
  QProcess p;
  p.start(qEnvironmentVariable("TAGNARABE_CLI"), args);
  p.waitForFinished();
  return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

// The files of folder read into the table, as a confirmation reads them.
void read_folder(test::RealTable& t, const QString& folder, int files) {
  t.state.edit_folder = folder + QLatin1Char('/');
  t.state.file_count = static_cast<qint16>(files);
  t.grid.set_max_rows(files);
  relist_files(t.cx, Relist::rebuild);
  fill_table(t.cx);
  read_tags(t.cx);
}

// One row whose tag was read, every text column showing text.
void one_row(test::RealTable& t, const QString& text) {
  t.state.file_count = 1;
  t.state.set_file(0, QStringLiteral("1.mp3"));
  t.state.set_on_disk(0, TagTexts{});
  for (const SortColumn& c : k_sort_columns) t.put(col::of(c.source), 1, text);
}

}  // namespace

class TestReadings : public QObject {
  Q_OBJECT

 private slots:
  // The user dictionary of a configuration folder of the test's own, never
  // the user's.
  void initTestCase() {
    QVERIFY(config_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
  }
  void read_data();
  void read();
  void accuracy();
  void correction_comes_back_in_another_folder();
  void user_dictionary_moves_data();
  void user_dictionary_moves();
  void sort_values_data();
  void sort_values();
  void fill_table_data();
  void fill_table();
  void typed_reading_data();
  void typed_reading();
  void command_line_data();
  void command_line();

 private:
  QTemporaryDir config_;
};

void TestReadings::read_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("name");
  QTest::addColumn<bool>("katakana");
  QTest::addColumn<QString>("expected");
  QTest::addColumn<QString>("unsure_why");  // the start of why, or empty when sure
  // No kanji: read without the analyser.
  QTest::newRow("Latin stays") << "Mr.Children" << true << false << "Mr.Children" << "";
  QTest::newRow("apostrophe") << "B'z" << true << true << "B'z" << "";
  QTest::newRow("full-width Latin") << "ＳＭＡＰ" << true << false << "ＳＭＡＰ" << "";
  QTest::newRow("katakana to hiragana") << "サザンオールスターズ" << true << false << "さざんおーるすたーず" << "";
  QTest::newRow("hiragana to katakana") << "あいみょん" << true << true << "アイミョン" << "";
  QTest::newRow("ヴ") << "ヴァンパイア" << false << false << "ゔぁんぱいあ" << "";
  QTest::newRow("punctuation kept") << "ファイト!" << false << true << "ファイト!" << "";
  QTest::newRow("empty") << "" << false << false << "" << "";
  // Kanji: the analyser.
  QTest::newRow("reading, not pronunciation") << "少年時代" << false << false << "しょうねんじだい" << "";
  QTest::newRow("katakana reading") << "少年時代" << false << true << "ショウネンジダイ" << "";
  QTest::newRow("comma kept") << "春よ、来い" << false << false << "はるよ、こい" << "";
  QTest::newRow("spacing kept") << "交響曲第9番 ニ短調" << false << false << "こうきょうきょくだい9ばん にたんちょう" << "";
  QTest::newRow("blank before Latin kept") << "少年 A" << false << false << "しょうねん A" << "";
  QTest::newRow("mixed") << "Official髭男dism" << true << false << "Officialひげだんdism" << "";
  QTest::newRow("known name") << "中島美嘉" << true << false << "なかしまみか" << "";
  QTest::newRow("unknown kanji") << "彁" << false << false << "彁" << msg::reading_unknown_word;
}

void TestReadings::read() {
  QFETCH(QString, text);
  QFETCH(bool, name);
  QFETCH(bool, katakana);
  QFETCH(QString, expected);
  QFETCH(QString, unsure_why);
  QTemporaryDir dir;
  Readings r(temp_dictionary(dir));
  if (has_kanji(text) && !r.missing().isEmpty()) QSKIP(qPrintable(r.missing()));
  const Reading got = r.read(text, name ? Kind::name : Kind::title, katakana ? Script::katakana : Script::hiragana);
  QCOMPARE(got.text, expected);
  QCOMPARE(got.sure, unsure_why.isEmpty());
  QVERIFY2(unsure_why.isEmpty() ? got.why.isEmpty() : got.why.startsWith(unsure_why), qPrintable(got.why));
}

// The figures of the README; TAGNARABE_READINGS_SHOW=tune|held|all lists the
// wrong readings of that part.
void TestReadings::accuracy() {
  QTemporaryDir dir;
  Readings r(temp_dictionary(dir));
  if (!r.missing().isEmpty()) QSKIP(qPrintable(r.missing()));
  const QString show = qEnvironmentVariable("TAGNARABE_READINGS_SHOW");
  Tally all, tune, held;
  QStringList latin_given_kana;
  for (const Known& k : known_list()) {
    const Reading got = r.read(k.text, k.kind);
    const bool exact = got.text == k.reading;
    for (Tally* t : {&all, k.held_out ? &held : &tune}) {
      ++t->rows;
      t->exact += exact;
      t->wrong_unsure += !exact && !got.sure;
    }
    if (latin_of(got.text) != latin_of(k.text)) latin_given_kana << k.text;
    if (!exact && (show == QLatin1String("all") || show == (k.held_out ? QLatin1String("held") : QLatin1String("tune"))))
      qInfo().noquote() << k.text << "->" << got.text << "expected" << k.reading << (got.sure ? "SURE" : "unsure")
                        << QString(got.why).replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  qInfo().noquote() << "dictionary:" << r.dictionary();
  qInfo().noquote() << all.line("all") << "\n" << tune.line("tuned on") << "\n" << held.line("held out");
  QCOMPARE(latin_given_kana.join(" | "), QString());
  QVERIFY2(all.rows >= 300, qPrintable(all.line("all")));
  QVERIFY2(all.exact_share() >= 95.0, qPrintable(all.line("all")));
  QVERIFY2(all.flagged_share() >= 66.6, qPrintable(all.line("all")));
}

// A reading corrected in a cell while working on one folder is used for the
// texts of another, read from its real files, by the next run of the program.
void TestReadings::correction_comes_back_in_another_folder() {
  QFile::remove(user_dictionary_path());
  QTemporaryDir first, second;
  const QString made_up = QStringLiteral("彁野彁");  // in no dictionary
  test::make_mp3(first.path(), "01.mp3", {test::text_tag(3, Enc::utf16, "歌", made_up, "アルバム"), {}, 24});
  test::make_mp3(second.path(), "01.mp3",
                 {test::text_tag(4, Enc::utf8, made_up + " ライブ", made_up, {}), {}, 24});
  const int artist_sort = col::of(Field::artist_sort);
  {
    Readings r;
    test::RealTable one;
    read_folder(one, first.path(), 1);
    QVERIFY(!r.read(one.at(col::artist, 1), Kind::name).sure);
    fill_readings(one.cx, r, false);
    if (r.missing().isEmpty()) QCOMPARE(one.grid.cell_mark(artist_sort, 1), CellMark::unsure);
    one.put(artist_sort, 1, QStringLiteral("カノカ"));
    QVERIFY(remember_reading(one.cx, r, artist_sort, 1));
    QCOMPARE(one.grid.cell_mark(artist_sort, 1), r.missing().isEmpty() ? CellMark::edited : CellMark::plain);
  }
  Readings r;
  test::RealTable two;
  read_folder(two, second.path(), 1);
  fill_readings(two.cx, r, false);
  QCOMPARE(two.at(artist_sort, 1), QStringLiteral("かのか"));
  QCOMPARE(two.grid.cell_mark(artist_sort, 1), CellMark::edited);  // sure
  QCOMPARE(two.at(col::of(Field::title_sort), 1), QStringLiteral("かのか らいぶ"));
  // An emptied correction is forgotten.
  QString error;
  QVERIFY2(r.correct(made_up, {}, &error), qPrintable(error));
  QVERIFY(!Readings().read(made_up, Kind::name).sure);
  QVERIFY(QFile::remove(user_dictionary_path()));
}

// readings --export / --import through the command line; a bad file is
// refused whole, and a user file with lines it cannot read is never
// rewritten (they would be lost).
void TestReadings::user_dictionary_moves_data() {
  QTest::addColumn<QString>("user_file");    // the dictionary before
  QTest::addColumn<QString>("import_file");  // what is imported
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("user_after");  // the dictionary after, without its header
  QTest::newRow("import, katakana kept as hiragana")
      << "来生\tきすぎ\n" << "\xEF\xBB\xBF中孝介\tアタリコウスケ\r\n# note\n\n" << 0 << msg::readings_imported + "1"
      << "中孝介\tあたりこうすけ\n来生\tきすぎ\n";
  QTest::newRow("import overrides") << "来生\tきすぎ\n" << "来生\tらいせい\n" << 0 << msg::readings_imported + "1"
                                    << "来生\tらいせい\n";
  QTest::newRow("bad import refused whole") << "来生\tきすぎ\n" << "中\tあたり\nno tab here\n" << 2
                                            << msg::readings_bad_line + "2" << "来生\tきすぎ\n";
  QTest::newRow("user file with a bad line kept") << "来生\tきすぎ\nmy own note\n" << "中\tあたり\n" << 2
                                                  << msg::readings_bad_line + "2" << "";
}

void TestReadings::user_dictionary_moves() {
  QFETCH(QString, user_file);
  QFETCH(QString, import_file);
  QFETCH(int, status);
  QFETCH(QString, message);
  QFETCH(QString, user_after);
  QTemporaryDir dir;
  const QString user = user_dictionary_path();
  QDir().mkpath(QFileInfo(user).absolutePath());
  test::write_file(user, user_file.toUtf8());
  test::write_file(dir.filePath("in.tsv"), import_file.toUtf8());
  const CliRun imported = run_cli({"readings", "--import", dir.filePath("in.tsv")});
  QCOMPARE(imported.code, status);
  QVERIFY2(imported.err.contains(message), qPrintable(imported.err));
  const QString after = QString::fromUtf8(test::read_file(user));
  QCOMPARE(after.section('\n', after.startsWith('#') ? 1 : 0), user_after.isEmpty() ? user_file : user_after);
  // What is exported imports back to the same entries.
  QCOMPARE(run_cli({"readings", "--export", dir.filePath("out.tsv")}).code, 0);
  ReadingTable exported;
  QVERIFY(exported.add_tsv(QString::fromUtf8(test::read_file(dir.filePath("out.tsv")))).isEmpty());
  QCOMPARE(exported.entries(), Readings().user().entries());
  QVERIFY(QFile::remove(user));
}

void TestReadings::sort_values_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("existing");
  QTest::addColumn<bool>("replace");
  QTest::addColumn<QString>("proposed");
  QTest::addColumn<bool>("changed");
  QTest::newRow("filled") << "あいみょん" << "" << false << "" << false;  // already hiragana
  QTest::newRow("katakana read") << "ヨルシカ" << "" << false << "よるしか" << true;
  QTest::newRow("existing kept") << "ヨルシカ" << "よるしか2" << false << "よるしか2" << false;
  QTest::newRow("existing replaced") << "ヨルシカ" << "よるしか2" << true << "よるしか" << true;
  QTest::newRow("Latin's own sort value kept on replace") << "The Beatles" << "Beatles, The" << true
                                                          << "Beatles, The" << false;
  QTest::newRow("empty text keeps the value") << "" << "よみ" << true << "よみ" << false;
}

void TestReadings::sort_values() {
  QFETCH(QString, text);
  QFETCH(QString, existing);
  QFETCH(bool, replace);
  QFETCH(QString, proposed);
  QFETCH(bool, changed);
  QTemporaryDir dir;
  Readings r(temp_dictionary(dir));
  const auto out = propose_sort_values(r, {{text, text, text, text}}, {{existing, existing, existing, existing}},
                                       replace, Script::hiragana);
  QCOMPARE(out.size(), std::size_t{1});
  for (const SortValue& v : {out[0].title, out[0].album, out[0].artist, out[0].album_artist}) {
    QCOMPARE(v.text, proposed);
    QCOMPARE(v.changed, changed);
  }
}

// よみがなを付ける on the table: every sort column of a row filled from its
// text column; a reading already there kept unless replace; the unsure
// marked apart, with why.
void TestReadings::fill_table_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("existing");
  QTest::addColumn<bool>("replace");
  QTest::addColumn<bool>("katakana");
  QTest::addColumn<QString>("sort");
  QTest::addColumn<CellMark>("mark");
  QTest::addColumn<QString>("why");  // the start of why
  QTest::newRow("read, marked edited") << "ヨルシカ" << "" << false << false << "よるしか" << CellMark::edited << "";
  QTest::newRow("in katakana") << "ひらがな" << "" << false << true << "ヒラガナ" << CellMark::edited << "";
  QTest::newRow("a reading there kept") << "ヨルシカ" << "よるしか2" << false << false << "よるしか2"
                                        << CellMark::plain << "";
  QTest::newRow("replaced when asked") << "ヨルシカ" << "よるしか2" << true << false << "よるしか"
                                       << CellMark::edited << "";
  QTest::newRow("Latin gets none") << "Mr.Children" << "" << true << false << "" << CellMark::plain << "";
  QTest::newRow("unsure, marked apart") << "彁 ライブ" << "" << false << false << "彁 らいぶ" << CellMark::unsure
                                        << msg::reading_unknown_word;
  QTest::newRow("unknown alone, marked unsure") << "彁" << "" << false << false << "" << CellMark::unsure
                                                << msg::reading_unknown_word;
}

void TestReadings::fill_table() {
  QFETCH(QString, text);
  QFETCH(QString, existing);
  QFETCH(bool, replace);
  QFETCH(bool, katakana);
  QFETCH(QString, sort);
  QFETCH(CellMark, mark);
  QFETCH(QString, why);
  QTemporaryDir dir;
  Readings r(temp_dictionary(dir));
  if (has_kanji(text) && !r.missing().isEmpty()) QSKIP(qPrintable(r.missing()));
  test::RealTable t;
  one_row(t, text);
  for (const SortColumn& c : k_sort_columns) t.put(col::of(c.sort), 1, existing);
  const FillResult done = fill_readings(t.cx, r, replace, katakana ? Script::katakana : Script::hiragana);
  const bool changed = !sort.isEmpty() && sort != existing;
  QCOMPARE(done.cells, changed ? 4 : 0);
  QCOMPARE(done.rows, changed ? 1 : 0);
  QCOMPARE(done.unsure.size(), mark == CellMark::unsure ? std::size_t{4} : 0);
  for (const SortColumn& c : k_sort_columns) {
    QCOMPARE(t.at(col::of(c.sort), 1), sort.isEmpty() ? existing : sort);
    QCOMPARE(t.grid.cell_mark(col::of(c.sort), 1), mark);
    const QString got = t.grid.cell_why(col::of(c.sort), 1);
    QVERIFY2(why.isEmpty() ? got.isEmpty() : got.startsWith(why), qPrintable(got));
  }
  for (const UnsureCell& u : done.unsure) QCOMPARE(u.why, t.grid.cell_why(col::of(u.field), u.row));
  // The menu item on the same table: nothing new, or the readings still to check.
  cmd_readings(t.cx, r);
  const bool to_check = mark == CellMark::unsure && sort.isEmpty();
  QCOMPARE(t.dialogs.notices(), QStringList{to_check ? msg::readings_to_check + "4" : msg::readings_none});
  // A table without the sort columns has nowhere to show them.
  t.grid.set_max_cols(col::artist);
  const FillResult none = fill_readings(t.cx, r, true);
  QCOMPARE(none.cells + none.unsure.size(), std::size_t{0});
}

// What a reading typed into a sort cell teaches the dictionary; the cell is
// no longer unsure once typed.
void TestReadings::typed_reading_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("learned");
  QTest::newRow("the sure reading is not stored") << "ヨルシカ" << "ヨルシカ" << "";
  QTest::newRow("a sort name of its own") << "The Beatles" << "Beatles, The" << "Beatles, The";
  QTest::newRow("an emptied cell teaches nothing") << "ヨルシカ" << "" << "";
}

void TestReadings::typed_reading() {
  QFETCH(QString, text);
  QFETCH(QString, typed);
  QFETCH(QString, learned);
  QTemporaryDir dir;
  Readings r(temp_dictionary(dir));
  test::RealTable t;
  one_row(t, text);
  const int cell = col::of(Field::artist_sort);
  t.grid.mark(cell, 1, CellMark::unsure, QStringLiteral("why"));
  t.put(cell, 1, typed);
  QVERIFY(remember_reading(t.cx, r, cell, 1));
  QCOMPARE(r.user().exact(text), learned);
  QCOMPARE(Readings(temp_dictionary(dir)).user().exact(text), learned);  // saved
  QCOMPARE(t.grid.cell_mark(cell, 1), CellMark::edited);
  QCOMPARE(t.grid.cell_why(cell, 1), QString());
}

// write --readings --json: the readings as the rows' sort fields, the
// unsure ones with why; a dry run leaves the file untouched, a run writes
// the sort frames that list reads back, and undo takes them away.
void TestReadings::command_line_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("sort");
  QTest::addColumn<QString>("why");  // the start of why; empty when sure
  QTest::addColumn<bool>("write");
  QTest::newRow("katakana") << QStringList{"--kana", "katakana"} << "ひらがな" << "ヒラガナ" << "" << false;
  QTest::newRow("kanji") << QStringList{"--readings=replace"} << "少年時代" << "しょうねんじだい" << "" << false;
  QTest::newRow("unsure") << QStringList{} << "彁 ライブ" << "彁 らいぶ" << msg::reading_unknown_word << false;
  QTest::newRow("written") << QStringList{"--kana", "katakana"} << "ひらがな" << "ヒラガナ" << "" << true;
}

void TestReadings::command_line() {
  QFETCH(QStringList, options);
  QFETCH(QString, text);
  QFETCH(QString, sort);
  QFETCH(QString, why);
  QFETCH(bool, write);
  if (has_kanji(text) && !Readings().missing().isEmpty()) QSKIP("no MeCab here");
  QTemporaryDir folder;
  const QString file =
      test::make_mp3(folder.path(), "1.mp3", {test::text_tag(3, Enc::utf16, text, text, text), {}, 24});
  const QByteArray before = test::read_file(file);
  QStringList args{"write", folder.path(), "--json"};
  if (!write) args << "--dry-run";
  if (!options.contains("--readings=replace")) args << "--readings";
  const CliRun run = run_cli(args + options);
  QCOMPARE(run.code, 0);
  const QJsonObject row = QJsonDocument::fromJson(run.out).object().value("rows").toArray().first().toObject();
  for (const char* field : {"title_sort", "album_sort", "artist_sort"}) QCOMPARE(row.value(field).toString(), sort);
  QCOMPARE(row.value("album_artist_sort").toString(), QString());
  // A title reads as words, sure where a name may read otherwise.
  const QString got = row.value("unsure").toObject().value("title_sort").toString();
  QVERIFY2(why.isEmpty() ? got.isEmpty() : got.startsWith(why), qPrintable(got));
  if (!write) QCOMPARE(test::read_file(file), before);
  const CliRun listed = run_cli({"list", folder.path(), "--json"});
  const QJsonObject read = QJsonDocument::fromJson(listed.out).object().value("rows").toArray().first().toObject();
  QCOMPARE(read.value("artist_sort").toString(), write ? sort : QString());
  // The sort frames written are undone like any write.
  if (write) QCOMPARE(run_cli({"undo", folder.path()}).code, 0);
  QCOMPARE(test::read_file(file), before);
}

QTEST_GUILESS_MAIN(TestReadings)
#include "test_readings.moc"
