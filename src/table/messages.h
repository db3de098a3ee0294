#pragma once
// The texts of the folder listing and the headers of the track table.

#include <QString>
#include <array>

#include "tags/fields.h"

namespace tn::msg {

// Followed by the names of the links, "、" between them.
inline const QString links_skipped_head = QStringLiteral(
    "ｼﾝﾎﾞﾘｯｸﾘﾝｸは編集しません（ﾘﾝｸ先のﾌｫﾙﾀﾞを開いてください）: ");

}  // namespace tn::msg

// The track table's headers, also those of an exported sheet.
namespace tn::header {

inline const QString order = QStringLiteral("曲順");
inline const QString name = QStringLiteral("ファイル名");
// What every field's header ends in.
inline const QString tag_suffix = QStringLiteral("(TAG情報)");
// One a field, in the fields' order.
inline const std::array<QString, k_field_count> fields = {
    QStringLiteral("曲名(TAG情報)"),
    QStringLiteral("アルバム名(TAG情報)"),
    QStringLiteral("アーティスト名(TAG情報)"),
    QStringLiteral("トラック番号(TAG情報)"),
    QStringLiteral("ディスク番号(TAG情報)"),
    QStringLiteral("年(TAG情報)"),
    QStringLiteral("ジャンル(TAG情報)"),
    QStringLiteral("アルバムアーティスト(TAG情報)"),
    QStringLiteral("作曲者(TAG情報)"),
    QStringLiteral("コメント(TAG情報)"),
    QStringLiteral("曲名よみがな(TAG情報)"),
    QStringLiteral("アルバム名よみがな(TAG情報)"),
    QStringLiteral("アーティスト名よみがな(TAG情報)"),
    QStringLiteral("アルバムアーティストよみがな(TAG情報)"),
};

}  // namespace tn::header
