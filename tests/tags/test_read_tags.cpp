// Reading every file's tag into the table: real files through the real
// library, and the fake library for the error numbers real files can't give.

#include <QTemporaryDir>
#include <QtTest>

#include "fake_tag_library.h"
#include "mp3_fixture.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"

using namespace tn;
using namespace tn::test;

namespace {

struct Table {
  QTemporaryDir dir;
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;

  explicit Table(const QStringList& names) {
    state.edit_folder = dir.path() + QLatin1Char('/');
    state.file_count = static_cast<qint16>(names.size());
    grid.set_max_rows(static_cast<int>(names.size()));
    for (int i = 0; i < names.size(); ++i) {
      state.set_file(i, names[i]);
      grid.set_row(i + 1);
      grid.set_col(col::order);
      grid.set_text(track_order(i + 1));
      grid.set_col(col::name);
      grid.set_text(names[i]);
    }
  }
  void read(TagLibrary& lib) {
    Context cx{state, grid, dialogs, lib};
    read_tags(cx);
  }
  QString cell(int c, int r) const { return grid.cell_text(c, r); }
};

}  // namespace

class TestReadTags : public QObject {
  Q_OBJECT

 private slots:
  void two_unreadable_among_ten() {
    QStringList names;
    for (int i = 1; i <= 10; ++i) names << QStringLiteral("%1 曲.mp3").arg(i, 2, 10, QLatin1Char('0'));
    Table t(names);
    for (int i = 0; i < 10; ++i) {
      const QString path = t.state.path_of(i);
      if (i == 3) write_file(path, broken_bytes(Broken::random_bytes));
      else if (i == 7) write_file(path, broken_bytes(Broken::truncated_tag));
      else
        write_file(path, mp3_bytes({text_tag(3, Enc::utf16, QStringLiteral("曲%1").arg(i), QStringLiteral("歌手"),
                                             QStringLiteral("アルバム")),
                                    std::nullopt, 8}));
    }
    auto lib = make_taglib_library();
    t.read(*lib);
    QCOMPARE(t.dialogs.notices(),
             (QStringList{QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ24  ﾌｧｲﾙ形式不明  04 曲.mp3は読込めませんでした"),
                          QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ3  ﾌｧｲﾙ読込失敗  08 曲.mp3のTAGは読込めませんでした")}));
    for (int r = 1; r <= 10; ++r) {
      const bool failed = r == 4 || r == 8;
      QCOMPARE(t.cell(col::order, r), track_order(r));
      QCOMPARE(t.state.file(r - 1).isEmpty(), failed);
      QCOMPARE(t.cell(col::name, r), t.state.listed(r - 1));  // a failed row tells its file
      QCOMPARE(t.cell(col::title, r), failed ? QString() : QStringLiteral("曲%1").arg(r - 1));
      QCOMPARE(t.cell(col::album, r), failed ? QString() : QStringLiteral("アルバム"));
      QCOMPARE(t.cell(col::artist, r), failed ? QString() : QStringLiteral("歌手"));
      for (int c = col::order; c <= col::artist; ++c)
        QCOMPARE(t.grid.cell_colour(c, r), failed ? k_error : k_white);
    }
  }

  void error_numbers_the_files_cannot_give_data() {
    QTest::addColumn<int>("open_error");
    QTest::addColumn<int>("read_error");
    QTest::addColumn<QString>("message");
    QTest::newRow("other error on open")
        << 7 << 0 << QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ7  その他ｴﾗｰ  name.mp3は読込めませんでした");
    QTest::newRow("no file open")
        << 0 << 2 << QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ2  ﾌｧｲﾙはｵｰﾌﾟﾝされてません  name.mp3のTAGは読込めませんでした");
    QTest::newRow("read failed")
        << 0 << 3 << QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ3  ﾌｧｲﾙ読込失敗  name.mp3のTAGは読込めませんでした");
    QTest::newRow("frame header")
        << 11 << 0 << QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ11  ﾌﾚｰﾑﾍｯﾀﾞの読込ｴﾗｰname.mp3は読込めませんでした");
    QTest::newRow("cannot open")
        << 1 << 0 << QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ1  ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ  name.mp3は読込めませんでした");
  }
  void error_numbers_the_files_cannot_give() {
    QFETCH(int, open_error);
    QFETCH(int, read_error);
    Table t({QStringLiteral("ok.mp3"), QStringLiteral("name.mp3")});
    FakeTagLibrary fake;
    fake.files[t.state.path_of(0).toUtf8()].tag.title = QStringLiteral("良い");
    FakeTagLibrary::Entry& e = fake.files[t.state.path_of(1).toUtf8()];
    e.open_error = open_error;
    e.read_error = read_error;
    t.read(fake);
    QCOMPARE(t.dialogs.notices().size(), 1);
    QTEST(t.dialogs.notices().value(0), "message");
    QCOMPARE(t.cell(col::title, 1), QStringLiteral("良い"));
    QCOMPARE(t.grid.cell_colour(col::order, 2), k_error);
    // Every open is closed, the failed one too.
    QCOMPARE(fake.calls.count(QStringLiteral("close")), 2);
  }
};

QTEST_GUILESS_MAIN(TestReadTags)
#include "test_read_tags.moc"
