#pragma once
// The texts of the spreadsheet import, exactly as the user sees them.

#include <QString>
#include <QStringList>

namespace tn::import_msg {

// Open-file dialog: every kind the import reads first, preselected, then one
// entry per kind, then all files.
inline const QStringList file_filters = {
    QStringLiteral("表計算ﾌｧｲﾙ(*.xls;*.xlsx;*.ods;*.csv;*.tsv) (*.xls *.xlsx *.ods *.csv *.tsv)"),
    QStringLiteral("Microsoft Excelﾌｧｲﾙ(*.xls) (*.xls)"),
    QStringLiteral("Microsoft Excelﾌｧｲﾙ(*.xlsx) (*.xlsx)"),
    QStringLiteral("OpenDocumentｽﾌﾟﾚｯﾄﾞｼｰﾄ(*.ods) (*.ods)"),
    QStringLiteral("CSVﾌｧｲﾙ(*.csv) (*.csv)"),
    QStringLiteral("ﾀﾌﾞ区切りﾃｷｽﾄ(*.tsv) (*.tsv)"),
    QStringLiteral("すべてのファイル(*.*) (*)")};
constexpr int spreadsheet_filter = 0;  // index into file_filters

inline const QString sheet1_question = QStringLiteral("ｼｰﾄ名は「sheet1」でよろしいですか？");
inline const QString sheet_prompt = QStringLiteral("ｼｰﾄ名を入力して下さい");
inline const QString blank_name = QStringLiteral("空白の為ﾌｧｲﾙを読込みません");
inline const QString open_failed = QStringLiteral("EXCELﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました");
inline const QString no_sheet = QStringLiteral("ｼｰﾄが存在しません");
inline const QString read_failed = QStringLiteral("読込み中にｴﾗｰが発生しました");
inline const QString done = QStringLiteral("EXCELﾌｧｲﾙより読込完了しました。");

// The import dialog.
inline const QString form3_caption = QStringLiteral("EXCELﾌｧｲﾙ読込形式設定");
inline const QString frame1 = QStringLiteral("EXCEL読込形式選択");
inline const QString opt_1 = QStringLiteral("曲名のみ");
inline const QString opt_2 = QStringLiteral("「曲名」「ｱﾙﾊﾞﾑ名」「ｱｰﾃｨｽﾄ名」");
inline const QString opt_3 = QStringLiteral("「曲順」「曲名」「ｱﾙﾊﾞﾑ名」「ｱｰﾃｨｽﾄ名」");
inline const QString opt_4 = QStringLiteral("見出しの列名で読込");
inline const QString label1 = QStringLiteral("EXCEL入力例：");
inline const QString read_button = QStringLiteral("読込開始");
inline const QString back_button = QStringLiteral("戻る");

// Example row of SS2 per import format 1, 2, 3.
inline const QStringList example_1 = {QStringLiteral("曲名")};
inline const QStringList example_2 = {QStringLiteral("曲名"), QStringLiteral("ｱﾙﾊﾞﾑ名"),
                                      QStringLiteral("ｱｰﾃｨｽﾄ名")};
inline const QStringList example_3 = {QStringLiteral("曲順"), QStringLiteral("曲名"),
                                      QStringLiteral("ｱﾙﾊﾞﾑ名"), QStringLiteral("ｱｰﾃｨｽﾄ名")};
// Format 4: the header row, its columns in any order.
inline const QStringList example_4 = {QStringLiteral("ｱｰﾃｨｽﾄ名"), QStringLiteral("曲名"),
                                      QStringLiteral("曲順"), QStringLiteral("Album")};

// The import by header names.
inline const QString no_headers = QStringLiteral("1行目に読込める列名(曲名・ｱﾙﾊﾞﾑ名・ｱｰﾃｨｽﾄ名・曲順)がありません");
inline const QString preview_question = QStringLiteral("表示した内容で読込みます。よろしいですか？");
// %1 the rows of the sheet under its header, %2 the file count.
inline const QString fewer_rows =
    QStringLiteral("ｼｰﾄの行数(%1行)がﾌｧｲﾙ数(%2)より少ない為、足りない行は空白になります！");
inline const QString more_rows =
    QStringLiteral("ｼｰﾄの行数(%1行)がﾌｧｲﾙ数(%2)より多い為、多い行は読込みません！");
// The preview in the import dialog.
inline const QString preview_label = QStringLiteral("読込内容：");
inline const QString skipped_label = QStringLiteral("読込まない列：");

}  // namespace tn::import_msg
