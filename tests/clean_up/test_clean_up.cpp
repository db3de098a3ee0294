// The clean-up commands on the track table over real files: mojibake
// repaired on reading (every encoding a frame can have), the track numbers
// written, widths evened and portable names in the table.

#include <QtTest>
#include <sys/stat.h>

#include "clean_up/clean_up.h"
#include "clean_up/messages.h"
#include "edit/edit_commands.h"
#include "mp3_fixture.h"
#include "table_fixture.h"
#include "table/cell_marks.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

Q_DECLARE_METATYPE(tn::test::Mp3Spec)
Q_DECLARE_METATYPE(tn::CellMark)

using namespace tn;
using namespace tn::test;

namespace {

// Real files in a temporary folder, read by the real library.
struct Folder : RealTable {
  QTemporaryDir dir;

  explicit Folder(const std::vector<Mp3Spec>& files) {
    state.edit_folder = dir.path() + QLatin1Char('/');
    for (std::size_t i = 0; i < files.size(); ++i)
      make_mp3(dir.path(), QStringLiteral("%1.mp3").arg(i + 1, 2, 10, QLatin1Char('0')), files[i]);
    state.file_count = static_cast<qint16>(files.size());
    grid.set_max_rows(static_cast<int>(files.size()));
    relist_files(cx, Relist::rebuild);
    fill_table(cx);
    read_tags(cx);
  }
};

Mp3Spec with_v2(const Id3v2& tag) { return Mp3Spec{tag, std::nullopt}; }

Mp3Spec with_extras(Id3v2 tag, bool v1 = false) {
  add_extras(tag, 3000);
  Mp3Spec s{tag, std::nullopt};
  if (v1) s.v1 = Id3v1{sjis("夜明け"), "artist", "album", "1998", "comment", 3};
  return s;
}

// A dump without its track number frame: what must stay as it was.
TagDump without_track(TagDump d) {
  d.v2_texts.remove("TRCK");
  d.v2_encodings.remove("TRCK");
  d.v2_raw.remove("TRCK");
  d.v2_ids.removeAll("TRCK");
  return d;
}

}  // namespace

class TestCleanUp : public QObject {
  Q_OBJECT

 private slots:
  // Read -> marked -> title written -> unmarked: the title's mark after
  // reading, and the album's after only the title was written (a write
  // that makes a new ID3v2 tag stores the ID3v1 album in it, in Unicode).
  void repaired_on_reading_data() {
    QTest::addColumn<Mp3Spec>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<CellMark>("mark");
    QTest::addColumn<CellMark>("album_after");
    const QString moji = QStringLiteral("ƒ|ƒbƒvƒX");
    const QString pops = QStringLiteral("ポップス");
    const QByteArray moji_utf8 = moji.toUtf8();
    const auto plain = CellMark::plain, repaired = CellMark::repaired, legacy = CellMark::legacy;
    QTest::newRow("2.3 UTF-16") << with_v2(text_tag(3, Enc::utf16, moji, "", "")) << pops << repaired << plain;
    QTest::newRow("2.4 UTF-16BE") << with_v2(text_tag(4, Enc::utf16be, moji, "", "")) << pops << repaired << plain;
    QTest::newRow("2.4 UTF-8") << with_v2(text_tag(4, Enc::utf8, moji, "", "")) << pops << repaired << plain;
    QTest::newRow("2.2 UTF-16") << with_v2(text_tag(2, Enc::utf16, moji, "", "")) << pops << repaired << plain;
    QTest::newRow("UTF-8 mojibake, UTF-16")
        << with_v2(text_tag(3, Enc::utf16, QStringLiteral("ãƒ\u009Dãƒƒãƒ—ã‚¹"), "", "")) << pops << repaired << plain;
    QTest::newRow("Latin-1 frame holding UTF-8 mojibake")
        << with_v2(raw_tag(3, moji_utf8, "", "")) << pops << repaired << plain;
    Mp3Spec v1_only;
    v1_only.v1 = Id3v1{moji_utf8, "", "", "", ""};
    QTest::newRow("ID3v1 holding UTF-8 mojibake") << v1_only << pops << repaired << plain;
    // Legacy bytes: shown as what they are, marked until written.
    QTest::newRow("Shift-JIS in Latin-1 frames")
        << with_v2(raw_tag(3, sjis(pops), "", sjis("東京"))) << pops << legacy << legacy;
    QTest::newRow("UTF-8 in a Latin-1 frame") << with_v2(raw_tag(3, "Caf\xC3\xA9", "", "")) << "Café" << legacy << plain;
    Mp3Spec v1_sjis;
    v1_sjis.v1 = Id3v1{sjis(pops), "", sjis("東京"), "", ""};
    QTest::newRow("Shift-JIS in ID3v1") << v1_sjis << pops << legacy << plain;
    QTest::newRow("European, UTF-16") << with_v2(text_tag(3, Enc::utf16, "Björk", "", "")) << "Björk" << plain << plain;
    QTest::newRow("European, Latin-1") << with_v2(raw_tag(3, "Caf\xE9 du Matin", "", ""))
                                       << "Café du Matin" << plain << plain;
  }

  void repaired_on_reading() {
    QFETCH(Mp3Spec, file);
    QFETCH(QString, title);
    QFETCH(CellMark, mark);
    QFETCH(CellMark, album_after);
    Folder f({file});
    auto check = [&](CellMark title_mark, CellMark album_mark) {
      QCOMPARE(f.at(col::title, 1), title);
      QCOMPARE(f.colour(col::title, 1), colour_of(title_mark));
      QCOMPARE(is_repaired(f.grid, col::title, 1), title_mark == CellMark::repaired);
      QCOMPARE(f.grid.cell_mark(col::title, 1), title_mark);
      QCOMPARE(f.grid.cell_mark(col::album, 1), album_mark);
      QCOMPARE(has_unwritten_edits(f.cx), is_unwritten(title_mark) || is_unwritten(album_mark));
    };
    const CellMark album = f.grid.cell_mark(col::album, 1);
    check(mark, album);
    // Undoing the tag edits reads again: the marks are shown again.
    f.dialogs.yes();
    cmd_modosu2(f.cx);
    check(mark, album);
    // Written, the title is the file's own in Unicode; and read again, every
    // mark is what the file now holds.
    f.dialogs.yes();
    QCOMPARE(cmd_write_kyokumei(f.cx), std::vector<int>{});
    check(CellMark::plain, album_after);
    f.dialogs.yes();
    cmd_modosu2(f.cx);
    check(CellMark::plain, album_after);
  }

  void track_numbers_data() {
    QTest::addColumn<Mp3Spec>("file");
    QTest::addColumn<int>("version");   // of the tag afterwards
    QTest::addColumn<int>("encoding");  // of the new frame
    QTest::addColumn<bool>("in_place");  // under the journal, the file's inode kept
    const QString t = QStringLiteral("夜明けの歌");
    QTest::newRow("2.3, every frame") << with_extras(text_tag(3, Enc::utf16, t, "歌手", "アルバム")) << 3 << 0 << true;
    QTest::newRow("2.3 and ID3v1") << with_extras(text_tag(3, Enc::utf16, t, "歌手", "アルバム"), true) << 3 << 0 << true;
    Id3v2 v4 = text_tag(4, Enc::utf8, t, "歌手", "アルバム");
    v4.frames.push_back({"TRCK", text_body(Enc::utf8, "9")});
    QTest::newRow("2.4 kept 2.4, its frame's encoding; no room: rewritten") << with_v2(v4) << 4 << 3 << false;
    QTest::newRow("2.4, every frame") << with_extras(text_tag(4, Enc::utf16be, t, "", "")) << 4 << 0 << true;
    QTest::newRow("Shift-JIS in Latin-1 frames") << with_extras(raw_tag(3, sjis(t), sjis("歌手"), "")) << 3 << 0 << true;
    QTest::newRow("same size in place, padding")
        << with_v2([] { Id3v2 x = text_tag(3, Enc::utf16, "a", "b", "c", 64);
                        x.frames.push_back({"TRCK", text_body(Enc::latin1, "5/9")});
                        return x; }()) << 3 << 0 << true;
    // 2.4 frames that taggers store in 2.3 tags too: TagLib drops or converts them in 2.3.
    Id3v2 v3 = text_tag(3, Enc::utf16, t, "歌手", "アルバム", 512);
    for (const char* id : {"TSST", "TMOO", "TDRL", "TDOR", "TDRC"}) v3.frames.push_back({id, text_body(Enc::utf16, "2001")});
    QTest::newRow("2.3 with 2.4 frames") << with_v2(v3) << 3 << 0 << true;
    QTest::newRow("no tag") << Mp3Spec{} << 3 << 0 << false;
    Mp3Spec v1_only;
    v1_only.v1 = Id3v1{sjis(t), "", "", "", ""};
    QTest::newRow("ID3v1 only: its title goes along") << v1_only << 3 << 0 << false;
    v1_only.v1->comment = "a comment of all thirty bytes.";  // ID3v1.0: no track byte
    QTest::newRow("ID3v1 with a 30-byte comment") << v1_only << 3 << 0 << false;
  }

  // Row 1's file gets 1/2, every other frame, the ID3v1 block and the audio
  // as they were; the texts the table shows come back the same.
  void track_numbers() {
    QFETCH(Mp3Spec, file);
    QFETCH(int, version);
    QFETCH(int, encoding);
    QFETCH(bool, in_place);
    Folder f({file, with_v2(text_tag(3, Enc::utf16, "two", "", ""))});
    const QString path = f.state.path_of(0);
    struct stat st_before;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st_before), 0);
    const TagDump before = dump_tags(path);
    const QByteArray audio = audio_bytes(path);
    const QStringList shown = {f.at(col::title, 1), f.at(col::album, 1), f.at(col::artist, 1)};
    // A title typed and not written stays so: the track numbers store none.
    f.put(col::title, 2, "typed");
    mark_typed(f.cx, col::title, 2);
    f.dialogs.yes();
    cmd_track_numbers(f.cx);
    refresh_marks(f.cx);
    QCOMPARE(f.grid.cell_mark(col::title, 2), CellMark::edited);
    QCOMPARE(f.dialogs.log, (QStringList{"ask: " + msg::track_numbers_question,
                                         "notify: " + msg::track_numbers_done}));
    const TagDump after = dump_tags(path);
    QCOMPARE(after.v2_texts.value("TRCK"), QStringList{"1/2"});
    QCOMPARE(after.v2_encodings.value("TRCK"), encoding);
    QCOMPARE(after.v2_version, version);
    struct stat st_after;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st_after), 0);
    QCOMPARE(st_after.st_ino == st_before.st_ino, in_place);
    QCOMPARE(dump_tags(f.state.path_of(1)).v2_texts.value("TRCK"), QStringList{"2/2"});
    QCOMPARE(audio_bytes(path), audio);
    // An ID3v1.1 block gets the number too, nothing else of it changes.
    QByteArray v1 = before.v1_block;
    if (!v1.isEmpty() && v1[125] == 0) v1[126] = 1;
    QCOMPARE(after.v1_block, v1);
    const TagDump kept = without_track(after), was = without_track(before);
    if (before.v2_version) {
      QCOMPARE(kept.v2_texts, was.v2_texts);
      QCOMPARE(kept.v2_raw, was.v2_raw);
      // Equal in content: TagLib renders a 2.3 year frame anew, behind the others.
      QStringList ids = kept.v2_ids, were = was.v2_ids;
      ids.sort();
      were.sort();
      QCOMPARE(ids, were);
      QCOMPARE(after.picture, before.picture);
    }
    // Once more, without a read between (the file known as written): nothing
    // left to change, the file stays byte for byte.
    const QByteArray bytes = read_file(path);
    f.dialogs.yes();
    QCOMPARE(cmd_track_numbers(f.cx), std::vector<int>{});
    QCOMPARE(f.dialogs.notices().constLast(), msg::track_numbers_done);
    QCOMPARE(read_file(path), bytes);
    read_tags(f.cx);
    QCOMPARE((QStringList{f.at(col::title, 1), f.at(col::album, 1), f.at(col::artist, 1)}), shown);
  }

  // Asked and refused before anything is written.
  void track_numbers_refused_data() {
    QTest::addColumn<QString>("order");   // row 2's order cell
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("log");
    const QString q = "ask: " + msg::track_numbers_question;
    QTest::newRow("No") << "02" << QStringList{"no"} << QStringList{q};
    QTest::newRow("order typed over") << "x" << QStringList{} << QStringList{"notify: " + msg::track_order_not_number};
    QTest::newRow("order emptied") << "" << QStringList{} << QStringList{"notify: " + msg::track_order_not_number};
    QTest::newRow("order zero") << "0" << QStringList{} << QStringList{"notify: " + msg::track_order_not_number};
    QTest::newRow("order beyond the rows") << "07" << QStringList{}
                                           << QStringList{"notify: " + msg::track_order_beyond_head + "2" +
                                                          msg::track_order_beyond_tail};
  }

  void track_numbers_refused() {
    QFETCH(QString, order);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, log);
    Folder f({with_v2(text_tag(3, Enc::utf16, "a", "", "")), with_v2(text_tag(3, Enc::utf16, "b", "", ""))});
    const QByteArray one = read_file(f.state.path_of(0)), two = read_file(f.state.path_of(1));
    f.put(col::order, 2, order);
    for (const QString& a : answers) a == "yes" ? f.dialogs.yes() : f.dialogs.no();
    cmd_track_numbers(f.cx);
    QCOMPARE(f.dialogs.log, log);
    // The refusal is the operation's, before any question.
    const TrackNumbers numbers = tn::track_numbers(f.cx);
    QCOMPARE(numbers.refusal, answers.isEmpty() ? log[0].mid(8) : QString());
    QCOMPARE(numbers.tracks, answers.isEmpty() ? QStringList() : (QStringList{"1/2", "2/2"}));
    QCOMPARE(read_file(f.state.path_of(0)), one);
    QCOMPARE(read_file(f.state.path_of(1)), two);
  }

  // A row whose file failed to read is skipped but holds its place: N is
  // the number of rows; the orders typed decide n.
  void track_numbers_skip_failed_rows() {
    Folder f({with_v2(text_tag(3, Enc::utf16, "a", "", "")), Mp3Spec{}, with_v2(text_tag(3, Enc::utf16, "c", "", ""))});
    write_file(f.state.path_of(1), broken_bytes(Broken::text_file));
    read_tags(f.cx);  // the read failure is a notice
    f.put(col::order, 1, "2");
    f.dialogs.yes();
    cmd_track_numbers(f.cx);
    QCOMPARE(f.dialogs.notices().constLast(), msg::track_numbers_done);
    QCOMPARE(dump_tags(f.state.path_of(0)).v2_texts.value("TRCK"), QStringList{"2/3"});
    QCOMPARE(dump_tags(f.state.path_of(2)).v2_texts.value("TRCK"), QStringList{"3/3"});
  }

  // The table edits: only a cell that changes takes the edited colour, and
  // nothing is asked.
  void table_edits_data() {
    QTest::addColumn<bool>("names");  // portable names, else widths evened
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("widths: file name") << false << col::name << "０１　ｶﾞﾗｽ.mp3" << "01 ガラス.mp3";
    QTest::newRow("widths: title") << false << col::title << "ＬＯＶＥ　ﾊﾟﾜｰ" << "LOVE パワー";
    QTest::newRow("widths: album") << false << col::album << "ﾍﾞｽﾄ２" << "ベスト2";
    QTest::newRow("widths: artist") << false << col::artist << "ｳﾞｨﾚｯｼﾞ" << "ヴィレッジ";
    QTest::newRow("widths: unchanged") << false << col::title << "夜明けの歌①" << "夜明けの歌①";
    QTest::newRow("names: refused characters") << true << col::name << "AC/DC: Why?.mp3" << "AC／DC： Why？.mp3";
    QTest::newRow("names: tag columns stay") << true << col::title << "Why?" << "Why?";
    QTest::newRow("names: unchanged") << true << col::name << "Fine.mp3" << "Fine.mp3";
  }

  void table_edits() {
    QFETCH(bool, names);
    QFETCH(int, column);
    QFETCH(QString, before);
    QFETCH(QString, after);
    Folder f({with_v2(text_tag(3, Enc::utf16, "a", "b", "c")), with_v2(text_tag(3, Enc::utf16, "d", "e", "f"))});
    f.put(column, 2, before);
    const std::vector<int> changed = names ? cmd_portable_names(f.cx) : cmd_even_widths(f.cx);
    QCOMPARE(f.at(column, 2), after);
    QCOMPARE(changed, before != after ? std::vector<int>{column} : std::vector<int>{});
    for (int r = 1; r <= 2; ++r)
      for (int c = col::name; c <= col::artist; ++c)
        QCOMPARE(f.colour(c, r), r == 2 && c == column && before != after ? k_edited : k_white);
    QVERIFY(f.dialogs.log.isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestCleanUp)
#include "test_clean_up.moc"
