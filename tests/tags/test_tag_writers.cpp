// The four write commands: questions, what reaches the tag library, failure
// reports, colours. The library here is the fake (it records the records);
// the files are real, since the writers change their permissions.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "edit/edit_commands.h"
#include "mp3_fixture.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tag_rows/tag_writers.h"
#include "table_fixture.h"

using namespace tn;

namespace {

struct Folder : test::TestTable {
  explicit Folder(int n) : TestTable(test::numbered_names(n)) {
    for (int i = 0; i < n; ++i) {
      test::FakeTagLibrary::Entry e;
      e.tag = {QStringLiteral("file title %1").arg(i + 1), QStringLiteral("file artist"),
               QStringLiteral("file album"), {}, {}, 0, {}};
      tags.files[key(i)] = e;
    }
    for (int r = 1; r <= n; ++r) {
      put(col::title, r, QStringLiteral("title %1").arg(r));
      put(col::album, r, QStringLiteral("album"));
      put(col::artist, r, QStringLiteral("artist"));
    }
    paint_columns(cx, col::order, col::artist, k_edited);
  }
  TagRecord written(int i) const { return tags.written.value(key(i)); }
};

QString padded(const QString& s) { return s + QString(128 - s.size(), QLatin1Char(' ')); }

}  // namespace

class TagWriters : public QObject {
  Q_OBJECT
 private slots:
  void commands_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("done");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("all") << 0 << msg::write_all_question << msg::write_all_done << 3 << 5;
    QTest::newRow("title") << 1 << msg::write_title_question << msg::write_title_done << 3 << 3;
    QTest::newRow("album") << 2 << msg::write_album_question << msg::write_album_done << 4 << 4;
    QTest::newRow("artist") << 3 << msg::write_artist_question << msg::write_artist_done << 5 << 5;
  }
  void commands() {
    QFETCH(int, which);
    QFETCH(QString, question);
    QFETCH(QString, done);
    QFETCH(int, first);
    QFETCH(int, last);
    std::vector<int> (*const cmds[])(Context&) = {cmd_write_all, cmd_write_kyokumei,
                                                  cmd_write_alubum, cmd_write_artname};
    Folder f(3);
    f.dialogs.no();
    cmds[which](f.cx);
    QVERIFY(f.tags.written.isEmpty());
    QCOMPARE(f.grid.cell_colour(first, 1), k_edited);

    f.dialogs.yes();
    cmds[which](f.cx);
    QCOMPARE(f.dialogs.log, (QStringList{"ask: " + question, "ask: " + question, "notify: " + done}));
    for (int i = 0; i < 3; ++i) {
      const TagRecord rec = f.written(i);
      const QString file_title = QStringLiteral("file title %1").arg(i + 1);
      // The table's field padded to 128 characters, or the file's own.
      QCOMPARE(rec.title, which <= 1 ? padded(QStringLiteral("title %1").arg(i + 1)) : file_title);
      QCOMPARE(rec.album, which == 0 || which == 2 ? padded("album") : QStringLiteral("file album"));
      QCOMPARE(rec.artist, which == 0 || which == 3 ? padded("artist") : QStringLiteral("file artist"));
      QCOMPARE(rec.year, QString());
      QCOMPARE(rec.genre_no, 0);
    }
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 5; ++c)
        QCOMPARE(f.grid.cell_colour(c, r), c >= first && c <= last ? k_white : k_edited);
  }

  // A cell becomes 128 characters, blank-filled, whatever its script.
  void field_of_a_cell_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("field");
    QTest::newRow("empty writes blanks") << "" << QString(128, ' ');
    QTest::newRow("200 characters") << QString(200, 'x') << QString(128, 'x');
    QTest::newRow("100 kanji whole, 28 blanks")
        << QString(100, QChar(0x66F2)) << QString(100, QChar(0x66F2)) + QString(28, ' ');
    QTest::newRow("200 kanji: the first 128")
        << QString(200, QChar(0x66F2)) << QString(128, QChar(0x66F2));
    QTest::newRow("an emoji counts one") << QString(127, 'a') + "🎵🎵" << QString(127, 'a') + "🎵";
    QTest::newRow("trailing blanks kept in the cell") << "a  " << padded("a  ");
  }
  void field_of_a_cell() {
    QFETCH(QString, cell);
    QFETCH(QString, field);
    Folder f(1);
    f.put(col::title, 1, cell);
    f.dialogs.yes();
    cmd_write_kyokumei(f.cx);
    QCOMPARE(f.written(0).title, field);
  }

  void a_file_that_fails_is_reported_and_the_run_goes_on() {
    Folder f(4);
    f.tags.files[f.key(1)].open_error = tag_error::bad_frame_header;
    f.tags.files[f.key(2)].read_error = tag_error::read_failed;
    f.state.clear_file(3);  // failed to read at the last load: skipped
    f.dialogs.yes();
    cmd_write_all(f.cx);
    QCOMPARE(f.dialogs.notices(),
             (QStringList{"ｴﾗｰﾅﾝﾊﾞｰ11  ﾌﾚｰﾑﾍｯﾀﾞの読込ｴﾗｰ2.mp3のTAGは書込めませんでした",
                          "ｴﾗｰﾅﾝﾊﾞｰ3  ﾌｧｲﾙ読込失敗  3.mp3のTAGは書込めませんでした"}));
    QCOMPARE(f.tags.written.size(), 1);
    QVERIFY(!f.tags.calls.contains("open " + f.state.edit_folder));  // never the folder itself
    QCOMPARE(f.grid.cell_colour(col::title, 1), k_white);
    for (int r = 2; r <= 4; ++r) QCOMPARE(f.grid.cell_colour(col::album, r), k_edited);
  }

  // The run's answer per row: done, refused with the number and text shown,
  // no file; only the rows asked for are reached.
  void each_row_gets_its_answer() {
    using O = RowWritten::Outcome;
    Folder f(4);
    f.tags.files[f.key(1)].open_error = tag_error::bad_frame_header;
    f.state.clear_file(3);
    const RowsWritten run = write_fields(f.cx, {Field::title}, QStringLiteral("run"));
    QVERIFY(!run.stopped);
    QCOMPARE(run.rows[0].outcome, O::done);
    QCOMPARE(run.rows[1].outcome, O::refused);
    QCOMPARE(run.rows[1].number, tag_error::bad_frame_header);
    QCOMPARE(run.rows[1].text, QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ11  ﾌﾚｰﾑﾍｯﾀﾞの読込ｴﾗｰ2.mp3のTAGは書込めませんでした"));
    QCOMPARE(run.texts(), QStringList{run.rows[1].text});
    QVERIFY(f.dialogs.notices().isEmpty());  // the operation shows nothing
    QCOMPARE(run.rows[2].outcome, O::done);
    QCOMPARE(run.rows[3].outcome, O::no_file);
    QCOMPARE(run.not_written(), (std::vector<int>{2, 4}));
    const std::vector<int> only{3};
    RowsWritten one = write_fields(f.cx, {Field::title}, QStringLiteral("run"), &only);
    QCOMPARE(one.rows[0].outcome, O::not_reached);
    QCOMPARE(one.rows[2].outcome, O::done);
    QCOMPARE(one.not_written(), std::vector<int>{});
    // Runs added up, as one command line's: a row's first refusal stands,
    // a later answer counts only where the row was reached; a stop ends all.
    RowsWritten both = run;
    both.add(one);
    QCOMPARE(both.rows[1].text, run.rows[1].text);
    QCOMPARE(both.rows[3].outcome, O::no_file);
    QCOMPARE(both.not_written(), run.not_written());
    QVERIFY(!both.all_written());
    QVERIFY(one.all_written());
    RowsWritten stop;
    stop.stopped = true;
    stop.stopped_text = QStringLiteral("stopped");
    one.add(stop);
    QCOMPARE(one.texts(), QStringList{"stopped"});
    QCOMPARE(one.not_written(), (std::vector<int>{1, 2, 3, 4}));
    QCOMPARE(files_not_written(f.cx, one), (std::vector<int>{1, 2, 3}));
  }

  // A row whose file failed to read is skipped; that is no failure of the run.
  void a_row_without_a_file_still_ends_normally() {
    Folder f(3);
    f.state.clear_file(1);
    f.dialogs.yes();
    cmd_write_alubum(f.cx);
    QCOMPARE(f.dialogs.notices(), QStringList{"アルバム名のみMP3TAG情報の書込が正常終了しました"});
    QCOMPARE(f.tags.written.size(), 2);
    QCOMPARE(f.grid.cell_colour(col::album, 2), k_edited);  // not written: keeps its colour
    QCOMPARE(f.grid.cell_colour(col::album, 3), k_white);
  }

  void a_read_only_file_is_made_writable() {
    Folder f(1);
    const QByteArray path = f.key(0);
    QCOMPARE(::chmod(path.constData(), 0444), 0);
    f.dialogs.yes();
    cmd_write_artname(f.cx);
    struct stat st;
    QCOMPARE(::stat(path.constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0644u);
    QCOMPARE(f.dialogs.notices(), QStringList{msg::write_artist_done});
  }

  void a_file_removed_behind_our_back_is_reported() {
    Folder f(2);
    QVERIFY(QFile::remove(f.state.path_of(0)));
    f.dialogs.yes();
    cmd_write_alubum(f.cx);
    QCOMPARE(f.dialogs.notices(),
             QStringList{"ｴﾗｰﾅﾝﾊﾞｰ1  ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ  1.mp3のTAGは書込めませんでした"});
    QCOMPARE(f.tags.written.size(), 1);
    QVERIFY(!QFile::exists(f.state.path_of(0)));
  }

  // A 2.2 frame with no 2.3 form, or an album frame that can't be read
  // (encrypted), stops its file's write, and the notice names it.
  void a_frame_that_cannot_be_carried_is_named_data() {
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("format");  // the frame's format flags
    QTest::newRow("encrypted meta frame") << QByteArray("CRM") << 2 << 0;
    QTest::newRow("link to a frame") << QByteArray("LNK") << 2 << 0;
    QTest::newRow("encrypted album (2.3)") << QByteArray("TALB") << 3 << 0x40;
    QTest::newRow("encrypted album (2.4)") << QByteArray("TALB") << 4 << 0x04;
  }
  void a_frame_that_cannot_be_carried_is_named() {
    using namespace tn::test;
    QFETCH(QByteArray, id);
    QFETCH(int, version);
    QFETCH(int, format);
    QTemporaryDir dir;
    Id3v2 tag = text_tag(version, Enc::latin1, QStringLiteral("Title"), QStringLiteral("Artist"),
                         version == 2 ? QStringLiteral("Album") : QString());
    tag.frames.push_back({id, QByteArray("owner\0explanation\0data", 23), static_cast<char>(format)});
    const QString path = make_mp3(dir.path(), QStringLiteral("1.mp3"), {tag, std::nullopt, 6});
    const QByteArray before = read_file(path);
    RealTable t;
    t.state.edit_folder = dir.path() + QLatin1Char('/');
    t.state.file_count = 1;
    t.state.set_file(0, QStringLiteral("1.mp3"));
    fill_table(t.cx);
    read_tags(t.cx);
    t.put(col::album, 1, QStringLiteral("新しいアルバム"));
    t.dialogs.yes();
    cmd_write_alubum(t.cx);
    QCOMPARE(t.dialogs.notices(), QStringList{"ｴﾗｰﾅﾝﾊﾞｰ30  ﾌｧｲﾙ書込失敗  1.mp3のTAGは書込めませんでした（" +
                                              QString::fromLatin1(id) + " ﾌﾚｰﾑを引き継げません）"});
    QCOMPARE(read_file(path), before);
  }

  // The whole way on real files: read into the table, fill, write one
  // column, read again. What the user did not touch stays in the file as it
  // was, even where the table could not hold it.
  void only_the_written_column_changes_in_real_files() {
    using namespace tn::test;
    QTemporaryDir dir;
    const QString long_title = QString(150, QChar(0x66F2));  // longer than a record field
    std::vector<std::pair<QString, Mp3Spec>> files;
    Mp3Spec legacy;
    legacy.v2 = raw_tag(3, sjis(QStringLiteral("古い曲")), sjis(QStringLiteral("昔の歌手")), {});
    legacy.v1 = Id3v1{sjis(QStringLiteral("古い曲")), sjis(QStringLiteral("昔の歌手")), {}, "1999", {}, 3, 12};
    Mp3Spec long_one;
    long_one.v2 = text_tag(4, Enc::utf8, long_title, QStringLiteral("歌手"), QStringLiteral("旧"));
    add_extras(*long_one.v2, 2000);
    files = {{"a.mp3", legacy}, {"b.mp3", long_one}, {"c.mp3", Mp3Spec{}}};
    TrackState state;
    state.edit_folder = dir.path() + QLatin1Char('/');
    state.file_count = 3;
    std::vector<TagDump> before;
    for (int i = 0; i < 3; ++i) {
      state.set_file(i, files[i].first);
      before.push_back(dump_tags(make_mp3(dir.path(), files[i].first, files[i].second)));
    }
    MemoryGrid grid(5, 3);
    ScriptedDialogs dialogs;
    const std::unique_ptr<TagLibrary> lib = make_taglib_library();
    Context cx{state, grid, dialogs, *lib};
    fill_table(cx);
    read_tags(cx);
    QCOMPARE(grid.cell_text(col::artist, 1), QStringLiteral("昔の歌手"));

    dialogs.yes().yes();
    cmd_all_al(cx, QStringLiteral("新しいアルバム"));
    cmd_write_alubum(cx);
    QCOMPARE(dialogs.notices(), QStringList{msg::write_album_done});
    for (int i = 0; i < 3; ++i) {
      const TagDump after = dump_tags(state.path_of(i));
      QCOMPARE(after.album, QStringLiteral("新しいアルバム"));
      QCOMPARE(after.v2_raw.value("TIT2"), before[i].v2_raw.value("TIT2"));
      QCOMPARE(after.v2_raw.value("TPE1"), before[i].v2_raw.value("TPE1"));
      QCOMPARE(after.v2_texts.value("TIT2"), before[i].v2_texts.value("TIT2"));
      QCOMPARE(after.picture, before[i].picture);
    }
    QCOMPARE(dump_tags(state.path_of(0)).v1_artist, sjis(QStringLiteral("昔の歌手")));
    QCOMPARE(dump_tags(state.path_of(1)).title, long_title);

    // Writing all three columns stores what the table shows, in Unicode
    // (the legacy title too, so that every player shows it); a text longer
    // than the table holds comes back whole.
    grid.set_row(3);
    grid.set_col(col::title);
    grid.set_text(QStringLiteral("新曲"));
    dialogs.yes();
    cmd_write_all(cx);
    const TagDump legacy_after = dump_tags(state.path_of(0));
    QCOMPARE(legacy_after.v2_encodings.value("TIT2"), 1);
    QCOMPARE(legacy_after.title, QStringLiteral("古い曲"));
    QCOMPARE(dump_tags(state.path_of(1)).title, long_title);
    QCOMPARE(dump_tags(state.path_of(2)).title, QStringLiteral("新曲"));
    dialogs.yes();
    cmd_modosu2(cx);
    QCOMPARE(grid.cell_text(col::title, 1), QStringLiteral("古い曲"));
    QCOMPARE(grid.cell_text(col::album, 2), QStringLiteral("新しいアルバム"));
  }
};

QTEST_GUILESS_MAIN(TagWriters)
#include "test_tag_writers.moc"
