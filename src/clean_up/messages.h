#pragma once
// The texts of the clean-up commands, exactly as the user sees them.

#include <QString>

namespace tn::msg {

inline const QString track_numbers_question = QStringLiteral(
    "曲順をﾄﾗｯｸ番号としてMP3TAG情報に書込ます。　この処理は元に戻せません。　よろしいですか？");
inline const QString track_numbers_done = QStringLiteral("曲順のﾄﾗｯｸ番号書込が正常終了しました");
inline const QString track_order_not_number =
    QStringLiteral("曲順が数字でない行があります。　曲順を確認してください。");
// Around the number of rows: a track n of N beyond N.
inline const QString track_order_beyond_head = QStringLiteral("曲順がﾌｧｲﾙ数（");
inline const QString track_order_beyond_tail =
    QStringLiteral("）を超える行があります。　曲順を確認してください。");

}  // namespace tn::msg
