#pragma once
// Every text the windows show: window captions, labels, button and menu
// captions, and the questions of the shell's own commands.

#include <QString>

namespace tn {

namespace msg {
inline const QString confirm_reselect = QStringLiteral("現在入力中のデータは失われますがよろしいですか？");
inline const QString confirm_end = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了します。　よろしいですか？");
// Asked instead, with No the default, while tag cells hold unwritten edits.
inline const QString discard_on_close =
    QStringLiteral("まだファイルに書き込んでいない変更があります。変更を捨てて閉じますか？");
inline const QString discard_on_end =
    QStringLiteral("まだファイルに書き込んでいない変更があります。変更を捨てて終了しますか？");
inline const QString discard_on_reselect = QStringLiteral(
    "まだファイルに書き込んでいない変更があります。変更を捨てて別のフォルダを選びますか？");
// While another program (a command line's command) holds the folder; the
// folder follows.
inline const QString folder_in_use =
    QStringLiteral("他のﾌﾟﾛｸﾞﾗﾑがﾌｫﾙﾀﾞを使用中です。終わるまでお待ちください。\n");
// On the standard error stream, for a folder argument that can't be opened.
inline const QString bad_folder_argument = QStringLiteral("tagnarabe: フォルダを開けません: ");
}  // namespace msg

// Captions of the windows and their controls, named after the controls.
namespace caption {
// Start-up form
inline const QString form2 = QStringLiteral("MP3フォルダ指定画面");
inline const QString lbl_name = QStringLiteral("タグならべ");
inline const QString lbl_drive = QStringLiteral("ドライブ");
inline const QString lbl_folder = QStringLiteral("フォルダ");
inline const QString lbl_files = QStringLiteral("MP3ファイル");
inline const QString lbl_recent = QStringLiteral("最近のフォルダ");
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
// About box
inline const QString form4 = QStringLiteral("バージョン情報");
inline const QString label2 = QStringLiteral("タグならべ");
inline const QString label3 = QStringLiteral("ＶＥＲ1.06");
inline const QString label4 = QStringLiteral("support@pompom-kobo.example");
inline const QString cmd_modoru3 = QStringLiteral("戻る");
}  // namespace caption

// Tooltips, one short sentence each, named after their controls. Screen
// readers read them as the controls' descriptions.
namespace tip {
inline const QString cmd_kyokuname = QStringLiteral("「ファイル名」に「曲名」を入れます。");
inline const QString cmd_kyokuzyunname = QStringLiteral("「ファイル名」の前に「曲順」を付けます。");
inline const QString cmd_w_name = QStringLiteral("「ファイル名」を「曲順」と「曲名」から作ります。");
inline const QString cmd_modosu =
    QStringLiteral("ファイル名の変更を取り消して、フォルダにある名前に戻します。");
inline const QString cmd_re_name = QStringLiteral("表の「ファイル名」のとおりにファイルの名前を変えます。");
inline const QString cmd_fname = QStringLiteral("「曲名」にファイル名を入れます。");
inline const QString cmd_zyun_fname = QStringLiteral("「曲名」に「曲順」とファイル名を入れます。");
inline const QString txt_all_al = QStringLiteral("すべての行に入れるアルバム名を入力します。");
inline const QString cmd_all_al = QStringLiteral("入力したアルバム名をすべての行に入れます。");
inline const QString txt_all_art = QStringLiteral("すべての行に入れるアーティスト名を入力します。");
inline const QString cmd_all_art = QStringLiteral("入力したアーティスト名をすべての行に入れます。");
inline const QString cmd_excel = QStringLiteral("表計算ファイルから曲名などを読み込みます。");
inline const QString cmd_modosu2 =
    QStringLiteral("タグの変更を取り消して、ファイルのタグを読み直します。");
inline const QString cmd_write_all =
    QStringLiteral("曲名・アルバム名・アーティスト名をファイルに書き込みます。");
inline const QString cmd_write_kyokumei = QStringLiteral("曲名だけをファイルに書き込みます。");
inline const QString cmd_write_alubum = QStringLiteral("アルバム名だけをファイルに書き込みます。");
inline const QString cmd_write_artname = QStringLiteral("アーティスト名だけをファイルに書き込みます。");
inline const QString cmd_dir = QStringLiteral("編集するフォルダを選び直します。");
inline const QString cmd_cls = QStringLiteral("表を空にして、すべてのファイルを読み直します。");
inline const QString cmd_allwrite = QStringLiteral("タグを書き込んでから、ファイル名を変更します。");
inline const QString cmd_end = QStringLiteral("アプリケーションを終了します。");
// Start-up form
inline const QString cmd_set = QStringLiteral("このフォルダのMP3ファイルを編集します。");
inline const QString cmb_recent = QStringLiteral("前に編集したフォルダを選びます。");
// Import dialog
inline const QString cmd_excel_read = QStringLiteral("選んだ形式で表計算ファイルを読み込みます。");
inline const QString cmd_cancel = QStringLiteral("読み込まずに閉じます。");
// About box
inline const QString cmd_modoru3 = QStringLiteral("この画面を閉じます。");
}  // namespace tip

// Names for screen readers of the controls that show no text of their own.
namespace acc {
inline const QString ss1 = QStringLiteral("曲の一覧表");
inline const QString txt_all_al = QStringLiteral("アルバム名");
inline const QString txt_all_art = QStringLiteral("アーティスト名");
inline const QString drive1 = QStringLiteral("ドライブ");
inline const QString dir1 = QStringLiteral("フォルダ一覧");
inline const QString file1 = QStringLiteral("MP3ファイル一覧");
inline const QString txt_folder = QStringLiteral("フォルダのパス");
inline const QString ss2 = QStringLiteral("読込の例");
}  // namespace acc

// What a track table cell's colour means, told to screen readers and in the
// cell's tooltip.
namespace cell_state {
inline const QString edited = QStringLiteral("まだファイルに書き込んでいない変更です。");
inline const QString failed = QStringLiteral("ファイルまたはタグを読み込めませんでした。");
inline const QString repaired =
    QStringLiteral("文字化けを直して表示しています。まだファイルに書き込んでいません。");
inline const QString legacy = QStringLiteral(
    "ファイルには古い文字コードで入っているため、他のプレーヤーでは文字化けして表示されます。"
    "書き込むとUnicodeで保存します。");
inline const QString no_audio =
    QStringLiteral("このファイルにはタグだけがあり、音声（MPEGオーディオ）がありません。");
inline const QString unsure =
    QStringLiteral("自信のない読みです。確かめて、違っていれば直してください（直した読みは覚えます）。");
}  // namespace cell_state

// The menu bar, named after the command an item runs.
namespace menu {
inline const QString app = QStringLiteral("アプリケーション(&A)");
inline const QString folder = QStringLiteral("MP3フォルダ指定(&F)");
inline const QString cmd_dir = QStringLiteral("編集フォルダ再設定(&P)");
inline const QString cmd_cls = QStringLiteral("全ファイル再読込(&R)");
inline const QString cmd_allwrite = QStringLiteral("TAG情報書込 + ﾌｧｲﾙ名変更(&E)");
// Its own access key: (&E) is the combined write's.
inline const QString cmd_end = QStringLiteral("アプリケーションの終了(&X)");
inline const QString undo_history = QStringLiteral("書込・ﾌｧｲﾙ名変更の取消(&U)");

inline const QString file_name = QStringLiteral("ファイル名変更メニュー（&F)");
inline const QString cmd_kyokuname = QStringLiteral("「ファイル名」に「曲名」を入力(&Z)");
inline const QString cmd_kyokuzyunname = QStringLiteral("「ファイル名」に「曲順」を入力(&X)");
inline const QString cmd_w_name = QStringLiteral("「ファイル名」に「曲順」+「曲名」を入力(&U)");
inline const QString cmd_portable_names = QStringLiteral("ﾌｧｲﾙ名に使えない文字を置換(&P)");
inline const QString cmd_modosu = QStringLiteral("元に戻す(&S)");
inline const QString cmd_re_name = QStringLiteral("ファイル名変更実行(&H)");

inline const QString tag_input = QStringLiteral("TAG入力メニュー(&T)");
inline const QString title_input = QStringLiteral("曲名入力(&K)");
inline const QString cmd_fname = QStringLiteral("「曲名」に「ファイル名」を入力(&N)");
inline const QString cmd_zyun_fname = QStringLiteral("「曲名」に「曲順」+「ファイル名」を入力(&Y)");
inline const QString cmd_all_al = QStringLiteral("アルバム名全入力(&A)");
inline const QString cmd_all_art = QStringLiteral("アーティスト名全入力(&T)");
inline const QString cmd_excel = QStringLiteral("EXCELファイルより読込(&E)");
inline const QString cmd_export = QStringLiteral("表計算ﾌｧｲﾙに書出し(&X)");
inline const QString cmd_even_widths = QStringLiteral("文字幅をそろえる(&W)");
// A submenu: the script, and whether readings already there are replaced.
inline const QString readings = QStringLiteral("よみがなを付ける(&R)");
inline const QString cmd_readings = QStringLiteral("ひらがなで付ける(&H)");
inline const QString cmd_readings_katakana = QStringLiteral("カタカナで付ける(&K)");
inline const QString cmd_readings_replace = QStringLiteral("ひらがなで付け直す（入力済みも置換）(&R)");
inline const QString cmd_readings_katakana_replace = QStringLiteral("カタカナで付け直す（入力済みも置換）(&T)");
inline const QString cmd_modosu2 = QStringLiteral("元に戻す(&D)");

inline const QString tag_write = QStringLiteral("TAG書込メニュー(&M)");
inline const QString cmd_write_all = QStringLiteral("全て書込(&C)");
inline const QString cmd_write_kyokumei = QStringLiteral("「曲名」のみ書込(&L)");
inline const QString cmd_write_alubum = QStringLiteral("「アルバム名」のみ書込(&O)");
inline const QString cmd_write_artname = QStringLiteral("「アーティスト名」のみ書込(&G)");
inline const QString cmd_track_numbers = QStringLiteral("曲順をTAGに書込(&N)");

// Each of the other fields' columns a check item, captioned by its header
// without "(TAG情報)".
inline const QString view = QStringLiteral("表示(&V)");

inline const QString help = QStringLiteral("ヘルプ(&H)");
inline const QString about = QStringLiteral("バージョン情報(&V)");
}  // namespace menu

// The track table's right-click menu: the keys' edits of the cells.
namespace grid_menu {
inline const QString copy = QStringLiteral("コピー(&C)");
inline const QString paste = QStringLiteral("貼り付け(&P)");
inline const QString clear = QStringLiteral("削除(&D)");
inline const QString undo = QStringLiteral("元に戻す(&U)");
inline const QString redo = QStringLiteral("やり直し(&R)");
}  // namespace grid_menu

}  // namespace tn
