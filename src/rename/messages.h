#pragma once
// The texts of file-name composition, renaming and file-name undo.

#include <QString>

namespace tn::msg {

inline const QString name_from_title =
    QStringLiteral("ﾌｧｲﾙ名を曲名に変更します。曲名空白は変更されません。　　よろしいですか？");
inline const QString order_before_name =
    QStringLiteral("ﾌｧｲﾙ名の先頭に該当の曲順をつけます。　　よろしいですか？");
inline const QString name_from_order_title =
    QStringLiteral("ﾌｧｲﾙ名を曲名にし、先頭に曲順をつけます。　　よろしいですか？");

inline const QString rename_start =
    QStringLiteral("ﾌｧｲﾙ名を変更するとTAG情報は読み直されます。　　よろしいですか？");
// Preceded by the row number.
inline const QString rename_failed_tail = QStringLiteral(
    "行目のﾌｧｲﾙ名に不正がある為、以降変更できませんでした。　ﾌｧｲﾙ名修正後再度処理願います");
// Why the row's name was refused, in brackets after the message above.
inline const QString refused_character_head = QStringLiteral("はﾌｧｲﾙ名に使えない文字です");
inline const QString refused_character_unknown = QStringLiteral("ﾌｧｲﾙ名に使えない文字があります");
inline const QString refused_character_tail =
    QStringLiteral("。「ﾌｧｲﾙ名に使えない文字を置換」で使える文字にできます");
inline const QString refused_hidden =
    QStringLiteral("名前が空か「.」で始まるため、ﾌｧｲﾙが見えなくなります");
inline const QString refused_taken_tail = QStringLiteral("という名前は既にﾌｫﾙﾀﾞ内にあります");
inline const QString refused_long_head = QStringLiteral("ﾌｧｲﾙ名が長すぎます。");
inline const QString refused_long_tail = QStringLiteral("ﾊﾞｲﾄまでです");
inline const QString refused_folder_head = QStringLiteral("ﾌｫﾙﾀﾞ");
inline const QString refused_folder_tail = QStringLiteral("に書込めません");
inline const QString refused_gone_tail = QStringLiteral("がﾌｫﾙﾀﾞにありません");
// A folder that can't be written: refused before any row, named.
inline const QString rename_folder_refused_head = QStringLiteral("編集ﾌｫﾙﾀﾞ「");
inline const QString rename_folder_refused_tail =
    QStringLiteral("」に書込めないため、ﾌｧｲﾙ名を変更できませんでした。　ﾌｫﾙﾀﾞの書込権限を確認してください");
inline const QString rename_done = QStringLiteral("ﾌｧｲﾙ名変更に成功しました。");

inline const QString undo_names =
    QStringLiteral("ﾌｧｲﾙ名を変更していない場合、TAG情報以外元に戻りますがよろしいですか？");
inline const QString undo_orders_too = QStringLiteral("曲順も戻しますか？");

}  // namespace tn::msg
