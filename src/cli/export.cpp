// export: the track table of a folder written to a spreadsheet, as
// 表計算ﾌｧｲﾙに書出し writes it.

#include "cli/cli.h"
#include "cli/fields.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "export/export.h"
#include "export/messages.h"

namespace tn::cli {

namespace {

int run_export(const Args& args) {
  Session s;
  if (!s.open(args.positional[0])) return k_bad_usage;
  const QString error = export_table(s.grid, s.state.file_count, args.positional[1], shown_fields_of(args));
  if (!error.isEmpty()) {
    print_err(msg::prefix + error + QLatin1Char('\n'));
    return k_bad_usage;
  }
  return s.read_errors.empty() ? k_ok : k_rows_failed;
}

// A kind of file the export cannot write is bad usage, told before the
// folder is read.
QString check_export(const Args& args) {
  const QString& path = args.positional[1];
  if (!sheet_format_of(path)) return export_msg::unknown_format + QStringLiteral(": ") + path;
  return check_shown_fields(args);
}

[[maybe_unused]] const bool registered = add_subcommand({
    QStringLiteral("export"),
    QStringLiteral("FOLDER FILE.xlsx|FILE.ods|FILE.csv [--fields LIST]"),
    QStringLiteral("表を見出し付きで表計算ﾌｧｲﾙに書出します（write --import --layout header で読み戻せます）"),
    15,
    2,
    {shown_fields_option()},
    check_export,
    run_export,
});

}  // namespace

}  // namespace tn::cli
