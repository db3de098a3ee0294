// Writes the demo folder: a dozen short MP3 files with Japanese tags of every
// kind the program reads, one broken file, and a track list to import.
//
//   make_samples <folder>

#include <QDir>
#include <QString>
#include <cstdio>
#include <stdexcept>

#include "mp3_fixture.h"
#include "zip_writer.h"

using namespace tn::test;

namespace {

struct Sample {
  const char* name;
  Mp3Spec spec;
};

Mp3Spec v23(const QString& title, const QString& artist, const QString& album, int frames = 40) {
  Mp3Spec s;
  s.v2 = text_tag(3, Enc::utf16, title, artist, album, 256);
  s.audio_frames = frames;
  return s;
}

// The track list of the demo folder as an .xlsx book, one row per file in
// table order (order, title, album, artist on "Sheet1", import format 3).
// Stored, not deflated: the bytes stay the same whatever zlib makes of them.
QByteArray track_list(const QStringList& titles, const QString& album, const QString& artist) {
  std::vector<std::vector<QString>> rows;
  for (int i = 0; i < titles.size(); ++i) rows.push_back({QString::number(i + 1), titles[i], album, artist});
  auto parts = xlsx_shared_parts(rows);
  for (ZipPart& p : parts) p.deflate = false;
  return zip_bytes(parts);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples <folder>\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "make_samples: can't create %s\n", argv[1]);
    return 1;
  }
  const QString album = QStringLiteral("はじまりの季節");
  const QString artist = QStringLiteral("青空ソーダ");

  std::vector<Sample> samples;
  samples.push_back({"01 夜明けの歌.mp3", v23(QStringLiteral("夜明けの歌"), artist, album)});
  samples.push_back({"02 坂道と自転車.mp3", v23(QStringLiteral("坂道と自転車"), artist, album)});
  {
    Mp3Spec s = v23(QStringLiteral("雨上がりの交差点"), artist, album, 60);
    add_extras(*s.v2, 4000);  // cover picture, track, year, comment, lyrics...
    samples.push_back({"03 雨上がりの交差点.mp3", s});
  }
  {
    Mp3Spec s;
    s.v2 = text_tag(4, Enc::utf8, QStringLiteral("ひまわり畑で待ってる"), artist, album, 512);
    s.audio_frames = 40;
    samples.push_back({"04 ひまわり畑で待ってる.mp3", s});
  }
  {
    Mp3Spec s;
    s.v2 = text_tag(2, Enc::utf16, QStringLiteral("星屑ステーション"), artist, album);
    s.audio_frames = 30;
    samples.push_back({"05 星屑ステーション.mp3", s});
  }
  {
    // Legacy: Shift-JIS bytes in frames marked ISO-8859-1, as old Japanese
    // taggers wrote them.
    Mp3Spec s;
    s.v2 = raw_tag(3, sjis(QStringLiteral("月夜のブランコ")), sjis(artist), sjis(album), 128);
    s.audio_frames = 40;
    samples.push_back({"06 月夜のブランコ.mp3", s});
  }
  {
    // Legacy: an ID3v1 tag only, in Shift-JIS.
    Mp3Spec s;
    s.v1 = Id3v1{sjis(QStringLiteral("風のロンド")), sjis(artist), sjis(album), "2003",
                 "", 7, 13};
    s.audio_frames = 30;
    samples.push_back({"07 風のロンド.mp3", s});
  }
  {
    // Both tags: ID3v2 with the title only, the rest from ID3v1.
    Mp3Spec s;
    s.v2 = text_tag(3, Enc::utf16, QStringLiteral("ｶﾞﾗｽの街角"), {}, {}, 64);
    s.v1 = Id3v1{sjis(QStringLiteral("ｶﾞﾗｽの街角")), sjis(artist), sjis(album), "2003", "", 8, 13};
    s.audio_frames = 30;
    samples.push_back({"08 ｶﾞﾗｽの街角.mp3", s});
  }
  samples.push_back({"09 ①番線の約束～完全版～.mp3",
                     v23(QStringLiteral("①番線の約束～完全版～"), artist, album)});
  {
    // Real Latin-1, which must not be taken for Shift-JIS.
    Mp3Spec s;
    s.v2 = raw_tag(3, QStringLiteral("Café du Matin").toLatin1(),
                   QStringLiteral("Les Étoiles").toLatin1(), QStringLiteral("Été").toLatin1(), 64);
    s.audio_frames = 30;
    samples.push_back({"10 Café du Matin.mp3", s});
  }
  {
    Mp3Spec s;  // no tag at all
    s.audio_frames = 30;
    samples.push_back({"11 名前のない曲.mp3", s});
  }

  try {
    for (const Sample& s : samples) make_mp3(dir, QString::fromUtf8(s.name), s.spec);
    // Looks like an MP3 by its name only.
    write_file(QDir(dir).filePath(QStringLiteral("12 こわれたファイル.mp3")),
               broken_bytes(Broken::text_file));
    write_file(QDir(dir).filePath(QStringLiteral("曲リスト.xlsx")),
               track_list({QStringLiteral("夜明けの歌"), QStringLiteral("坂道と自転車"),
                           QStringLiteral("雨上がりの交差点"), QStringLiteral("ひまわり畑で待ってる"),
                           QStringLiteral("星屑ステーション"), QStringLiteral("月夜のブランコ"),
                           QStringLiteral("風のロンド"), QStringLiteral("ガラスの街角"),
                           QStringLiteral("1番線の約束 (完全版)"), QStringLiteral("Café du Matin"),
                           QStringLiteral("名前をもらった曲"), QStringLiteral("こわれたファイル")},
                          album, artist));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_samples: %s\n", e.what());
    return 1;
  }
  std::printf("%zu files written to %s\n", samples.size() + 2, argv[1]);
  return 0;
}
