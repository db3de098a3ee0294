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
inline const QString rename_done = QStringLiteral("ﾌｧｲﾙ名変更に成功しました。");

inline const QString undo_names =
    QStringLiteral("ﾌｧｲﾙ名を変更していない場合、TAG情報以外元に戻りますがよろしいですか？");
inline const QString undo_orders_too = QStringLiteral("曲順も戻しますか？");

}  // namespace tn::msg
