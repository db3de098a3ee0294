// history and undo: the folder's write history, and the undo of a run and
// every run after it, as the application menu's 書込・ﾌｧｲﾙ名変更の取消 does.

#include <QDateTime>
#include <algorithm>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/cli.h"
#include "cli/session.h"
#include "history/history.h"
#include "undo/history_commands.h"
#include "history/messages.h"

namespace tn::cli {

namespace {

const QString k_json = QStringLiteral("--json");
const QString k_run = QStringLiteral("--run");
const QString k_dry_run = QStringLiteral("--dry-run");

QString absolute(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

int run_history(const Args& args) {
  const QString folder = args.positional[0];
  if (!QFileInfo(folder).isDir()) {
    print_err(folder + msg::no_folder_tail);
    return k_bad_usage;
  }
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder), history::Load::listing);
  if (args.has(k_json)) {
    QJsonArray list;
    for (auto r = runs.rbegin(); r != runs.rend(); ++r)
      list.append(QJsonObject{{QStringLiteral("id"), static_cast<qint64>(r->id)},
                              {QStringLiteral("time"), QDateTime::fromSecsSinceEpoch(r->time).toString(Qt::ISODate)},
                              {QStringLiteral("command"), r->command},
                              {QStringLiteral("files"), history::files_of(*r)},
                              {QStringLiteral("bytes"), static_cast<qint64>(r->bytes)}});
    print_json({{QStringLiteral("folder"), absolute(folder)}, {QStringLiteral("runs"), list}});
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

QStringList failed_names(const history::UndoResult& r) {
  QStringList names;
  for (const history::Failure& f : r.failed) names << f.name;
  return names;
}

void print_undo(const QString& folder, std::uint64_t id, const history::UndoResult& r, bool dry_run) {
  print_json({{QStringLiteral("folder"), absolute(folder)},
              {QStringLiteral("run"), static_cast<qint64>(id)},
              {QStringLiteral("dry_run"), dry_run},
              {QStringLiteral("restored"), QJsonArray::fromStringList(r.restored)},
              {QStringLiteral("refused"), QJsonArray::fromStringList(r.refused)},
              {QStringLiteral("failed"), QJsonArray::fromStringList(failed_names(r))}});
}

int undo_status(const history::UndoResult& r) {
  return r.refused.isEmpty() && r.failed.empty() ? k_ok : k_rows_failed;
}

int run_undo(const Args& args) {
  const QString folder = args.positional[0];
  if (!QFileInfo(folder).isDir()) {
    print_err(folder + msg::no_folder_tail);
    return k_bad_usage;
  }
  const std::vector<history::Run> runs = history::load_runs(history::native_folder(folder), history::Load::listing);
  if (runs.empty()) {
    print_err(msg::undo_nothing);
    return k_bad_usage;
  }
  std::uint64_t id = runs.back().id;
  if (args.has(k_run)) id = args.value(k_run).toULongLong();
  if (std::none_of(runs.begin(), runs.end(), [&](const history::Run& r) { return r.id == id; })) {
    print_err(msg::run_unknown_head + QString::number(id) + msg::run_unknown_tail);
    return k_bad_usage;
  }
  if (args.has(k_dry_run)) {
    const history::UndoResult r = history::undo_from(history::native_folder(folder), id, true);
    if (args.has(k_json)) {
      print_undo(folder, id, r, true);
    } else {
      QString text;
      for (const QString& name : r.restored) text += name + msg::undo_would_restore_tail + QLatin1Char('\n');
      print_out(text);
      for (const QString& name : r.refused) print_err(name + msg::undo_would_refuse_tail);
    }
    return undo_status(r);
  }
  Session s;
  if (!s.open(folder)) return k_bad_usage;
  const UndoRun run = undo_runs(s.state.edit_folder, id);
  for (const QString& text : run.texts()) s.dialogs.notify(text);
  if (!run.refusal.isEmpty()) return k_bad_usage;
  if (args.has(k_json)) print_undo(folder, id, run.result, false);
  return undo_status(run.result);
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
    QStringLiteral("FOLDER [--run ID] [--dry-run] [--json]"),
    QStringLiteral("指定した処理（既定は最新）とそれ以降の処理を取り消します"),
    80,
    1,
    {{k_run, QStringLiteral("ID"), QStringLiteral("取り消す処理の番号（history の1列目）")},
     {k_dry_run, {}, QStringLiteral("元に戻すﾌｧｲﾙと戻さないﾌｧｲﾙを出力するだけで、何も変更しません")},
     {k_json, {}, QStringLiteral("結果をJSONで出力します")}},
    check_run,
    run_undo,
});

}  // namespace

}  // namespace tn::cli
