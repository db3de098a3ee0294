// Writes the seed corpora of the fuzz targets into <out>/<target>/, made by
// the same fixture generators as the tests: real MP3 files in every tag
// version and encoding, broken ones, real .xls workbooks, texts of every kind.

#include <QDate>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <stdexcept>

#include "mp3_fixture.h"
#include "unusual_tags.h"
#include "xls_writer.h"
#include "zip_writer.h"

using namespace tn::test;

namespace {

int count = 0;

void seed(const QString& dir, const QByteArray& bytes) {
  QDir().mkpath(dir);
  QFile f(dir + QStringLiteral("/seed-%1").arg(count++, 3, 10, QLatin1Char('0')));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
    std::exit(1);
  }
}

const QStringList k_texts = {
    QStringLiteral("Song"),
    QStringLiteral("夜明けのスキャット"),
    QStringLiteral("ｱｰﾃｨｽﾄ ①㈱～"),
    QStringLiteral("Pokémon Ünïcödé ♥"),
    QStringLiteral("絵文字 😀🎵 mixed"),
    QString(42, QChar(0x66F2)) + QStringLiteral("x"),  // 127 bytes and one more
    QString(127, QLatin1Char('a')) + QStringLiteral("é"),
    QStringLiteral("trailing   "),
};

void text_seeds(const QString& out) {
  const QString dir = out + QStringLiteral("/fuzz_tag_record");
  for (const QString& t : k_texts)
    for (char mode : {'\0', '\4', '\2'}) seed(dir, QByteArray(1, mode) + t.toUtf8());
  for (const QString& t : k_texts)
    seed(dir, QByteArray(1, '\1') + QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2));

  const QString legacy = out + QStringLiteral("/fuzz_legacy_text");
  for (const QString& t : k_texts) {
    seed(legacy, t.toUtf8());
    try {
      seed(legacy, sjis(t));
    } catch (const std::exception&) {
      // Not every text has a Shift-JIS form.
    }
    seed(legacy, t.toLatin1());
  }
}

std::vector<QByteArray> mp3_files(bool small) {
  const int frames = small ? 3 : 12;
  std::vector<QByteArray> files;
  const QString title = QStringLiteral("夜明けのスキャット"), artist = QStringLiteral("歌手"),
                album = QStringLiteral("Album é");
  for (int v : {2, 3, 4})
    for (Enc e : {Enc::latin1, Enc::utf16, Enc::utf16be, Enc::utf8}) {
      if (v != 4 && (e == Enc::utf16be || e == Enc::utf8)) continue;
      const QString t = e == Enc::latin1 ? QStringLiteral("Title") : title;
      files.push_back(mp3_bytes({text_tag(v, e, t, artist, album, small ? 0 : 64), std::nullopt, frames}));
    }
  Id3v2 extras = text_tag(3, Enc::utf16, title, artist, album, 32);
  add_extras(extras, small ? 64 : 600);
  files.push_back(mp3_bytes({extras, Id3v1{"Old", "B", "C", "1999", "comment", 3, 12}, frames}));
  files.push_back(mp3_bytes({raw_tag(3, sjis(title), sjis(artist), sjis(QStringLiteral("アルバム"))), std::nullopt, frames}));
  files.push_back(mp3_bytes({std::nullopt, Id3v1{sjis(title), sjis(artist), "Album", "", ""}, frames}));
  files.push_back(mp3_bytes({std::nullopt, std::nullopt, frames}));
  Id3v2 v4 = text_tag(4, Enc::utf8, title, {}, album, 16);
  files.push_back(mp3_bytes({v4, Id3v1{"T", "A", "L", "", ""}, frames}));
  // APE tags at the end, before an ID3v1 block or not.
  const QList<ApeItem> ape{{"Title", "APE title"}, {"Album", "APE album"}, {"REPLAYGAIN_TRACK_GAIN", "-6.20 dB"},
                           {"Cover Art (Front)", QByteArray("c.jpg\0", 6) + QByteArray(small ? 16 : 200, '\xAB'), 2}};
  const QByteArray tagged = mp3_bytes({text_tag(3, Enc::utf16, title, artist, album, 32), std::nullopt, frames});
  files.push_back(tagged + ape_tag_bytes(ape) + id3v1_bytes(Id3v1{"T", "A", "L", "", "", 1, 2}));
  files.push_back(tagged + ape_tag_bytes(ape, 1000));
  return files;
}

// Tags whose frames carry every format flag, where TagLib strays from the
// ID3v2 standard, and 2.2 tags flagged compressed, which only TagLib's
// reading decides.
std::vector<QByteArray> flagged_tags() {
  const QStringList& t = k_unusual_texts;
  std::vector<QByteArray> tags;
  // 2.3: the title grouped, the artist encrypted, the album compressed and
  // grouped (the decompressed size, then the group), under an extended header.
  Id3v2 v3 = unusual_tag(Unusual::extended_23_crc);
  v3.frames[0] = {"TIT2", '\x01' + text_body(Enc::utf16, t[0]), '\x20'};
  v3.frames[1] = {"TPE1", '\x80' + text_body(Enc::utf16, t[1]), '\x40'};
  v3.frames[2] = {"TALB", compressed_body(3, text_body(Enc::utf16, t[2])).insert(4, '\x07'), '\xA0'};
  tags.push_back(id3v2_bytes(v3));
  v3.flags = '\xC0';  // and unsynchronised
  tags.push_back(id3v2_bytes(v3));
  // 2.4: the title grouped as 0xFF and unsynchronised with it, the artist with
  // a data length, the album compressed with a data length it does not flag.
  Id3v2 v4 = unusual_tag(Unusual::extended_24_all);
  const QByteArray artist = text_body(Enc::utf16, t[1]);
  v4.frames[0] = {"TIT2", unsynchronise('\xFF' + text_body(Enc::utf16, t[0])), '\x42'};
  v4.frames[1] = {"TPE1", compressed_body(4, artist).left(4) + artist, '\x01'};
  v4.frames[2] = {"TALB", compressed_body(4, text_body(Enc::utf8, t[2])), '\x08'};
  tags.push_back(id3v2_bytes(v4));
  // 2.2 flagged compressed: plain frames, or a size first.
  Id3v2 v2 = unusual_tag(Unusual::v22_date);
  v2.flags = 0x40;
  tags.push_back(id3v2_bytes(v2));
  v2.extended_header = QByteArray("\0\0\0\x06\0\0", 6);
  tags.push_back(id3v2_bytes(v2));
  return tags;
}

void mp3_seeds(const QString& out) {
  const QString read = out + QStringLiteral("/fuzz_mp3_read");
  for (const QByteArray& f : mp3_files(false)) seed(read, f);
  for (Broken b : {Broken::empty, Broken::random_bytes, Broken::text_file, Broken::id3_garbage,
                   Broken::truncated_tag, Broken::bad_sync})
    seed(read, broken_bytes(b));
  // Tags with no audio after them, or past junk at the head.
  for (OddFile kind : k_odd_files) seed(read, odd_file(kind));
  // The differential target: the ordinary tags, and those of the table of
  // tags as taggers in the wild wrote them.
  const QString differential = out + QStringLiteral("/fuzz_tag_differential");
  for (const QByteArray& f : mp3_files(true)) seed(differential, f);
  for (Unusual kind : k_unusual) {
    const QByteArray tag = id3v2_bytes(unusual_tag(kind));
    seed(differential, tag + audio_frames(3));
    seed(read, tag + audio_frames(3));
    seed(differential, tag.left(tag.size() / 2));  // cut short by the end of the file
  }
  for (const QByteArray& tag : flagged_tags()) {
    seed(read, tag + audio_frames(3));
    seed(differential, tag + audio_frames(3));
  }
  for (OddFile kind : k_odd_files) seed(differential, odd_file(kind));
  const QString write = out + QStringLiteral("/fuzz_mp3_write");
  int pick = 0;
  std::vector<QByteArray> written = mp3_files(true);
  for (Unusual kind : k_unusual) written.push_back(id3v2_bytes(unusual_tag(kind)) + audio_frames(3));
  for (const QByteArray& tag : flagged_tags()) written.push_back(tag + audio_frames(3));
  for (OddFile kind : k_odd_files) written.push_back(odd_file(kind));
  for (QByteArray f : written) {
    // The last byte picks what is written; vary it over the seeds.
    f[f.size() - 1] = static_cast<char>(pick);
    pick += 37;
    seed(write, f);
  }
}

void workbook_seeds(const QString& out) {
  const QString dir = out + QStringLiteral("/fuzz_workbook");
  XlsBook plain;
  XlsSheet& s = plain.add(QStringLiteral("Sheet1"));
  s.rk(QStringLiteral("A1"), 1).text(QStringLiteral("B1"), QStringLiteral("曲名"));
  s.label(QStringLiteral("C1"), QStringLiteral("ｱﾙﾊﾞﾑ")).number(QStringLiteral("D1"), 1.5);
  s.date(QStringLiteral("A2"), QDate(2001, 2, 3)).date(QStringLiteral("B2"), QDate(1999, 12, 31), false);
  s.boolean(QStringLiteral("C2"), true).error(QStringLiteral("D2"));
  s.formula_number(QStringLiteral("A3"), 2.25).formula_text(QStringLiteral("B3"), QStringLiteral("式"));
  s.formula_error(QStringLiteral("C3"));
  s.column('D', {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}, 3);
  plain.add(QStringLiteral("Other")).text(QStringLiteral("A1"), QStringLiteral("other"));
  seed(dir, plain.bytes());

  XlsBook sjis_book;
  sjis_book.codepage = 932;
  sjis_book.add(QStringLiteral("Sheet1")).label(QStringLiteral("A1"), QStringLiteral("曲名"))
      .rk(QStringLiteral("B1"), 7);
  seed(dir, sjis_book.bytes());

  // The kinds of book other writers make: no code page, capital stream
  // names, strings split over CONTINUE records, rich text, 1904 dates.
  XlsBook latin = sjis_book;
  latin.codepage = 0;
  latin.sheets[0].label(QStringLiteral("A1"), QStringLiteral("Caf\u00e9"));
  latin.stream_name = QStringLiteral("BOOK");
  seed(dir, latin.bytes());
  XlsBook split = plain;
  split.record_limit = 41;
  split.date1904 = true;
  split.stream_name = QStringLiteral("WORKBOOK");
  split.sheets[0].rich(QStringLiteral("E1"), QStringLiteral("坂道と自転車")).duration(QStringLiteral("E2"), 10.5);
  seed(dir, split.bytes());

  XlsBook locked = plain;
  locked.password = true;
  seed(dir, locked.bytes());
  seed(dir, plain.bytes().left(1500));

  // The files of spreadsheet programs the tests read: each as a whole file,
  // archives also as their parts (the form fuzz_zip_workbook takes).
  const QString zips = out + QStringLiteral("/fuzz_zip_workbook");
  const QString texts = out + QStringLiteral("/fuzz_text_workbook");
  const QDir data(QStringLiteral(TAGNARABE_TEST_DATA));
  for (const QString& name : data.entryList({"track_list*", "kinds*"}, QDir::Files)) {
    QFile f(data.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = f.readAll();
    if (name.endsWith(QLatin1String(".xls"))) seed(dir, bytes);
    if (name.endsWith(QLatin1String("sv"))) seed(texts, bytes);
    if (name.endsWith(QLatin1String(".xlsx")) || name.endsWith(QLatin1String(".ods"))) {
      QByteArray joined;
      for (const ZipPart& p : zip_entries(bytes)) {
        if (p.name.startsWith(QLatin1String("Thumbnails/"))) continue;  // a picture, not read
        joined += p.name.toUtf8() + '\0' + p.data + '\0';
      }
      seed(zips, joined);
    }
  }
  QByteArray crafted;
  for (const ZipPart& p : xlsx_parts({{QStringLiteral("Sheet1"), xlsx_rows({{"1", "曲名", "ｱﾙﾊﾞﾑ", "歌手"}})}}))
    crafted += p.name.toUtf8() + '\0' + p.data + '\0';
  seed(zips, crafted);
  for (const char* t : {"1,\"曲,名\"\r\n2,\"引用\"\"符\"\n3,\"改\n行\"", "a\tb\tc\n\"x\"y\tz", "\"unterminated,"})
    seed(texts, t);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const QString out = QFile::decodeName(argv[1]);
  text_seeds(out);
  mp3_seeds(out);
  workbook_seeds(out);
  std::printf("%d seeds in %s\n", count, argv[1]);
  return 0;
}
