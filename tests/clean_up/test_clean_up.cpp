// The clean-up commands on the track table: mojibake repaired on reading
// (real files, every encoding a frame can have), widths evened, portable
// names, each through to the files with the usual write and rename.

#include <QtTest>

#include "clean_up/clean_up.h"
#include "clean_up/messages.h"
#include "edit/edit_commands.h"
#include "mp3_fixture.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "table/memory_grid.h"
#include "table/scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/read_tags.h"
#include "tags/tag_library.h"
#include "tags/tag_writers.h"

Q_DECLARE_METATYPE(tn::test::Mp3Spec)

using namespace tn;
using namespace tn::test;

namespace {

// Real files in a temporary folder, read by the real library.
struct Folder {
  QTemporaryDir dir;
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  std::unique_ptr<TagLibrary> tags = make_taglib_library();
  Context cx{state, grid, dialogs, *tags};

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
  QString at(int c, int r) const { return grid.cell_text(c, r); }
  Colour colour(int c, int r) const { return grid.cell_colour(c, r); }
  void put(int c, int r, const QString& text) {
    grid.set_row(r);
    grid.set_col(c);
    grid.set_text(text);
  }
};

// What a Windows-1252 decoder makes of the Shift-JIS bytes of text, for
// texts whose bytes 1252 defines all (no 0x81, 0x8D, 0x8F, 0x90, 0x9D).
QString mojibake(const QString& japanese) {
  QString out;
  for (const char c : sjis(japanese)) {
    const QByteArray one(1, c);
    QStringDecoder d("windows-1252");
    out += static_cast<unsigned char>(c) < 0x80 ? QString(QLatin1Char(c)) : QString(d(one));
  }
  return out;
}

Mp3Spec with_v2(const Id3v2& tag) { return Mp3Spec{tag, std::nullopt}; }

}  // namespace

class TestCleanUp : public QObject {
  Q_OBJECT

 private slots:
  void repaired_on_reading_data() {
    QTest::addColumn<Mp3Spec>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("repaired");
    const QString moji = QStringLiteral("ƒ|ƒbƒvƒX");
    const QString pops = QStringLiteral("ポップス");
    const QByteArray moji_utf8 = moji.toUtf8();
    QTest::newRow("2.3 UTF-16") << with_v2(text_tag(3, Enc::utf16, moji, "", "")) << pops << true;
    QTest::newRow("2.4 UTF-16BE") << with_v2(text_tag(4, Enc::utf16be, moji, "", "")) << pops << true;
    QTest::newRow("2.4 UTF-8") << with_v2(text_tag(4, Enc::utf8, moji, "", "")) << pops << true;
    QTest::newRow("2.2 UTF-16") << with_v2(text_tag(2, Enc::utf16, moji, "", "")) << pops << true;
    QTest::newRow("Latin-1 frame holding UTF-8")
        << with_v2(raw_tag(3, moji_utf8, "", "")) << pops << true;
    Mp3Spec v1_only;
    v1_only.v1 = Id3v1{moji_utf8, "", "", "", ""};
    QTest::newRow("ID3v1 holding UTF-8") << v1_only << pops << true;
    // Shift-JIS bytes in a Latin-1 frame are the legacy decision's: read as
    // what they are, nothing repaired.
    QTest::newRow("Shift-JIS in a Latin-1 frame")
        << with_v2(raw_tag(3, sjis(pops), "", "")) << pops << false;
    QTest::newRow("kanji, 2.3 UTF-16")
        << with_v2(text_tag(3, Enc::utf16, mojibake("夜明けの歌"), "", "")) << "夜明けの歌" << true;
    QTest::newRow("European, UTF-16") << with_v2(text_tag(3, Enc::utf16, "Björk", "", "")) << "Björk" << false;
    QTest::newRow("European, Latin-1") << with_v2(raw_tag(3, "Caf\xE9 du Matin", "", ""))
                                       << "Café du Matin" << false;
  }

  void repaired_on_reading() {
    QFETCH(Mp3Spec, file);
    QFETCH(QString, title);
    QFETCH(bool, repaired);
    Folder f({file});
    QCOMPARE(f.at(col::title, 1), title);
    QCOMPARE(f.colour(col::title, 1), repaired ? k_edited : k_white);
    QCOMPARE(is_repaired(f.grid, col::title, 1), repaired);
    QCOMPARE(f.grid.cell_note(col::title, 1), repaired ? msg::mojibake_repaired : QString());
    QCOMPARE(has_unwritten_edits(f.cx), repaired);
    // Undoing the tag edits reads again: the repair is shown again.
    f.dialogs.yes();
    cmd_modosu2(f.cx);
    QCOMPARE(f.at(col::title, 1), title);
    QCOMPARE(f.colour(col::title, 1), repaired ? k_edited : k_white);
    QCOMPARE(is_repaired(f.grid, col::title, 1), repaired);
    if (!repaired) return;
    // Written like any edit: the file then holds the Japanese text, the
    // cell turns white and its note goes.
    f.dialogs.yes();
    cmd_write_all(f.cx);
    QCOMPARE(dump_tags(f.state.path_of(0)).title, title);
    QCOMPARE(f.colour(col::title, 1), k_white);
    QVERIFY(!is_repaired(f.grid, col::title, 1));
    read_tags(f.cx);
    QCOMPARE(f.at(col::title, 1), title);
    QCOMPARE(f.colour(col::title, 1), k_white);
  }

  void even_widths_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("file name") << col::name << "０１　ｶﾞﾗｽ.mp3" << "01 ガラス.mp3";
    QTest::newRow("title") << col::title << "ＬＯＶＥ　ﾊﾟﾜｰ" << "LOVE パワー";
    QTest::newRow("album") << col::album << "ﾍﾞｽﾄ２" << "ベスト2";
    QTest::newRow("artist") << col::artist << "ｳﾞｨﾚｯｼﾞ" << "ヴィレッジ";
    QTest::newRow("unchanged stays white") << col::title << "夜明けの歌①" << "夜明けの歌①";
  }

  void even_widths() {
    QFETCH(int, column);
    QFETCH(QString, before);
    QFETCH(QString, after);
    Folder f({with_v2(text_tag(3, Enc::utf16, "a", "b", "c")), with_v2(text_tag(3, Enc::utf16, "d", "e", "f"))});
    f.put(column, 2, before);
    cmd_even_widths(f.cx);
    QCOMPARE(f.at(column, 2), after);
    // Only the cell that changed takes the edited colour.
    for (int r = 1; r <= 2; ++r)
      for (int c = col::name; c <= col::artist; ++c)
        QCOMPARE(f.colour(c, r), r == 2 && c == column && before != after ? k_edited : k_white);
    QVERIFY(f.dialogs.log.isEmpty());
  }

  void portable_names_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("question mark") << "Why?.mp3" << "Why？.mp3";
    QTest::newRow("colon and slash") << "AC/DC: Live" << "AC／DC： Live";
    QTest::newRow("trailing dots") << "And then... .mp3" << "And then.mp3";
    QTest::newRow("quotes and angles") << "\"Hi\" <3 |x| *" << "＂Hi＂ ＜3 ｜x｜ ＊";
    QTest::newRow("already portable") << "Fine.mp3" << "Fine.mp3";
  }

  // Replaced in the table, then renamed by the usual command: the file
  // takes the portable name.
  void portable_names() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    Folder f({with_v2(text_tag(3, Enc::utf16, "a", "b", "c")), Mp3Spec{}});
    f.put(col::name, 1, before);
    cmd_portable_names(f.cx);
    QCOMPARE(f.at(col::name, 1), after);
    QCOMPARE(f.colour(col::name, 1), before != after ? k_edited : k_white);
    QCOMPARE(f.colour(col::name, 2), k_white);
    f.dialogs.yes();
    cmd_re_name(f.cx);
    const QString file = after.endsWith(".mp3") ? after : after + ".mp3";
    QVERIFY2(QFile::exists(f.state.edit_folder + file), qPrintable(file));
    QCOMPARE(f.dialogs.notices(), QStringList{msg::rename_done});
    // The table shows the folder again: the names are the files' own.
    QVERIFY(f.at(col::name, 1) == file || f.at(col::name, 2) == file);
    QCOMPARE(f.colour(col::name, 1), k_white);
    QCOMPARE(f.colour(col::name, 2), k_white);
  }
};

QTEST_GUILESS_MAIN(TestCleanUp)
#include "test_clean_up.moc"
