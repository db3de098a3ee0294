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

// A file the undo could not put back: its name, why, then undo_failed_tail:
// "04曲1.mp3は元の名前「1.mp3」が既にﾌｫﾙﾀﾞ内にあるため元に戻せませんでした".
inline QString undo_name_taken(const QString& old_name) {
  return QStringLiteral("は元の名前「") + old_name + QStringLiteral("」が既にﾌｫﾙﾀﾞ内にあるため");
}
inline const QString undo_disk_full = QStringLiteral("はﾃﾞｨｽｸの空きが足りないため");
inline const QString undo_no_permission = QStringLiteral("は書込権限がないため");
// Followed by the system's text of the error in brackets after the tail.
inline const QString undo_write_error = QStringLiteral("は書込ｴﾗｰのため");
inline const QString undo_failed_tail = QStringLiteral("元に戻せませんでした");

// A run refused because its history cannot be stored, before any file
// changes: "書込履歴を保存できないため書込を中止しました（/music/.tagnarabe-history）".
inline const QString history_write = QStringLiteral("書込");
inline const QString history_rename = QStringLiteral("ﾌｧｲﾙ名変更");
inline const QString history_undo = QStringLiteral("取消");
inline QString history_unusable(const QString& what, const QString& place) {
  return QStringLiteral("書込履歴を保存できないため") + what + QStringLiteral("を中止しました（") + place +
         QStringLiteral("）");
}

// undo --dry-run: what the undo would do, a line a file.
inline const QString undo_would_restore_tail = QStringLiteral("を元に戻します（予定）");
inline const QString undo_would_refuse_tail =
    QStringLiteral("は記録後に他のﾌﾟﾛｸﾞﾗﾑで変更されているため、取り消しても元に戻しません");

// The command line: a folder that is not there, a run number that is none.
inline const QString no_folder_tail = QStringLiteral(": ﾌｫﾙﾀﾞがありません");
inline const QString run_id_expected = QStringLiteral(" には履歴の番号を指定してください");
inline const QString run_unknown_head = QStringLiteral("履歴に番号");
inline const QString run_unknown_tail = QStringLiteral("の処理はありません（historyで番号を確認してください）");

}  // namespace tn::msg
