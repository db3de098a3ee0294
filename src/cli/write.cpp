// write: the table filled as the main window's buttons fill it, then the
// filled columns written as 全て書込 and the single-column writers write them.
// A dry run works out the same outcome and writes nothing.

#include <QJsonArray>
#include <algorithm>
#include <array>

#include "cli/cli.h"
#include "cli/fields.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "clean_up/clean_up.h"
#include "table/folder.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"
#include "tag_rows/tag_writers.h"

namespace tn::cli {

namespace {

const QString k_json = QStringLiteral("--json");
const QString k_dry_run = QStringLiteral("--dry-run");
const QString k_name = QStringLiteral("write");

// The filled columns, written as 全て書込 writes them, all three at once,
// or each alone, so that a column not filled keeps the file's own bytes;
// with other fields, all in one run, so that a row is written whole or not
// at all; then the other writes. Each run's texts are shown as it ends; a
// run that stops ends the rest.
RowsWritten write_plan(Context& cx, const Plan& plan) {
  std::vector<WriteFields> writers;
  if (plan.columns == field_bit::all) {
    writers.push_back(WriteFields::all);
  } else {
    for (const TagColumn& c : k_tag_columns)
      if (plan.columns & c.bit) writers.push_back(c.writer);
  }
  std::vector<Plan::Write> runs;
  if (plan.fields != PerField<bool>{}) {
    QStringList done;
    for (WriteFields f : writers) done << write_done_text(f);
    runs.push_back({[&plan](Context& c) { return write_chosen_fields(c, plan.fields, plan.columns); },
                    done.join(QLatin1Char('\n'))});
  } else {
    for (WriteFields f : writers)
      runs.push_back({[f](Context& c) { return write_tag_columns(c, f); }, write_done_text(f)});
  }
  runs.insert(runs.end(), plan.writes.begin(), plan.writes.end());
  RowsWritten out;
  for (const Plan::Write& w : runs) {
    const RowsWritten run = w.run(cx);
    show_written(cx, run, w.done);
    out.add(run);
    if (out.stopped) break;
  }
  return out;
}

// What a run did, or a dry run would do, to every row.
struct Outcome {
  bool dry_run = false;
  QString refused;                      // why no row was tried
  std::vector<int> failed;              // rows with a file not written
  RowsWritten rows;                     // each row's answer
  std::vector<std::array<bool, 3>> repaired;  // the cells a write stores repaired
};

bool written(const Session& s, const Outcome& o, int r) {
  return o.refused.isEmpty() && !s.state.file(r - 1).isEmpty() &&
         !std::binary_search(o.failed.begin(), o.failed.end(), r);
}

// What a written row's file would hold in legacy bytes after the run: none
// when its ID3v1 texts go into a new ID3v2 tag, else those not written.
void predict_legacy(const Session& s, const Plan& plan, int r, QJsonObject& row) {
  QJsonArray legacy;
  const TagFlags& held = s.state.legacy(r - 1);
  for (std::size_t k = 0; k < std::size(k_tag_columns); ++k)
    if (held[k] && !(plan.columns & k_tag_columns[k].bit) && !s.state.legacy_v1_alone(r - 1))
      legacy.append(QLatin1String(k_tag_columns[k].field));
  row.remove(QStringLiteral("legacy"));
  if (!legacy.isEmpty()) row[QStringLiteral("legacy")] = legacy;
}

// A row as its file holds it after the run: the columns written where the
// row was written, the rest as read; nothing for a file whose tag could not
// be read (the table's cells there are no file's).
QJsonObject outcome_row(const Session& s, const Plan& plan, const Outcome& o, int r, QJsonObject row) {
  const bool done = written(s, o, r);
  const auto& disk = s.state.on_disk(r - 1);
  QJsonArray repaired;
  for (std::size_t k = 0; k < std::size(k_tag_columns); ++k) {
    const TagColumn& c = k_tag_columns[k];
    const bool from_table = o.dry_run && done && (plan.columns & c.bit);
    row[QLatin1String(c.field)] = !disk ? QString() : from_table ? stored_text(s.grid.cell_text(c.col, r)) : (*disk)[k];
    if (done && (plan.columns & c.bit) && o.repaired[static_cast<std::size_t>(r - 1)][k])
      repaired.append(QLatin1String(c.field));
  }
  other_fields_outcome(s, plan.fields, o.dry_run && done, r, row);
  row.remove(QStringLiteral("repaired"));
  if (!repaired.isEmpty()) row[QStringLiteral("repaired")] = repaired;
  if (o.dry_run && done) predict_legacy(s, plan, r, row);
  row[QStringLiteral("written")] = done;
  const auto i = static_cast<std::size_t>(r - 1);
  if (i < o.rows.rows.size() && o.rows.rows[i].outcome == RowWritten::Outcome::refused)
    row[QStringLiteral("error")] = QJsonObject{{QStringLiteral("number"), o.rows.rows[i].number},
                                               {QStringLiteral("message"), o.rows.rows[i].text}};
  if (plan.tracks) row[QStringLiteral("track")] = done ? QJsonValue(plan.tracks->value(r - 1)) : QJsonValue();
  return row;
}

void print_outcome(const Session& s, const Plan& plan, const Outcome& o, bool json) {
  const QJsonArray table = table_json(s).value(QStringLiteral("rows")).toArray();
  QJsonArray rows, not_written;
  QString text;
  for (int r = 1; r <= s.state.file_count; ++r) {
    const QJsonObject row = outcome_row(s, plan, o, r, table[r - 1].toObject());
    rows.append(row);
    if (!s.state.file(r - 1).isEmpty() && !written(s, o, r)) not_written.append(r);
    QStringList cells;
    for (const char* field : {"order", "file", "title", "album", "artist"})
      cells << row.value(QLatin1String(field)).toString();
    if (plan.tracks) cells << row.value(QStringLiteral("track")).toString();
    text += tsv_line(cells);
  }
  if (!json) return print_out(text);
  print_json({{QStringLiteral("folder"), s.state.edit_folder},
              {QStringLiteral("dry_run"), o.dry_run},
              {QStringLiteral("refused"), o.refused.isEmpty() ? QJsonValue() : QJsonValue(o.refused)},
              {QStringLiteral("rows"), rows},
              {QStringLiteral("not_written"), not_written}});
}

int run_write(const Args& args) {
  Session s;
  if (!s.open(args.positional[0])) return k_bad_usage;
  Plan plan;
  if (!run_steps(k_name, s, args, plan)) return k_bad_usage;
  Outcome o;
  o.dry_run = args.has(k_dry_run);
  // Seen before the write, which takes the marks away from what it stored.
  for (int r = 1; r <= s.state.file_count; ++r) {
    std::array<bool, 3> cells{};
    for (std::size_t k = 0; k < cells.size(); ++k) cells[k] = is_repaired(s.grid, k_tag_columns[k].col, r);
    o.repaired.push_back(cells);
  }
  // Told before any run, in a dry run too, even when nothing is to be written.
  if (!folder_writable(s.state.edit_folder)) {
    o.refused = write_folder_refused(s.state.edit_folder);
    s.dialogs.notify(o.refused);
  } else if (!o.dry_run) {
    o.rows = write_plan(s.cx, plan);
    o.refused = o.rows.stopped_text;
    o.failed = files_not_written(s.cx, o.rows);
  }
  // A run says nothing on stdout unless asked; a dry run is there to show.
  if (o.dry_run || args.has(k_json)) print_outcome(s, plan, o, args.has(k_json));
  const bool all_written = o.refused.isEmpty() && o.failed.empty();
  return all_written && s.read_errors.empty() ? k_ok : k_rows_failed;
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
    {{k_dry_run, {}, QStringLiteral("書込後のﾌｧｲﾙの内容を出力するだけで、ﾌｧｲﾙには触れません")},
     {k_json, {}, QStringLiteral("行ごとの結果（\"written\"、\"error\"）をJSONで出力します")}},
    check_write,
    run_write,
});

}  // namespace

}  // namespace tn::cli
