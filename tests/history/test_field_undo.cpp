// Each field through the write history on real files: written on its own
// into a tag of each version (2.2, 2.3, 2.4, an ID3v1 block alone), read
// back by the program and by a second reader (mutagen), then undone: the
// file is back byte for byte.

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "history/messages.h"
#include "mp3_fixture.h"
#include "mutagen.h"
#include "shell/folder_confirm.h"
#include "table/folder.h"
#include "table/track_table.h"
#include "table_fixture.h"
#include "tag_rows/tag_writers.h"
#include "undo/history_commands.h"

using namespace tn;
using namespace tn::test;

namespace {

// The program on one folder, its table read from the files.
using Program = FolderTable;

// A file with every field, in a tag of `kind` ("2.2", "2.3", "2.4"), or an
// ID3v1 block alone ("ID3v1").
QByteArray every_field_file(const QString& kind) {
  if (kind == u"ID3v1") return mp3_bytes({std::nullopt, Id3v1{"Title", "Artist", "Album", "1999", "Comment", 3, 13}, 8});
  Id3v2 tag;
  tag.version = kind.right(1).toInt();
  add_fields(tag, Enc::utf16,
             {{"TIT2", QStringLiteral("曲名")}, {"TALB", QStringLiteral("アルバム")}, {"TPE1", QStringLiteral("歌手")},
              {"TRCK", QStringLiteral("3/12")}, {"TPOS", QStringLiteral("1/2")}, {"TYER", QStringLiteral("1999")},
              {"TCON", QStringLiteral("(13)")}, {"TPE2", QStringLiteral("バンド")}, {"TCOM", QStringLiteral("作曲者")},
              {"COMM", QStringLiteral("コメント")}, {"TSOT", QStringLiteral("きょくめい")},
              {"TSOA", QStringLiteral("あるばむ")}, {"TSOP", QStringLiteral("かしゅ")}, {"TSO2", QStringLiteral("ばんど")}});
  return mp3_bytes({tag, std::nullopt, 8});
}

}  // namespace

class FieldUndo : public QObject {
  Q_OBJECT

 private slots:
  // One field written into a real file, read back by the program and by
  // mutagen, then the run undone: the file is back byte for byte. An empty
  // text removes the field's frame; a 2.2 tag is written as 2.3, an ID3v1
  // block alone gets a 2.3 tag beside it.
  void each_field_undone_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");  // its key
    QTest::addColumn<QString>("text");   // written; empty: removed
    QTest::addColumn<QString>("peer");   // mutagen's frame after the write
    const auto row = [](const char* kind, const char* field, const QString& text, const char* peer) {
      QTest::addRow("%s %s%s", kind, field, text.isEmpty() ? " removed" : "") << kind << field << text << peer;
    };
    const char* const ids[] = {"TIT2", "TALB", "TPE1", "TRCK", "TPOS", "TYER", "TCON",
                               "TPE2", "TCOM", "COMM::jpn", "TSOT", "TSOA", "TSOP", "TSO2"};
    const QString texts[] = {"新しい曲名", "新しいアルバム", "新しい歌手", "7/12", "2/2", "2024", "Rock",
                             "新しいバンド", "新しい作曲者", "新しいコメント", "あたらしい", "あるばむに", "かしゅに", "ばんどに"};
    for (Field f : all_fields())
      row("2.3", qPrintable(field_key(f)), texts[static_cast<int>(f)], ids[static_cast<int>(f)]);
    row("2.3", "composer", {}, "TCOM");
    row("2.3", "comment", {}, "COMM::jpn");
    row("2.3", "title_sort", {}, "TSOT");
    // A 2.3 year as typed, not cut to TagLib's four digits and a TDAT.
    QTest::addRow("2.3 year as a date") << "2.3" << "year" << "2024-01-01" << "TYER";
    QTest::addRow("2.3 year not a number") << "2.3" << "year" << "1998a" << "TYER";
    row("2.4", "year", "2024", "TDRC");
    row("2.4", "year", {}, "TDRC");
    row("2.4", "genre", "Rock", "TCON");
    row("2.4", "comment", "新しいコメント", "COMM::jpn");
    row("2.4", "album_artist_sort", "ばんどに", "TSO2");
    row("2.2", "title", "新しい曲名", "TIT2");
    row("2.2", "track", "7/12", "TRCK");
    row("2.2", "album_artist_sort", "ばんどに", "TSO2");
    row("2.2", "comment", {}, "COMM::jpn");
    row("ID3v1", "title", "新しい曲名", "TIT2");
    row("ID3v1", "year", "2024", "TYER");
    QTest::addRow("ID3v1 year as a date") << "ID3v1" << "year" << "2024-01-01" << "TYER";
    row("ID3v1", "genre", "Rock", "TCON");
    row("ID3v1", "comment", {}, "COMM::XXX");
    row("ID3v1", "composer", "新しい作曲者", "TCOM");
  }
  void each_field_undone() {
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, peer);
    const Field f = *field_from_key(field);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.mp3"));
    const QByteArray original = every_field_file(kind);
    write_file(path, original);
    {
      Program p(dir.path());
      QVERIFY(kind == u"ID3v1" || !p.at(col::of(f), 1).isEmpty());
      p.put(col::of(f), 1, text);
      QVERIFY(write_fields(p.cx, {f}, msg::run_write_all).all_written());
    }
    Program p(dir.path());  // read again
    QCOMPARE(p.at(col::of(f), 1), text);
    const QStringList frames = id3_frames(path);
    QCOMPARE(frames.value(0), kind == u"2.4" ? QStringLiteral("v2.4") : QStringLiteral("v2.3"));
    const QString line = peer + QLatin1Char('=');
    QVERIFY2(text.isEmpty() ? frames.filter(QRegularExpression(u'^' + QRegularExpression::escape(line))).isEmpty()
                            : frames.contains(line + text),
             qPrintable(frames.join(QLatin1Char('|'))));
    QCOMPARE(audio_bytes(path), audio_bytes_of(original));
    p.dialogs.yes();
    QVERIFY(cmd_undo_runs(p.cx, history_lines(dir.path()).front().first).known);
    QCOMPARE(p.dialogs.notices(), QStringList{msg::undo_done});
    QCOMPARE(read_file(path), original);
  }
};

QTEST_GUILESS_MAIN(FieldUndo)
#include "test_field_undo.moc"
