#pragma once
// The texts of tag reading and writing, exactly as the user sees them.

#include <QString>

namespace tn::msg {

inline const QString error_number = QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ");
inline const QString open_failed_tail = QStringLiteral("は読込めませんでした");
inline const QString tag_read_failed_tail = QStringLiteral("のTAGは読込めませんでした");
inline const QString tag_write_failed_tail = QStringLiteral("のTAGは書込めませんでした");
// After that tail, when a frame could not be carried into the new tag: its id.
inline QString frame_not_carried(const QByteArray& id) {
  return id.isEmpty() ? QString() : QStringLiteral("（") + QString::fromLatin1(id) + QStringLiteral(" ﾌﾚｰﾑを引き継げません）");
}
// A folder that can't be written (its journal and history live there):
// refused before any file, named.
inline const QString write_folder_refused_head = QStringLiteral("編集ﾌｫﾙﾀﾞ「");
inline const QString write_folder_refused_tail =
    QStringLiteral("」に書込めないため、TAG情報を書込めませんでした。　ﾌｫﾙﾀﾞの書込権限を確認してください");

// The reason shown when a row's file is no longer the one the table was read from.
inline const QString changed_on_disk =
    QStringLiteral("  読込後に他のﾌﾟﾛｸﾞﾗﾑでﾌｧｲﾙが変更されました(再読込してください)  ");
// A journal of an interrupted write that no longer fits its file: file name,
// this text, the name the journal was kept under, the tail.
inline const QString journal_kept_middle =
    QStringLiteral("の書込は途中で中断され、その後ﾌｧｲﾙが変更されたため元に戻せませんでした。記録を");
inline const QString journal_kept_tail = QStringLiteral("に残しました");

// The reason shown for an error number.
QString error_text(int error_no);

}  // namespace tn::msg

namespace tn::msg {

inline const QString write_all_question = QStringLiteral(
    "全ての情報をMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？");
inline const QString write_all_done = QStringLiteral("全てMP3TAG情報の書込が正常終了しました");
inline const QString write_title_question = QStringLiteral(
    "曲名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？");
inline const QString write_title_done = QStringLiteral("曲名のみMP3TAG情報の書込が正常終了しました");
inline const QString write_album_question = QStringLiteral(
    "アルバム名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？");
inline const QString write_album_done =
    QStringLiteral("アルバム名のみMP3TAG情報の書込が正常終了しました");
inline const QString write_artist_question = QStringLiteral(
    "アーティスト名のみMP3TAG情報に書込ます。　書込後も「書込・ﾌｧｲﾙ名変更の取消」で元に戻せます。　よろしいですか？");
inline const QString write_artist_done =
    QStringLiteral("アーティスト名のみMP3TAG情報の書込が正常終了しました");

}  // namespace tn::msg
