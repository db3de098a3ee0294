#pragma once
// The command line's own texts. The texts of the commands it runs (read
// errors, refusals, notices) are theirs, from their modules.

#include <QString>

namespace tn::cli::msg {

inline const QString program = QStringLiteral("tagnarabe-cli");
inline const QString prefix = QStringLiteral("tagnarabe-cli: ");

// Bad usage; each is followed by what it is about.
inline const QString no_subcommand = QStringLiteral("サブコマンドを指定してください");
inline const QString unknown_subcommand = QStringLiteral("不明なサブコマンドです: ");
inline const QString unknown_option = QStringLiteral("不明なオプションです: ");
inline const QString missing_value = QStringLiteral("オプションに値がありません: ");
inline const QString flag_with_value = QStringLiteral("このオプションは値をとりません: ");
inline const QString repeated_option = QStringLiteral("オプションが二度指定されています: ");
inline const QString missing_folder = QStringLiteral("フォルダを指定してください");
inline const QString extra_argument = QStringLiteral("余分な引数です: ");
inline const QString see_help = QStringLiteral("詳しくは「tagnarabe-cli --help」をご覧ください");
inline const QString not_a_folder = QStringLiteral("フォルダを開けません: ");
inline const QString nothing_to_write =
    QStringLiteral("書込む内容を指定してください（--title, --album, --artist, --import など）");
inline const QString nothing_to_rename =
    QStringLiteral("ﾌｧｲﾙ名の作り方を指定してください（--titles, --order-and-titles, --order）");
inline const QString one_composition =
    QStringLiteral("--titles, --order-and-titles, --order は一つだけ指定してください");
inline const QString one_title_source =
    QStringLiteral("--titles-from-names と --titles-from-names-with-order は一つだけ指定してください");
inline const QString bad_layout = QStringLiteral("--layout は 1, 2, 3, header のいずれかです: ");
inline const QString unknown_field = QStringLiteral("不明な項目名です（--help に一覧があります）: ");
inline const QString bad_set = QStringLiteral("--set は 項目名=文字列 で指定します: ");
inline const QString field_set_twice = QStringLiteral("同じ項目が二度指定されています: ");
inline const QString set_too_long = QStringLiteral("--set の文字列は 128 文字までです: ");
inline const QString needs_import = QStringLiteral("--layout と --sheet は --import と共に指定します");
inline const QString kana_needs_readings = QStringLiteral("--kana は --readings と共に指定します");
inline const QString bad_readings = QStringLiteral("--readings の値は replace だけです: ");
inline const QString bad_kana = QStringLiteral("--kana は hiragana か katakana です: ");
// The fields' options.
inline const QString set_help = QStringLiteral(
    "全ての行の項目に 128 文字までの文字列を入れます（何度でも指定できます、\"year=\" で消去）。項目名: ");
inline const QString write_fields_help =
    QStringLiteral("書込む項目を選びます（ｶﾝﾏ区切り、例 title,album、all で全項目）");
inline const QString shown_fields_help = QStringLiteral(
    "曲名・ｱﾙﾊﾞﾑ名・ｱｰﾃｨｽﾄ名の後に出す項目（ｶﾝﾏ区切り、例 year,genre、all で全項目）");

// After the fields' names, the name of their run in the history.
inline const QString run_fields_tail = QStringLiteral("を書込");

inline const QString progress = QStringLiteral("処理中 ");
// While another program (a window's write, another command) holds the
// folder; the folder follows.
inline const QString folder_in_use = QStringLiteral("他のﾌﾟﾛｸﾞﾗﾑがﾌｫﾙﾀﾞを使用中です。終わるまで待ちます: ");
inline const QString rename_arrow = QStringLiteral(" → ");

// --help.
inline const QString usage = QStringLiteral("使い方: tagnarabe-cli ");
inline const QString overview_head = QStringLiteral(
    "MP3ファイルのTAG情報（曲名・アルバム名・アーティスト名）とファイル名を、\n"
    "フォルダごとにまとめて編集します（1フォルダ100ファイルまで）。\n\n"
    "サブコマンド:\n");
inline const QString overview_tail = QStringLiteral(
    "\n終了ステータス: 0 全て完了、1 失敗した行あり（他の行は完了）、\n"
    "2 使い方の誤り・フォルダを確定できない・不正な入力（何も書込みません）。\n"
    "メッセージは標準エラー出力に、データは標準出力に出ます。\n"
    "各サブコマンドの説明: tagnarabe-cli サブコマンド --help\n");
inline const QString options_head = QStringLiteral("\nオプション:\n");
inline const QString help_option = QStringLiteral("この説明を表示します");

}  // namespace tn::cli::msg
