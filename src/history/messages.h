#pragma once
// The texts of the write history and its undo, exactly as the user sees them.

#include <QString>

namespace tn::msg {

// Run names in the history, as the menus name the commands.
inline const QString run_write_all = QStringLiteral("全て書込");
inline const QString run_write_title = QStringLiteral("曲名のみ書込");
inline const QString run_write_album = QStringLiteral("ｱﾙﾊﾞﾑ名のみ書込");
inline const QString run_write_artist = QStringLiteral("ｱｰﾃｨｽﾄ名のみ書込");
inline const QString run_track_numbers = QStringLiteral("曲順をTAGに書込");
inline const QString run_rename = QStringLiteral("ﾌｧｲﾙ名変更");
inline const QString run_allwrite = QStringLiteral("ﾌｧｲﾙ名変更+TAG書込");
inline const QString run_undo = QStringLiteral("書込・ﾌｧｲﾙ名変更の取消");

// A run in the list: "12/09 10:31 ｱﾙﾊﾞﾑ名のみ書込 12ﾌｧｲﾙ".
inline const QString run_files_tail = QStringLiteral("ﾌｧｲﾙ");

inline const QString undo_choose = QStringLiteral("取り消す処理を選んでください（それ以降の処理も取り消されます）");
inline const QString undo_nothing = QStringLiteral("取り消せる書込・ﾌｧｲﾙ名変更はありません");
inline const QString undo_question =
    QStringLiteral("選んだ処理とそれ以降の処理を取り消し、ﾌｧｲﾙを元に戻します。　よろしいですか？");
inline const QString undo_done = QStringLiteral("書込・ﾌｧｲﾙ名変更の取消が正常終了しました");
// A file changed since by another program: its name, then this text.
inline const QString undo_refused_tail =
    QStringLiteral("は記録後に他のﾌﾟﾛｸﾞﾗﾑで変更されたため元に戻しませんでした");

// The command line: a folder that is not there, a run number that is none.
inline const QString no_folder_tail = QStringLiteral(": ﾌｫﾙﾀﾞがありません");
inline const QString run_id_expected = QStringLiteral(" には履歴の番号を指定してください");

}  // namespace tn::msg
