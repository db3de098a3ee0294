#pragma once
// The texts of the export, exactly as the user sees them.

#include <QString>
#include <QStringList>

namespace tn::export_msg {

// Save dialog: one entry per format, .xlsx preselected; a name typed
// without suffix gets the chosen entry's.
inline const QStringList file_filters = {
    QStringLiteral("Microsoft Excelﾌｧｲﾙ(*.xlsx) (*.xlsx)"),
    QStringLiteral("OpenDocumentｽﾌﾟﾚｯﾄﾞｼｰﾄ(*.ods) (*.ods)"),
    QStringLiteral("CSVﾌｧｲﾙ(UTF-8)(*.csv) (*.csv)")};
inline const QString default_name = QStringLiteral("曲リスト.xlsx");

inline const QString done = QStringLiteral("表計算ﾌｧｲﾙへ書出し完了しました。");
// The failures; each is followed by a line break and the file's path.
inline const QString unknown_format =
    QStringLiteral("書出し形式はﾌｧｲﾙ名の末尾（.xlsx .ods .csv）で指定して下さい");
inline const QString too_long = QStringLiteral("表計算ﾌｧｲﾙに収まらない長さの文字があるため書出せません");
inline const QString no_permission = QStringLiteral("書込む権限がないため書出せません");
inline const QString read_only = QStringLiteral("読取専用のﾌｧｲﾙのため書出せません");
inline const QString no_folder = QStringLiteral("書出し先のﾌｫﾙﾀﾞが存在しません");
inline const QString is_folder = QStringLiteral("同じ名前のﾌｫﾙﾀﾞがあるため書出せません");
inline const QString disk_full = QStringLiteral("ﾃﾞｨｽｸの空きが足りないため書出せません");
inline const QString write_failed = QStringLiteral("表計算ﾌｧｲﾙの書出しに失敗しました");

}  // namespace tn::export_msg
