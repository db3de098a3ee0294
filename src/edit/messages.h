#pragma once
// The texts of the batch tag edits, exactly as the user sees them.

#include <QString>

namespace tn::msg {

inline const QString album_empty =
    QStringLiteral("アルバム名が入力されてません！現在入力されているデータを全て消去しますか？");
inline const QString artist_empty =
    QStringLiteral("アーティスト名が入力されてません！現在入力されているデータを全て消去しますか？");
inline const QString too_long = QStringLiteral("30文字以内で入力してください！");
inline const QString overwrite = QStringLiteral("既に入力済の情報を上書きしますがよろしいですか？");

inline const QString title_from_name = QStringLiteral("「曲名」にﾌｧｲﾙ名を入力します。　　よろしいですか？");
inline const QString title_from_order_name =
    QStringLiteral("「曲名」に曲順+ﾌｧｲﾙ名を入力します。　　よろしいですか？");

inline const QString clear_reload =
    QStringLiteral("入力した全ての情報をｸﾘｱしﾌｧｲﾙを読直します。　よろしいですか？");
inline const QString reload_done = QStringLiteral("読込み完了");
inline const QString undo_tags =
    QStringLiteral("ﾌｧｲﾙに登録していない場合、ファイル名以外元に戻りますがよろしいですか？");

}  // namespace tn::msg
