#pragma once
// The texts of tag reading and writing, exactly as the user sees them.

#include <QString>

namespace tn::msg {

inline const QString error_number = QStringLiteral("ｴﾗｰﾅﾝﾊﾞｰ");
inline const QString open_failed_tail = QStringLiteral("は読込めませんでした");
inline const QString tag_read_failed_tail = QStringLiteral("のTAGは読込めませんでした");
inline const QString tag_write_failed_tail = QStringLiteral("のTAGは書込めませんでした");

// The reason shown for an error number.
QString error_text(int error_no);

}  // namespace tn::msg
