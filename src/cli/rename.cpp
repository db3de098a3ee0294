// rename: the file names composed as the three composition buttons compose
// them, then the files renamed as ﾌｧｲﾙ名変更 renames them. A dry run works
// out the same renames, clashes included, and renames nothing.

#include <QJsonArray>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "rename/messages.h"
#include "rename/rename_commands.h"
#include "rename/rename_run.h"
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
  if (args.has(k_titles)) compose_names(s.cx, NameComposition::titles);
  if (args.has(k_order_titles)) compose_names(s.cx, NameComposition::order_and_titles);
  if (args.has(k_order)) compose_names(s.cx, NameComposition::order);
  return true;
}

// Each composition makes the whole name: two would make one out of the
// other's result.
QString check_compose(const Args& args) {
  const int given = args.has(k_titles) + args.has(k_order_titles) + args.has(k_order);
  return given > 1 ? msg::one_composition : QString();
}

const char* rule_name(NameRefusal r) {
  switch (r) {
    case NameRefusal::bad_character: return "bad_character";
    case NameRefusal::hides_file: return "hides_file";
    case NameRefusal::name_taken: return "name_taken";
    case NameRefusal::too_long: return "too_long";
    case NameRefusal::folder_not_writable: return "folder_not_writable";
    case NameRefusal::file_gone: return "file_gone";
    case NameRefusal::other: return "other";
    case NameRefusal::none: break;
  }
  return "";
}

QJsonObject run_json(const Session& s, const RenameRun& run, bool dry_run) {
  QJsonArray rows;
  for (const RenameRow& r : run.rows) {
    QJsonObject row{{QStringLiteral("row"), r.row},
                    {QStringLiteral("from"), r.from},
                    {QStringLiteral("to"), r.to},
                    {QStringLiteral("renamed"), r.renamed},
                    {QStringLiteral("refused"), QJsonValue()}};
    if (r.refusal != NameRefusal::none)
      row[QStringLiteral("refused")] = QJsonObject{{QStringLiteral("rule"), QLatin1String(rule_name(r.refusal))},
                                                   {QStringLiteral("message"), run.refusal_text()}};
    rows.append(row);
  }
  const QString refused = run.folder_refusal;
  return {{QStringLiteral("folder"), s.state.edit_folder},
          {QStringLiteral("dry_run"), dry_run},
          {QStringLiteral("refused"), refused.isEmpty() ? QJsonValue() : QJsonValue(refused)},
          {QStringLiteral("stopped_at"), run.stopped_at() ? QJsonValue(run.stopped_at()) : QJsonValue()},
          {QStringLiteral("renames"), rows}};
}

int run_rename(const Args& args) {
  Session s;
  if (!s.open(args.positional[0])) return k_bad_usage;
  Plan plan;
  if (!run_steps(k_name, s, args, plan)) return k_bad_usage;
  const bool json = args.has(k_json), dry_run = args.has(k_dry_run);
  RenameRun run;
  if (dry_run) {
    run = run_renames(s.cx, true);
    if (!run.ok()) s.dialogs.notify(run.refusal_text());
  } else {
    // The rows are listed again: their read errors are the reload's.
    run = rename_and_reload(s.cx, &s.read_errors);
    if (run.ok()) s.dialogs.notify(tn::msg::rename_done);
  }
  if (json) {
    QJsonObject doc = run_json(s, run, dry_run);
    // After a run, the table as it was read again from the folder.
    if (!dry_run) doc[QStringLiteral("rows")] = table_json(s).value(QStringLiteral("rows"));
    print_json(doc);
  } else if (dry_run) {
    QString text;
    for (const RenameRow& r : run.rows)
      if (r.renamed) text += r.from + msg::rename_arrow + r.to + QLatin1Char('\n');
    print_out(text);
  }
  return run.ok() && s.read_errors.empty() ? k_ok : k_rows_failed;
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
     {k_json, {}, QStringLiteral("行ごとの結果（\"renamed\"、\"refused\"）をJSONで出力します")}},
    check_rename,
    run_rename,
});

[[maybe_unused]] const bool registered_step = add_steps({
    {k_name,
     10,
     {{k_titles, {}, QStringLiteral("ﾌｧｲﾙ名を曲名にします（曲名空白の行は変えません）")},
      {k_order_titles, {}, QStringLiteral("ﾌｧｲﾙ名を曲名にし、先頭に曲順をつけます")},
      {k_order, {}, QStringLiteral("ﾌｧｲﾙ名の先頭に曲順をつけます")}},
     check_compose,
     compose},
});

}  // namespace

}  // namespace tn::cli
