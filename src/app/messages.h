#pragma once
// Every text the windows show: window captions, labels, button and menu
// captions, and the questions of the shell's own commands.

#include <QString>

namespace tn {

namespace msg {
inline const QString confirm_reselect = QStringLiteral("現在入力中のデータは失われますがよろしいですか？");
inline const QString confirm_end = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了します。　よろしいですか？");
}  // namespace msg

// Captions of the windows and their controls, named after the controls.
namespace caption {
// Start-up form
inline const QString form2 = QStringLiteral("MP3フォルダ指定画面");
inline const QString lbl_name = QStringLiteral("タグならべ");
inline const QString lbl_drive = QStringLiteral("ドライブ");
inline const QString lbl_folder = QStringLiteral("フォルダ");
inline const QString lbl_files = QStringLiteral("MP3ファイル");
inline const QString cmd_set = QStringLiteral("設定");
inline const QString cmd_end2 = QStringLiteral("終了");

// Main window: groups
inline const QString grp_file_name = QStringLiteral("ファイル名変更メニュー");
inline const QString grp_tag_input = QStringLiteral("TAG情報入力メニュー");
inline const QString grp_title = QStringLiteral("曲名入力");
inline const QString grp_album = QStringLiteral("アルバム名入力");
inline const QString grp_artist = QStringLiteral("アーティスト名入力");
inline const QString grp_tag_write = QStringLiteral("TAG情報書込メニュー");
inline const QString grp_single = QStringLiteral("個別書込");
// Main window: buttons
inline const QString cmd_kyokuname = QStringLiteral("「曲名」を入力");
inline const QString cmd_kyokuzyunname = QStringLiteral("「曲順」を入力");
inline const QString cmd_w_name = QStringLiteral("「曲順」+「曲名」を入力");
inline const QString cmd_modosu = QStringLiteral("元に戻す");
inline const QString cmd_re_name = QStringLiteral("ﾌｧｲﾙ名変更");
inline const QString cmd_fname = QStringLiteral("「ﾌｧｲﾙ名」を入力");
inline const QString cmd_zyun_fname = QStringLiteral("「曲順」+「ﾌｧｲﾙ名」を入力");
inline const QString cmd_all_al = QStringLiteral("ｱﾙﾊﾞﾑ名全入力");
inline const QString cmd_all_art = QStringLiteral("ｱｰﾃｨｽﾄ名全入力");
inline const QString cmd_excel = QStringLiteral("EXCELﾌｧｲﾙより読込");
inline const QString cmd_modosu2 = QStringLiteral("元に戻す");
inline const QString cmd_write_all = QStringLiteral("全て書込");
inline const QString cmd_write_kyokumei = QStringLiteral("曲名のみ書込");
inline const QString cmd_write_alubum = QStringLiteral("ｱﾙﾊﾞﾑ名のみ書込");
inline const QString cmd_write_artname = QStringLiteral("ｱｰﾃｨｽﾄ名のみ書込");
inline const QString cmd_dir = QStringLiteral("編集ﾌｫﾙﾀﾞ再設定");
inline const QString cmd_cls = QStringLiteral("全ﾌｧｲﾙ再読込");
inline const QString cmd_allwrite = QStringLiteral("ﾌｧｲﾙ名変更+TAG書込");
inline const QString cmd_end = QStringLiteral("終了");
inline const QString lbl_produced = QStringLiteral("Produced By ぽむぽむ工房");
// Track table headers
inline const QString col_order = QStringLiteral("曲順");
inline const QString col_name = QStringLiteral("ファイル名");
inline const QString col_title = QStringLiteral("曲名(TAG情報)");
inline const QString col_album = QStringLiteral("アルバム名(TAG情報)");
inline const QString col_artist = QStringLiteral("アーティスト名(TAG情報)");

// About box
inline const QString form4 = QStringLiteral("バージョン情報");
inline const QString label2 = QStringLiteral("タグならべ");
inline const QString label3 = QStringLiteral("ＶＥＲ1.06");
inline const QString label4 = QStringLiteral("support@pompom-kobo.example");
inline const QString cmd_modoru3 = QStringLiteral("戻る");
}  // namespace caption

// The menu bar, named after the command an item runs.
namespace menu {
inline const QString app = QStringLiteral("アプリケーション(&A)");
inline const QString folder = QStringLiteral("MP3フォルダ指定(&F)");
inline const QString cmd_dir = QStringLiteral("編集フォルダ再設定(&P)");
inline const QString cmd_cls = QStringLiteral("全ファイル再読込(&R)");
inline const QString cmd_allwrite = QStringLiteral("TAG情報書込 + ﾌｧｲﾙ名変更(&E)");
inline const QString cmd_end = QStringLiteral("アプリケーションの終了(&E)");

inline const QString file_name = QStringLiteral("ファイル名変更メニュー（&F)");
inline const QString cmd_kyokuname = QStringLiteral("「ファイル名」に「曲名」を入力(&Z)");
inline const QString cmd_kyokuzyunname = QStringLiteral("「ファイル名」に「曲順」を入力(&X)");
inline const QString cmd_w_name = QStringLiteral("「ファイル名」に「曲順」+「曲名」を入力(&U)");
inline const QString cmd_modosu = QStringLiteral("元に戻す(&S)");
inline const QString cmd_re_name = QStringLiteral("ファイル名変更実行(&H)");

inline const QString tag_input = QStringLiteral("TAG入力メニュー(&T)");
inline const QString title_input = QStringLiteral("曲名入力(&K)");
inline const QString cmd_fname = QStringLiteral("「曲名」に「ファイル名」を入力(&N)");
inline const QString cmd_zyun_fname = QStringLiteral("「曲名」に「曲順」+「ファイル名」を入力(&Y)");
inline const QString cmd_all_al = QStringLiteral("アルバム名全入力(&A)");
inline const QString cmd_all_art = QStringLiteral("アーティスト名全入力(&T)");
inline const QString cmd_excel = QStringLiteral("EXCELファイルより読込(&E)");
inline const QString cmd_modosu2 = QStringLiteral("元に戻す(&D)");

inline const QString tag_write = QStringLiteral("TAG書込メニュー(&M)");
inline const QString cmd_write_all = QStringLiteral("全て書込(&C)");
inline const QString cmd_write_kyokumei = QStringLiteral("「曲名」のみ書込(&L)");
inline const QString cmd_write_alubum = QStringLiteral("「アルバム名」のみ書込(&O)");
inline const QString cmd_write_artname = QStringLiteral("「アーティスト名」のみ書込(&G)");

inline const QString help = QStringLiteral("ヘルプ(&H)");
inline const QString about = QStringLiteral("バージョン情報(&V)");
}  // namespace menu

}  // namespace tn
