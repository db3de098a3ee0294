#pragma once
// The texts of the folder listing.

#include <QString>

namespace tn::msg {

// Followed by the names of the links, "、" between them.
inline const QString links_skipped_head = QStringLiteral(
    "ｼﾝﾎﾞﾘｯｸﾘﾝｸは編集しません（ﾘﾝｸ先のﾌｫﾙﾀﾞを開いてください）: ");

}  // namespace tn::msg
