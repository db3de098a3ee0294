// rename: the file names composed as the three composition buttons compose
// them, then the files renamed as ﾌｧｲﾙ名変更 renames them.

#include <QJsonArray>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "table/track_table.h"

namespace tn::cli {

namespace {

const QString k_name = QStringLiteral("rename");
const QString k_json = QStringLiteral("--json");
const QString k_dry_run = QStringLiteral("--dry-run");
const QString k_titles = QStringLiteral("--titles");
const QString k_order_titles = QStringLiteral("--order-and-titles");
const QString k_order = QStringLiteral("--order");

bool compose(Session& s, const Args& args, Plan&) {
  if (args.has(k_titles)) cmd_kyokuname(s.cx);
  if (args.has(k_order_titles)) cmd_w_name(s.cx);
  if (args.has(k_order)) cmd_kyokuzyunname(s.cx);
  return true;
}

// The renames the run would make, up to the first refused name (its
// message shown, as the run would show it). False when one is refused.
bool show_plan(Session& s, bool json) {
  QJsonArray pairs;
  QString text;
  bool ok = true;
  for (int i = 0; i < s.state.file_count && ok; ++i) {
    if (s.state.file(i).isEmpty()) continue;
    const std::optional<QString> to = planned_name(s.cx, i);
    QJsonObject pair{{QStringLiteral("order"), s.grid.cell_text(col::order, i + 1)},
                     {QStringLiteral("from"), s.state.file(i)},
                     {QStringLiteral("to"), to ? QJsonValue(*to) : QJsonValue::Null}};
    if (!to) {
      ok = false;
      pair[QStringLiteral("refused")] = true;
      s.dialogs.notify(QString::number(i + 1) + tn::msg::rename_failed_tail);
    } else {
      text += s.state.file(i) + msg::rename_arrow + *to + QLatin1Char('\n');
    }
    pairs.append(pair);
  }
  if (json)
    print_json({{QStringLiteral("folder"), s.state.edit_folder},
                {QStringLiteral("dry_run"), true},
                {QStringLiteral("renames"), pairs}});
  else
    print_out(text);
  return ok;
}

int run_rename(const Args& args) {
  Session s;
  if (!s.open(args.positional[0])) return k_bad_usage;
  Plan plan;
  if (!run_steps(k_name, s, args, plan)) return k_bad_usage;
  const bool json = args.has(k_json);
  const bool read_ok = s.read_errors.empty();
  if (args.has(k_dry_run)) return show_plan(s, json) && read_ok ? k_ok : k_rows_failed;
  const bool renamed = cmd_re_name(s.cx);
  if (json) print_table(s, true, {{QStringLiteral("dry_run"), false}});
  return renamed && read_ok ? k_ok : k_rows_failed;
}

QString check_rename(const Args& args) {
  return any_step_given(k_name, args) ? QString() : msg::nothing_to_rename;
}

[[maybe_unused]] const bool registered_command = add_subcommand({
    k_name,
    QStringLiteral("FOLDER [オプション]"),
    QStringLiteral("ﾌｧｲﾙ名を作り、ﾌｧｲﾙ名を変更します（不正な名前の行で止まります）"),
    30,
    1,
    {{k_dry_run, {}, QStringLiteral("変更前と変更後のﾌｧｲﾙ名を出力するだけで、何も変更しません")},
     {k_json, {}, QStringLiteral("JSONで出力します（変更後は読直した表）")}},
    check_rename,
    run_rename,
});

[[maybe_unused]] const bool registered_step = add_steps({
    {k_name,
     10,
     {{k_titles, {}, QStringLiteral("ﾌｧｲﾙ名を曲名にします（曲名空白の行は変えません）")},
      {k_order_titles, {}, QStringLiteral("ﾌｧｲﾙ名を曲名にし、先頭に曲順をつけます")},
      {k_order, {}, QStringLiteral("ﾌｧｲﾙ名の先頭に曲順をつけます")}},
     {},
     compose},
});

}  // namespace

}  // namespace tn::cli
