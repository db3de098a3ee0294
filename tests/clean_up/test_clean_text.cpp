// The text rules of the clean-up: mojibake repair (and its precision over
// real European titles and every text of the test corpora), widths evened,
// portable names.

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>
#include <iconv.h>

#include "clean_up/clean_text.h"
#include "tags/mojibake.h"
#include "mp3_fixture.h"

using namespace tn;
using namespace tn::test;

namespace {

// What a Windows-1252 decoder makes of bytes; latin1: what a Latin-1 one
// makes. The bytes 1252 leaves undefined come through as C1 controls.
QString decoded_as(const QByteArray& bytes, bool latin1) {
  QString out;
  iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
  for (const char c : bytes) {
    char in = c, buf[8];
    char* ip = &in;
    char* op = buf;
    size_t il = 1, ol = sizeof buf;
    if (!latin1 && iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1))
      out += QString::fromUtf8(buf, op - buf);
    else
      out += QChar(static_cast<unsigned char>(c));
  }
  iconv_close(cd);
  return out;
}

QString mojibake(const QString& japanese, bool latin1 = false) {
  return decoded_as(sjis(japanese), latin1);
}

// The lines of a data file beside this test, without comments.
QStringList lines_of(const char* name) {
  QFile f(QFINDTESTDATA(name));
  QStringList out;
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
    if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) out << line;
  return out;
}

// The source directory of the tests and of the demo folder's generator.
QString source_dir() {
  return QDir::cleanPath(QFileInfo(QFINDTESTDATA("european_titles.txt")).absolutePath() + "/../..");
}

// Every line and string literal (without escapes) of the test and generator
// sources and data, but the clean-up tests', whose literals are mojibake on
// purpose.
QStringList corpus_literals() {
  QStringList out;
  static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n])*)\""));
  for (const QString& dir : {QStringLiteral("/tests"), QStringLiteral("/tools")}) {
    QDirIterator it(source_dir() + dir, {"*.cpp", "*.h", "*.csv", "*.tsv", "*.fods", "*.py"},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (path.contains(QStringLiteral("clean_up"))) continue;
      QFile f(path);
      if (!f.open(QIODevice::ReadOnly)) continue;
      const QString text = QString::fromUtf8(f.readAll());
      for (const QString& line : text.split(QLatin1Char('\n'))) {
        out << line;
        auto m = literal.globalMatch(line);
        while (m.hasNext()) out << m.next().captured(1);
      }
    }
  }
  return out;
}

}  // namespace

class TestCleanText : public QObject {
  Q_OBJECT

 private slots:
  void repair_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("repaired");  // empty: left as it is
    // Double-encoded: decoded as Windows-1252, as Latin-1, in every script.
    QTest::newRow("katakana, 1252") << QStringLiteral("ƒ|ƒbƒvƒX") << QStringLiteral("ポップス");
    QTest::newRow("one kanji, 1252") << QStringLiteral("‰Ì") << QStringLiteral("歌");
    QTest::newRow("katakana, Latin-1") << mojibake("ポップス", true) << QStringLiteral("ポップス");
    for (const char* j : {"夜明けの歌", "坂道と自転車", "ひまわり畑で待ってる", "ｶﾞﾗｽの街角",
                          "①番線の約束～完全版～", "名前のない曲", "「夢」", "ー（長音）"}) {
      const QString s = QString::fromUtf8(j);
      QTest::newRow(qPrintable("1252: " + s)) << mojibake(s) << s;
      QTest::newRow(qPrintable("Latin-1: " + s)) << mojibake(s, true) << s;
    }
    QTest::newRow("undefined 1252 byte as control") << QStringLiteral("\u0081u–²\u0081v") << QStringLiteral("「夢」");
    QTest::newRow("with blank-separated ASCII") << mojibake("Best of ポップス 2") << QStringLiteral("Best of ポップス 2");
    QTest::newRow("glued to a word, Japanese the larger part") << mojibake("LOVEマシーン") << QStringLiteral("LOVEマシーン");
    QTest::newRow("half-width kana only") << mojibake("ｻｻﾞﾝ") << QStringLiteral("ｻｻﾞﾝ");
    // UTF-8 decoded as Windows-1252 or Latin-1, the commonest today; valid
    // as both UTF-8 and CP932, it is UTF-8.
    QTest::newRow("UTF-8 katakana, 1252") << QStringLiteral("ãƒ\u009Dãƒƒãƒ—ã‚¹") << QStringLiteral("ポップス");
    QTest::newRow("UTF-8 kanji, 1252") << QStringLiteral("æ\u009D±äº¬") << QStringLiteral("東京");
    QTest::newRow("UTF-8 kanji, Latin-1") << decoded_as("雨の御堂筋", true) << QStringLiteral("雨の御堂筋");
    QTest::newRow("UTF-8 European, 1252") << QStringLiteral("CafÃ©") << QStringLiteral("Café");
    QTest::newRow("UTF-8 Cyrillic, Latin-1") << decoded_as("Кино", true) << QStringLiteral("Кино");
    QTest::newRow("UTF-8 of 1252 Shift-JIS mojibake") << decoded_as(mojibake("ポップス").toUtf8(), false)
                                                       << QStringLiteral("ポップス");
    QTest::newRow("UTF-8 twice") << decoded_as(decoded_as("ジャズ", false).toUtf8(), true) << QStringLiteral("ジャズ");
    QTest::newRow("UTF-8 twice, European") << QStringLiteral("CafÃƒÂ©") << QStringLiteral("Café");
    // Left as they are.
    const QStringList kept = {
        "Café", "Déjà Vu", "Björk", "Motörhead", "Beyoncé", "Ελληνικά", "Mötley Crüe",
        "© 2004", "Music ®", "Pokémon", "Crème Brûlée", "brûlée", "« Ça »", "ÀÉÈ", "ＢＥＳＴ",
        "plain ASCII", "", "ポップス", "夜明けの歌",
        // Precision first: one kanji glued to a word is what "é" + letter gives.
        mojibake("Rock魂"),
        // Not all of it 1252: genuine Japanese beside mojibake, a Greek letter.
        "ƒ|ƒbƒvƒX ポップス", "ƒ|ƒbƒvƒX Ω",
        // Cut in the middle of a character; full-width letters alone, no kana.
        "ƒ|ƒbƒ", mojibake("ＢＥＳＴ"),
        // Bytes CP932 gives a user-defined (private) or control character for.
        mojibake("歌") + QChar(0xF0) + QChar(0x40), QStringLiteral("‰Ì\t"), mojibake("歌") + QChar(0x80),
        // UTF-8 read as CP932 is mojibake too: never the result of a repair,
        // nor repaired into one when a byte of the UTF-8 was dropped.
        "繝昴ャ繝励せ", "ãƒãƒƒãƒ—ã‚¹", decoded_as(QStringLiteral("繝昴ャ繝励せ").toUtf8(), false),
        // Valid UTF-8 by chance: an accented capital before a sign.
        "JOSÉ’S GUITAR", "Ã"};
    for (const QString& k : kept) QTest::newRow(qPrintable("kept: " + k)) << k << QString();
  }

  void repair() {
    QFETCH(QString, text);
    QFETCH(QString, repaired);
    QCOMPARE(repair_mojibake(text).value_or(QString()), repaired);
  }

  // Precision over real texts: what is no mojibake stays, and mojibake of
  // every kind comes back as what it was, never as anything else. Shift-JIS
  // mojibake may stay unrepaired where the check can't tell it from a
  // European word ("Official髭男dism"); UTF-8 mojibake never does.
  void precision_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("originals");
    QTest::addColumn<bool>("all_repaired");
    const QStringList european = lines_of("european_titles.txt");
    const QStringList japanese = lines_of("japanese_titles.txt");
    QVERIFY(european.size() >= 200 && japanese.size() >= 200);
    const QStringList corpus = corpus_literals();
    QVERIFY2(corpus.size() > 1000, qPrintable(QString::number(corpus.size()) + source_dir()));
    QTest::newRow("European titles") << european << european << false;
    QTest::newRow("texts of the test sources") << corpus << corpus << false;
    for (const bool latin1 : {false, true}) {
      const QString via = latin1 ? QStringLiteral(" via Latin-1") : QStringLiteral(" via 1252");
      auto all = [&](const QStringList& list, auto make) {
        QStringList out;
        for (const QString& t : list) out << make(t);
        return out;
      };
      const auto utf8 = [&](const QString& t) { return decoded_as(t.toUtf8(), latin1); };
      const auto shift_jis = [&](const QString& t) { return mojibake(t, latin1); };
      QTest::newRow(qPrintable("UTF-8 of Japanese" + via)) << all(japanese, utf8) << japanese << true;
      QTest::newRow(qPrintable("UTF-8 of European" + via)) << all(european, utf8) << european << true;
      QTest::newRow(qPrintable("UTF-8 twice of Japanese" + via))
          << all(all(japanese, utf8), utf8) << japanese << true;
      QTest::newRow(qPrintable("Shift-JIS of Japanese" + via)) << all(japanese, shift_jis) << japanese << false;
    }
  }

  void precision() {
    QFETCH(QStringList, texts);
    QFETCH(QStringList, originals);
    QFETCH(bool, all_repaired);
    QStringList wrong, missed;
    for (qsizetype i = 0; i < texts.size(); ++i) {
      const QString got = repair_mojibake(texts[i]).value_or(texts[i]);
      if (got == originals[i]) continue;
      (got == texts[i] ? missed : wrong) << texts[i] + " -> " + got;
    }
    QCOMPARE(wrong, QStringList());
    if (all_repaired) QCOMPARE(missed, QStringList());
    qInfo("%lld texts, %lld left unrepaired", static_cast<long long>(texts.size()),
          static_cast<long long>(missed.size()));
  }

  void even_widths_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("evened");
    QTest::newRow("full-width letters, digits, blank") << QStringLiteral("Ａｂｃ　１２３　ＸＹＺ") << QStringLiteral("Abc 123 XYZ");
    QTest::newRow("half-width kana") << QStringLiteral("ｱｲｳｴｵ ﾝ ｰ ｯｬｭｮｧ ｦ") << QStringLiteral("アイウエオ ン ー ッャュョァ ヲ");
    QTest::newRow("voiced marks joined") << QStringLiteral("ｶﾞｷﾞｸﾞｹﾞｺﾞ ｻﾞｼﾞ ﾀﾞﾂﾞﾃﾞﾄﾞ ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ") << QStringLiteral("ガギグゲゴ ザジ ダヅデド バビブベボ");
    QTest::newRow("semi-voiced joined") << QStringLiteral("ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ") << QStringLiteral("パピプペポ");
    QTest::newRow("ｳﾞ and ﾜﾞ") << QStringLiteral("ｳﾞｧｲｵﾘﾝ ﾜﾞ") << QStringLiteral("ヴァイオリン ヷ");
    QTest::newRow("a mark that joins nothing") << QStringLiteral("ﾞｱﾟ Aﾞ") << QStringLiteral("゛ア゜ A゛");
    QTest::newRow("half-width punctuation") << QStringLiteral("｢ｶﾞﾗｽ｣､｡･") << QStringLiteral("「ガラス」、。・");
    QTest::newRow("everything else stays") << QStringLiteral("夜明けの歌「」、。～①♪！？（）＆ Café ΩЖ 🎵") << QStringLiteral("夜明けの歌「」、。～①♪！？（）＆ Café ΩЖ 🎵");
    QTest::newRow("mixed") << QStringLiteral("ｶﾞﾗｽの街角　ＶＯＬ．２") << QStringLiteral("ガラスの街角 VOL．2");
    QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
  }

  void even_widths() {
    QFETCH(QString, text);
    QFETCH(QString, evened);
    QCOMPARE(tn::even_widths(text), evened);
    QCOMPARE(tn::even_widths(evened), evened);  // a second run changes nothing
  }

  void portable_name_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("portable");
    QTest::newRow("each refused character") << QStringLiteral("a\\b/c:d*e?f\"g<h>i|j.mp3") << QStringLiteral("a＼b／c：d＊e？f＂g＜h＞i｜j.mp3");
    QTest::newRow("question at the end") << QStringLiteral("01 What?.mp3") << QStringLiteral("01 What？.mp3");
    QTest::newRow("trailing dots before the extension") << QStringLiteral("02 Wait....mp3") << QStringLiteral("02 Wait.mp3");
    QTest::newRow("trailing blanks before the extension") << QStringLiteral("03 夜明け  .mp3") << QStringLiteral("03 夜明け.mp3");
    QTest::newRow("dots and blanks mixed") << QStringLiteral("04 A . . .MP3") << QStringLiteral("04 A.MP3");
    QTest::newRow("without extension") << QStringLiteral("05 Oh... ") << QStringLiteral("05 Oh");
    QTest::newRow("inner dots and blanks stay") << QStringLiteral("06 Mr. Blue Sky.mp3") << QStringLiteral("06 Mr. Blue Sky.mp3");
    QTest::newRow("ideographic blank stays") << QStringLiteral("07 歌　.mp3") << QStringLiteral("07 歌　.mp3");
    QTest::newRow("nothing left before the extension") << QStringLiteral(" . .mp3") << QStringLiteral(" . .mp3");
    QTest::newRow("already portable") << QStringLiteral("08 ｶﾞﾗｽの街角.mp3") << QStringLiteral("08 ｶﾞﾗｽの街角.mp3");
    QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
  }

  void portable_name() {
    QFETCH(QString, name);
    QFETCH(QString, portable);
    QCOMPARE(tn::portable_name(name), portable);
  }
};

QTEST_GUILESS_MAIN(TestCleanText)
#include "test_clean_text.moc"
