#pragma once
// The texts of the readings (よみがな), exactly as the user sees them.

#include <QString>

namespace tn::msg {

// Why readings cannot be made here: shown by the menu item and the command line.
inline const QString readings_not_built =
    QStringLiteral("このﾌﾟﾛｸﾞﾗﾑはよみがな機能なしで作られています（MeCab の開発ﾌｧｲﾙ libmecab-dev がありませんでした）");
inline const QString readings_no_library = QStringLiteral(
    "よみがなを付けるには MeCab が必要です。　ﾊﾟｯｹｰｼﾞ libmecab2 と unidic-mecab（または mecab-ipadic-utf8）を"
    "ｲﾝｽﾄｰﾙしてください");
inline const QString readings_no_dictionary = QStringLiteral(
    "よみがなを付けるには MeCab の辞書が必要です。　ﾊﾟｯｹｰｼﾞ unidic-mecab（または mecab-ipadic-utf8）を"
    "ｲﾝｽﾄｰﾙしてください");

// Why a reading is marked unsure (its cell's tooltip).
inline const QString reading_unknown_word = QStringLiteral("辞書にない語があります: ");
inline const QString reading_several = QStringLiteral("辞書に読みが複数あります: ");
inline const QString reading_disagree = QStringLiteral("読み方が二通りあります: ");

// After よみがなを付ける.
inline const QString readings_to_check =
    QStringLiteral("自信のない読みがあります。色の違うｾﾙを確かめて、違っていれば直してください（件数）: ");
inline const QString readings_none = QStringLiteral("新しく付けるよみがなはありませんでした");

// The user dictionary on the command line.
inline const QString readings_exported = QStringLiteral("よみがなの辞書を書出しました: ");
inline const QString readings_imported = QStringLiteral("よみがなの辞書に読込みました（件数）: ");
inline const QString readings_bad_line = QStringLiteral("よみがなの辞書の行が読めません（行番号）: ");
inline const QString readings_cannot_open = QStringLiteral("ﾌｧｲﾙを開けません: ");
inline const QString readings_export_tsv_only = QStringLiteral("書出し先のﾌｧｲﾙ名の末尾は .tsv にして下さい: ");
inline const QString readings_cannot_save = QStringLiteral("よみがなの辞書を保存できません: ");
inline const QString readings_one_of = QStringLiteral("--export か --import のどちらか一つを指定してください");

}  // namespace tn::msg
