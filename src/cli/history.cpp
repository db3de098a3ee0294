// history and undo: the folder's write history, and the undo of a run and
// every run after it, as the application menu's 書込・ﾌｧｲﾙ名変更の取消 does.

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/cli.h"
#include "cli/session.h"
#include "history/history.h"
#include "history/history_commands.h"
#include "history/messages.h"

namespace tn::cli {

namespace {

const QString k_json = QStringLiteral("--json");
const QString k_run = QStringLiteral("--run");
const QString k_dry_run = QStringLiteral("--dry-run");

int run_history(const Args& args) {
  const QString folder = args.positional[0];
  if (!QFileInfo(folder).isDir()) {
    print_err(folder + msg::no_folder_tail);
    return k_bad_usage;
  }
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder));
  if (args.has(k_json)) {
    QJsonArray list;
    for (auto r = runs.rbegin(); r != runs.rend(); ++r)
      list.append(QJsonObject{{QStringLiteral("id"), static_cast<qint64>(r->id)},
                              {QStringLiteral("time"), QDateTime::fromSecsSinceEpoch(r->time).toString(Qt::ISODate)},
                              {QStringLiteral("command"), r->command},
                              {QStringLiteral("files"), history::files_of(*r)},
                              {QStringLiteral("bytes"), static_cast<qint64>(r->bytes)}});
    print_json({{QStringLiteral("folder"), folder}, {QStringLiteral("runs"), list}});
  } else {
    QString text;
    for (auto r = runs.rbegin(); r != runs.rend(); ++r)
      text += QString::number(r->id) + QLatin1Char('\t') + history::run_line(*r) + QLatin1Char('\n');
    print_out(text);
  }
  return k_ok;
}

QString check_run(const Args& args) {
  bool ok = true;
  if (args.has(k_run)) args.value(k_run).toULongLong(&ok);
  return ok ? QString() : k_run + msg::run_id_expected;
}

int run_undo(const Args& args) {
  const QString folder = args.positional[0];
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder));
  std::uint64_t id = runs.empty() ? 0 : runs.back().id;
  if (args.has(k_run)) id = args.value(k_run).toULongLong();
  if (args.has(k_dry_run)) {
    const history::UndoResult r = history::undo_from(history::native_folder(folder), id, true);
    if (!r.known) {
      print_err(msg::undo_nothing);
      return k_bad_usage;
    }
    QString text;
    for (const QString& name : r.restored) text += name + QLatin1Char('\n');
    print_out(text);
    for (const QString& name : r.refused) print_err(name + msg::undo_refused_tail);
    return r.refused.isEmpty() ? k_ok : k_rows_failed;
  }
  Session s;
  if (!s.open(folder)) return k_bad_usage;
  const history::UndoResult r = cmd_undo_runs(s.cx, id);
  if (!r.known) return k_bad_usage;
  return r.refused.isEmpty() && r.failed.isEmpty() ? k_ok : k_rows_failed;
}

[[maybe_unused]] const bool history_registered = add_subcommand({
    QStringLiteral("history"),
    QStringLiteral("FOLDER [--json]"),
    QStringLiteral("ﾌｫﾙﾀﾞの書込・ﾌｧｲﾙ名変更の履歴を新しい順に出力します"),
    70,
    1,
    {{k_json, {}, QStringLiteral("JSONで出力します")}},
    {},
    run_history,
});

[[maybe_unused]] const bool undo_registered = add_subcommand({
    QStringLiteral("undo"),
    QStringLiteral("FOLDER [--run ID] [--dry-run]"),
    QStringLiteral("指定した処理（既定は最新）とそれ以降の処理を取り消します"),
    80,
    1,
    {{k_run, QStringLiteral("ID"), QStringLiteral("取り消す処理の番号（history の1列目）")},
     {k_dry_run, {}, QStringLiteral("元に戻すﾌｧｲﾙを出力するだけで、何も変更しません")}},
    check_run,
    run_undo,
});

}  // namespace

}  // namespace tn::cli
