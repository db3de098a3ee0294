// The fields on the command line: write --set FIELD=TEXT for any field,
// write --fields to choose what a run writes, and the --fields of list and
// export that shows more columns.

#include "cli/fields.h"

#include <QJsonObject>

#include "cli/messages.h"
#include "cli/session.h"
#include "table/cell_marks.h"
#include "table/grid.h"
#include "table/sheet_columns.h"
#include "table/track_table.h"
#include "tags/tag_library.h"
#include "tags/tag_record.h"
#include "text/text.h"
#include "tag_rows/tag_writers.h"

namespace tn::cli {


namespace {

const QString k_write = QStringLiteral("write");
const QString k_set = QStringLiteral("--set");

QString field_keys_text() {
  QStringList keys;
  for (Field f : all_fields()) keys << field_key(f);
  return keys.join(QLatin1Char(' '));
}

// The bits of the three texts' own writers, for the fields that have one.
int field_bit_of(Field f) {
  switch (f) {
    case Field::title: return field_bit::title;
    case Field::album: return field_bit::album;
    case Field::artist: return field_bit::artist;
    default: return 0;
  }
}

// --set values as (field, text); the message of the first bad one in *error.
std::vector<std::pair<Field, QString>> set_values(const Args& args, QString* error) {
  std::vector<std::pair<Field, QString>> out;
  for (const QString& v : args.values(k_set)) {
    const qsizetype eq = v.indexOf(QLatin1Char('='));
    const auto f = eq > 0 ? field_from_key(v.left(eq)) : std::nullopt;
    if (!f) {
      *error = eq > 0 ? msg::unknown_field + v.left(eq) : msg::bad_set + v;
      return {};
    }
    for (const auto& [g, text] : out)
      if (g == *f) {
        *error = msg::field_set_twice + v.left(eq);
        return {};
      }
    // The table keeps no more of a field: the rest would be cut unsaid.
    if (first_chars(v.mid(eq + 1), k_tag_text_chars).size() != v.size() - eq - 1) {
      *error = msg::set_too_long + v.left(eq);
      return {};
    }
    out.emplace_back(*f, v.mid(eq + 1));
  }
  return out;
}

QString check_set(const Args& args) {
  QString error;
  set_values(args, &error);
  return error;
}

QString check_write_fields(const Args& args) {
  QString bad;
  return parse_fields(args.value(k_fields), &bad) ? QString() : msg::unknown_field + bad;
}

// Every row that has a file gets the text; a cell whose text then differs
// from its file's is edited.
bool set_fields(Session& s, const Args& args, Plan& plan) {
  QString error;
  for (const auto& [f, text] : set_values(args, &error)) {
    for (int r = 1; r <= s.state.file_count; ++r) {
      if (s.state.file(r - 1).isEmpty()) continue;
      s.grid.set_col(col::of(f));
      s.grid.set_row(r);
      s.grid.set_text(text);
      mark_typed(s.cx, col::of(f), r);
    }
    if (const int bit = field_bit_of(f)) plan.columns |= bit;
    else plan.fields[f] = true;
  }
  return true;
}

// What the run writes: the fields named, of those the other options fill;
// alone, the fields named as the table shows them.
bool choose_fields(Session&, const Args& args, Plan& plan) {
  const FieldSet chosen = *parse_fields(args.value(k_fields));
  const bool alone = plan.columns == 0 && plan.fields == PerField<bool>{};
  int bits = 0;
  for (Field f : all_fields()) {
    if (const int bit = field_bit_of(f)) {
      if (chosen[f]) bits |= bit;
    } else {
      plan.fields[f] = chosen[f] && (alone || plan.fields[f]);
    }
  }
  plan.columns = alone ? bits : plan.columns & bits;
  return true;
}

[[maybe_unused]] const bool registered = add_steps({
    {k_write,
     40,
     {{k_set, QStringLiteral("FIELD=TEXT"), msg::set_help + field_keys_text(), true}},
     check_set,
     set_fields},
    {k_write, 90, {{k_fields, QStringLiteral("LIST"), msg::write_fields_help}}, check_write_fields, choose_fields},
});

}  // namespace

std::optional<FieldSet> parse_fields(const QString& list, QString* bad) {
  if (list.trimmed() == u"all") return every_field();
  FieldSet out;
  for (const QString& name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const auto f = field_from_key(name.trimmed());
    if (!f) {
      if (bad) *bad = name.trimmed();
      return std::nullopt;
    }
    out[*f] = true;
  }
  return out;
}

RowsWritten write_chosen_fields(Context& cx, const PerField<bool>& fields, int columns) {
  std::vector<Field> written;
  QStringList names;
  for (Field f : all_fields())
    if (field_bit_of(f) ? (columns & field_bit_of(f)) != 0 : fields[f]) {
      written.push_back(f);
      names << field_name(f);
    }
  if (written.empty()) return {};
  RowsWritten run = write_fields(cx, written, names.join(QStringLiteral("・")) + msg::run_fields_tail);
  for (std::size_t i = 0; i < run.rows.size(); ++i)
    if (run.rows[i].outcome == RowWritten::Outcome::done)
      for (Field f : written) cx.ss1.mark(col::of(f), static_cast<int>(i) + 1, CellMark::plain);
  return run;
}

void other_fields_outcome(const Session& s, const PerField<bool>& fields, bool from_table, int r, QJsonObject& row) {
  const auto& disk = s.state.on_disk(r - 1);
  for (Field f : all_fields()) {
    if (field_bit_of(f)) continue;
    row[field_key(f)] = !disk                     ? QString()
                        : from_table && fields[f] ? stored_text(s.grid.cell_text(col::of(f), r))
                                                  : (*disk)[field_index(f)];
  }
}

OptionSpec shown_fields_option() { return {k_fields, QStringLiteral("LIST"), msg::shown_fields_help}; }

QString check_shown_fields(const Args& args) {
  QString bad;
  return !args.has(k_fields) || parse_fields(args.value(k_fields), &bad) ? QString() : msg::unknown_field + bad;
}

FieldSet shown_fields_of(const Args& args) {
  FieldSet shown = default_shown();
  if (!args.has(k_fields)) return shown;
  const FieldSet named = *parse_fields(args.value(k_fields));
  for (Field f : all_fields()) shown[f] = shown[f] || named[f];
  return shown;
}

}  // namespace tn::cli
