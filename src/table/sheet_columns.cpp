#include "table/sheet_columns.h"

#include "table/track_table.h"

namespace tn {

const std::vector<SheetColumn>& sheet_columns() {
  static const std::vector<SheetColumn> columns = {
      {col::order, QStringLiteral("order"), QStringLiteral("曲順")},
      {col::name, QStringLiteral("file"), QStringLiteral("ファイル名")},
      {col::title, QStringLiteral("title"), QStringLiteral("曲名(TAG情報)")},
      {col::album, QStringLiteral("album"), QStringLiteral("アルバム名(TAG情報)")},
      {col::artist, QStringLiteral("artist"), QStringLiteral("アーティスト名(TAG情報)")},
  };
  return columns;
}

}  // namespace tn
