// write: the table filled as the main window's buttons fill it, then the
// filled columns written as 全て書込 and the single-column writers write them.

#include <QJsonArray>
#include <algorithm>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "tags/tag_library.h"
#include "tags/tag_writers.h"

namespace tn::cli {

namespace {

const QString k_json = QStringLiteral("--json");
const QString k_dry_run = QStringLiteral("--dry-run");
const QString k_name = QStringLiteral("write");

void merge(std::vector<int>& into, const std::vector<int>& rows) {
  into.insert(into.end(), rows.begin(), rows.end());
  std::sort(into.begin(), into.end());
  into.erase(std::unique(into.begin(), into.end()), into.end());
}

// The filled columns: all three at once, as 全て書込 does, or each alone,
// so that a column not filled keeps the file's own bytes.
std::vector<int> write_columns(Context& cx, int columns) {
  if (columns == field_bit::all) return cmd_write_all(cx);
  std::vector<int> failed;
  if (columns & field_bit::title) merge(failed, cmd_write_kyokumei(cx));
  if (columns & field_bit::album) merge(failed, cmd_write_alubum(cx));
  if (columns & field_bit::artist) merge(failed, cmd_write_artname(cx));
  return failed;
}

int run_write(const Args& args) {
  Session s;
  if (!s.open(args.positional[0])) return k_bad_usage;
  Plan plan;
  if (!run_steps(k_name, s, args, plan)) return k_bad_usage;
  const bool json = args.has(k_json);
  const int read_status = s.read_errors.empty() ? k_ok : k_rows_failed;
  if (args.has(k_dry_run)) {
    print_table(s, json, {{QStringLiteral("dry_run"), true}});
    return read_status;
  }
  std::vector<int> failed = write_columns(s.cx, plan.columns);
  for (const auto& write : plan.writes) merge(failed, write(s.cx));
  if (json) {
    QJsonArray rows;
    for (int r : failed) rows.append(r);
    print_table(s, true, {{QStringLiteral("dry_run"), false}, {QStringLiteral("not_written"), rows}});
  }
  return failed.empty() ? read_status : k_rows_failed;
}

QString check_write(const Args& args) {
  return any_step_given(k_name, args) ? QString() : msg::nothing_to_write;
}

[[maybe_unused]] const bool registered = add_subcommand({
    k_name,
    QStringLiteral("FOLDER [オプション]"),
    QStringLiteral("表を埋めて、埋めた列をTAG情報に書込みます（確認なし、--dry-run で事前確認）"),
    20,
    1,
    {{k_dry_run, {}, QStringLiteral("書込む表を出力するだけで、ﾌｧｲﾙには触れません")},
     {k_json, {}, QStringLiteral("表をJSONで出力します")}},
    check_write,
    run_write,
});

}  // namespace

}  // namespace tn::cli
