// Every box the commands show, as literal text: the questions, notices and
// error reports in the order the user meets them. The expected texts are
// written out here, not taken from the program's constants, so a changed
// character anywhere fails.

#include <QtTest>
#include <functional>

#include "edit/edit_commands.h"
#include "import/import.h"
#include "rename/rename_commands.h"
#include "shell/folder_confirm.h"
#include "table/track_table.h"
#include "table_fixture.h"
#include "tag_rows/read_tags.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"
#include "zip_writer.h"

using namespace tn;
using namespace tn::test;

namespace {

using Scene = std::function<void(TestTable&)>;

struct CaptionShell final : Shell {
  void hide_startup() override {}
  void show_main() override {}
  void set_main_caption(const QString& c) override { caption = c; }
  QString caption;
};

struct NoImportDialog final : ImportHost {
  void show_import_dialog() override {}
  void close_import_dialog() override {}
};

// The import of a committed track list, answers already scripted.
void import_from(TestTable& t, const char* file, int format = 1) {
  ImportState st;
  NoImportDialog host;
  st.file_name = QStringLiteral(TAGNARABE_TEST_DATA "/") + QString::fromUtf8(file);
  st.format = static_cast<qint16>(format);
  cmd_excel_read(t.cx, st, host);
}

// Two files, 1.mp3 and 2.mp3; the fake library knows them.
void two_files(TestTable& t) {
  t.tags.open_existing_files = true;
  t.grid.set_max_rows(2);
}

}  // namespace

Q_DECLARE_METATYPE(Scene)

class Messages : public QObject {
  Q_OBJECT

 private slots:
  void every_box_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<QStringList>("boxes");
    const auto row = [](const char* name, Scene s, QStringList boxes) {
      QTest::newRow(name) << s << boxes;
    };
    auto yes = [](Scene s) { return [s](TestTable& t) { t.dialogs.yes(); s(t); }; };

    // Writing tags.
    row("write all", yes([](TestTable& t) { cmd_write_all(t.cx); }),
        {"ask: 全ての情報をMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: 全てMP3TAG情報の書込が正常終了しました"});
    row("write title", yes([](TestTable& t) { cmd_write_kyokumei(t.cx); }),
        {"ask: 曲名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: 曲名のみMP3TAG情報の書込が正常終了しました"});
    row("write album", yes([](TestTable& t) { cmd_write_alubum(t.cx); }),
        {"ask: アルバム名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: アルバム名のみMP3TAG情報の書込が正常終了しました"});
    row("write artist", yes([](TestTable& t) { cmd_write_artname(t.cx); }),
        {"ask: アーティスト名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: アーティスト名のみMP3TAG情報の書込が正常終了しました"});
    row("write fails", yes([](TestTable& t) {
          t.tags.files[t.key(1)].open_error = tag_error::cannot_open;
          cmd_write_artname(t.cx);
        }),
        {"ask: アーティスト名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: ｴﾗｰﾅﾝﾊﾞｰ1  ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ  2.mp3のTAGは書込めませんでした"});

    row("write refused: changed since read", yes([](TestTable& t) {
          t.tags.files[t.key(1)].open_error = tag_error::changed_on_disk;
          cmd_write_kyokumei(t.cx);
        }),
        {"ask: 曲名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？",
         "notify: ｴﾗｰﾅﾝﾊﾞｰ31  読込後に他のﾌﾟﾛｸﾞﾗﾑでﾌｧｲﾙが変更されました(再読込してください)  "
         "2.mp3のTAGは書込めませんでした"});

    // Importing a spreadsheet.
    row("import: open-file dialog", [](TestTable& t) {
          ImportState st;
          NoImportDialog host;
          t.dialogs.cancel();
          cmd_excel(t.cx, st, host);
          t.dialogs.log[0].replace(t.state.edit_folder, "<edit folder>");
          t.dialogs.log << t.dialogs.last_filters << QString::number(t.dialogs.last_selected_filter);
        },
        {"open: <edit folder>", "表計算ﾌｧｲﾙ(*.xls;*.xlsx;*.ods;*.csv;*.tsv) (*.xls *.xlsx *.ods *.csv *.tsv)",
         "Microsoft Excelﾌｧｲﾙ(*.xls) (*.xls)", "Microsoft Excelﾌｧｲﾙ(*.xlsx) (*.xlsx)",
         "OpenDocumentｽﾌﾟﾚｯﾄﾞｼｰﾄ(*.ods) (*.ods)", "CSVﾌｧｲﾙ(*.csv) (*.csv)",
         "ﾀﾌﾞ区切りﾃｷｽﾄ(*.tsv) (*.tsv)", "すべてのファイル(*.*) (*)", "0"});
    row("import: Sheet1", [](TestTable& t) {
          t.dialogs.yes();
          import_from(t, "track_list.xlsx");
        },
        {"ask: ｼｰﾄ名は「sheet1」でよろしいですか？", "notify: EXCELﾌｧｲﾙより読込完了しました。"});
    row("import: typed sheet missing", [](TestTable& t) {
          t.dialogs.no().type("無い");
          import_from(t, "track_list.xlsx");
        },
        {"ask: ｼｰﾄ名は「sheet1」でよろしいですか？", "input: ｼｰﾄ名を入力して下さい",
         "notify: ｼｰﾄが存在しません"});
    row("import: no sheet name typed", [](TestTable& t) {
          t.dialogs.no().type("");
          import_from(t, "track_list.xlsx");
        },
        {"ask: ｼｰﾄ名は「sheet1」でよろしいですか？", "input: ｼｰﾄ名を入力して下さい",
         "notify: 空白の為ﾌｧｲﾙを読込みません"});
    row("import: file gone", [](TestTable& t) { import_from(t, "missing.xlsx"); },
        {"notify: EXCELﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました"});
    // Refused at the open, before a track order of layout 3 is taken.
    row("import: entities in the shared strings", [](TestTable& t) {
          auto parts = xlsx_shared_parts({{"1", "曲名"}});
          for (ZipPart& p : parts)
            if (p.name == QLatin1String("xl/sharedStrings.xml"))
              p.data.insert(p.data.indexOf("<sst"), "<!DOCTYPE sst [<!ENTITY a \"aaaa\">]>");
          QFile f(t.dir.filePath("laughs.xlsx"));
          QVERIFY(f.open(QIODevice::WriteOnly));
          f.write(zip_bytes(parts));
          f.close();
          ImportState st;
          NoImportDialog host;
          st.file_name = f.fileName();
          st.format = 3;
          cmd_excel_read(t.cx, st, host);
          t.dialogs.log << "row 1: " + t.at(1, 1) + "," + t.at(3, 1) + " #" + QString::number(t.colour(1, 1));
        },
        {"notify: EXCELﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました", "row 1: 01, #16777215"});

    // Reading tags: every error number and its text.
    const QList<std::tuple<const char*, int, bool, const char*>> reads{
        {"open 1", tag_error::cannot_open, true, "ｴﾗｰﾅﾝﾊﾞｰ1  ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ  2.mp3は読込めませんでした"},
        {"open 11", tag_error::bad_frame_header, true,
         "ｴﾗｰﾅﾝﾊﾞｰ11  ﾌﾚｰﾑﾍｯﾀﾞの読込ｴﾗｰ2.mp3は読込めませんでした"},
        {"open 24", tag_error::unknown_format, true, "ｴﾗｰﾅﾝﾊﾞｰ24  ﾌｧｲﾙ形式不明  2.mp3は読込めませんでした"},
        {"open 7", 7, true, "ｴﾗｰﾅﾝﾊﾞｰ7  その他ｴﾗｰ  2.mp3は読込めませんでした"},
        {"tag 2", tag_error::no_file_open, false,
         "ｴﾗｰﾅﾝﾊﾞｰ2  ﾌｧｲﾙはｵｰﾌﾟﾝされてません  2.mp3のTAGは読込めませんでした"},
        {"tag 3", tag_error::read_failed, false, "ｴﾗｰﾅﾝﾊﾞｰ3  ﾌｧｲﾙ読込失敗  2.mp3のTAGは読込めませんでした"},
    };
    for (const auto& [name, error, at_open, text] : reads) {
      const int e = error;
      const bool o = at_open;
      row((QByteArray("read ") + name).constData(), [e, o](TestTable& t) {
            auto& entry = t.tags.files[t.key(1)];
            (o ? entry.open_error : entry.read_error) = e;
            read_tags(t.cx);
          },
          {QStringLiteral("notify: ") + QString::fromUtf8(text)});
    }

    // Batch edits.
    row("album emptied", yes([](TestTable& t) { cmd_all_al(t.cx, QString()); }),
        {"ask: アルバム名が入力されてません！現在入力されているデータを全て消去しますか？"});
    row("artist emptied", yes([](TestTable& t) { cmd_all_art(t.cx, QString()); }),
        {"ask: アーティスト名が入力されてません！現在入力されているデータを全て消去しますか？"});
    row("album too long", [](TestTable& t) { cmd_all_al(t.cx, QString(31, QChar(0x66F2))); },
        {"notify: 30文字以内で入力してください！"});
    row("album over filled cells", yes([](TestTable& t) {
          t.put(4, 1, "old");
          cmd_all_al(t.cx, "new");
        }),
        {"ask: 既に入力済の情報を上書きしますがよろしいですか？"});
    row("title from name", yes([](TestTable& t) { cmd_fname(t.cx); }),
        {"ask: 「曲名」にﾌｧｲﾙ名を入力します。　　よろしいですか？"});
    row("title from order and name", yes([](TestTable& t) { cmd_zyun_fname(t.cx); }),
        {"ask: 「曲名」に曲順+ﾌｧｲﾙ名を入力します。　　よろしいですか？"});
    row("reload", yes([](TestTable& t) { cmd_cls(t.cx); }),
        {"ask: 入力した全ての情報をｸﾘｱしﾌｧｲﾙを読直します。　よろしいですか？", "notify: 読込み完了"});
    row("tag undo", yes([](TestTable& t) { cmd_modosu2(t.cx); }),
        {"ask: ﾌｧｲﾙに登録していない場合、ファイル名以外元に戻りますがよろしいですか？"});

    // File names.
    row("name from title", yes([](TestTable& t) { cmd_kyokuname(t.cx); }),
        {"ask: ﾌｧｲﾙ名を曲名に変更します。曲名空白は変更されません。　　よろしいですか？"});
    row("order before name", yes([](TestTable& t) { cmd_kyokuzyunname(t.cx); }),
        {"ask: ﾌｧｲﾙ名の先頭に該当の曲順をつけます。　　よろしいですか？"});
    row("name from order and title", yes([](TestTable& t) { cmd_w_name(t.cx); }),
        {"ask: ﾌｧｲﾙ名を曲名にし、先頭に曲順をつけます。　　よろしいですか？"});
    row("rename", yes([](TestTable& t) { cmd_re_name(t.cx); }),
        {"ask: ﾌｧｲﾙ名を変更するとTAG情報は読み直されます。　　よろしいですか？",
         "notify: ﾌｧｲﾙ名変更に成功しました。"});
    row("rename, nothing changed, upper-case extension", yes([](TestTable& t) {
          QVERIFY(QFile::rename(t.state.path_of(1), t.dir.filePath("04 月夜.MP3")));
          t.state.set_file(1, "04 月夜.MP3");
          t.put(2, 2, "04 月夜.MP3");
          cmd_re_name(t.cx);
          t.dialogs.log << "files: " + QDir(t.dir.path()).entryList(QDir::Files, QDir::Name).join(",");
        }),
        {"ask: ﾌｧｲﾙ名を変更するとTAG情報は読み直されます。　　よろしいですか？",
         "notify: ﾌｧｲﾙ名変更に成功しました。", "files: 04 月夜.MP3,1.mp3"});
    row("rename refused", yes([](TestTable& t) {
          t.put(2, 2, "a/b");
          cmd_re_name(t.cx);
        }),
        {"ask: ﾌｧｲﾙ名を変更するとTAG情報は読み直されます。　　よろしいですか？",
         "notify: 2行目のﾌｧｲﾙ名に不正がある為、以降変更できませんでした。　ﾌｧｲﾙ名修正後再度処理願います"
         "（「/」はﾌｧｲﾙ名に使えない文字です。「ﾌｧｲﾙ名に使えない文字を置換」で使える文字にできます）"});
    row("name undo", [](TestTable& t) {
          t.dialogs.yes().no();
          cmd_modosu(t.cx);
        },
        {"ask: ﾌｧｲﾙ名を変更していない場合、TAG情報以外元に戻りますがよろしいですか？",
         "ask: 曲順も戻しますか？"});

    // Folder confirmation.
    row("confirm folder", [](TestTable& t) {
          CaptionShell shell;
          QDir(t.dir.path()).mkdir("Best");
          QFile::copy(t.state.path_of(0), t.dir.filePath("Best/1.mp3"));
          t.dialogs.yes();
          confirm_folder(t.cx, shell, t.dir.filePath("Best"), "/", {"1.mp3"});
          t.dialogs.log << "caption: " + shell.caption.replace(t.dir.path(), "<tmp>");
        },
        {"ask: Best　　ﾌｫﾙﾀﾞ内のMP3を編集しますか？",
         "caption: MP3　エディタ　画面              -現在 <tmp>/Best/ を編集中-"});
    row("no files", [](TestTable& t) {
          CaptionShell shell;
          t.dialogs.yes();
          confirm_folder(t.cx, shell, "/music/Best", "/", {});
        },
        {"ask: Best　　ﾌｫﾙﾀﾞ内のMP3を編集しますか？",
         "notify: 指定したフォルダにMP3ファイルがありません"});
    row("too many files", [](TestTable& t) {
          CaptionShell shell;
          t.dialogs.yes();
          confirm_folder(t.cx, shell, "/music/Best", "/", numbered_names(101));
        },
        {"ask: Best　　ﾌｫﾙﾀﾞ内のMP3を編集しますか？",
         "notify: 指定したフォルダにMP3ファイルが多すぎます（100個まで）"});
  }
  void every_box() {
    QFETCH(Scene, scene);
    TestTable t(numbered_names(2));
    two_files(t);
    scene(t);
    QTEST(t.dialogs.log, "boxes");
  }
};

QTEST_GUILESS_MAIN(Messages)
#include "test_messages.moc"
