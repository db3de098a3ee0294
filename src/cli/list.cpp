// list: the track table of a folder, as the main window shows it once the
// folder is confirmed.

#include "cli/cli.h"
#include "cli/fields.h"
#include "cli/session.h"

namespace tn::cli {

namespace {

const QString k_json = QStringLiteral("--json");

int run_list(const Args& args) {
  Session s;
  s.state.shown_fields = shown_fields_of(args);
  if (!s.open(args.positional[0])) return k_bad_usage;
  print_table(s, args.has(k_json));
  return s.read_errors.empty() ? k_ok : k_rows_failed;
}

[[maybe_unused]] const bool registered = add_subcommand({
    QStringLiteral("list"),
    QStringLiteral("FOLDER [--fields LIST] [--json]"),
    QStringLiteral("TAG情報の一覧（曲順、ﾌｧｲﾙ名、曲名、ｱﾙﾊﾞﾑ名、ｱｰﾃｨｽﾄ名）を出力します"),
    10,
    1,
    {shown_fields_option(),
     {k_json, {}, QStringLiteral("JSONで全項目を出力します（読込ｴﾗｰの行は \"error\" に番号とﾒｯｾｰｼﾞ）")}},
    check_shown_fields,
    run_list,
});

}  // namespace

}  // namespace tn::cli
